// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConvertTool.h"

#include "Conversions.h"

#include "fax/FaxDocument.h"

#include <QFile>

#include <algorithm>

namespace zarvo::convert {

namespace {

const char* const kUsage =
    "Aufruf: zarvo-convert [--verbose] BEFEHL ARGUMENTE\n"
    "\n"
    "  voice2wav NACHRICHT AUS.wav\n"
    "      NACHRICHT: Datei mit den Nachrichtendaten einer Sprachnachricht (\"V\" und der\n"
    "      DLE-geschützte GSM-Strom). Schreibt eine WAV-Datei (GSM 6.10). Arbeitsdatei ist\n"
    "      ~~test.gsm im Arbeitsordner ($XDG_RUNTIME_DIR/zarvo, mit $ZARVO_HOME dort).\n"
    "  fax2tiff EIN AUS.tif\n"
    "      EIN mit Endung .ufr (beliebige Schreibweise): ein DLE-codiertes Fax; sonst die\n"
    "      Nachrichtendaten eines Faxes (\"F\", Seitenzahl, Fax). Schreibt eine mehrseitige TIFF-Datei.\n"
    "  fax2pdf EIN AUS.pdf\n"
    "      EIN wie bei fax2tiff, oder eine .mmf-Datei (eine Seite). Schreibt ein PDF-Dokument,\n"
    "      jede Faxseite auf einer Seite A4 (Letter, wenn die Sprachumgebung es vorsieht:\n"
    "      LC_ALL, LC_PAPER oder LANG mit Gebiet US, CA, ...), in voller Höhe, 1 Bit je\n"
    "      Bildpunkt, verlustfrei (CCITT G4).\n"
    "  fax2pbm EIN.ufr|EIN.mmf PRÄFIX\n"
    "      Schreibt PRÄFIX-1.pbm, PRÄFIX-2.pbm, ... (PBM binär, 1 = schwarz), jede Seite so\n"
    "      decodiert wie im Faxfenster bei Zoom 1. Eine Seite ohne Bild erhält keine Datei.\n"
    "  page2pic EIN.ufr|EIN.mmf SEITE AUS.bmp|AUS.jpg [--height-factor 1|2]\n"
    "      Speichert Seite SEITE (ab 1) als Bild wie das Faxfenster; mit --height-factor 2\n"
    "      steht jede Zeile doppelt.\n"
    "\n"
    "  --verbose      Fortschritt und Statustexte auf der Standardfehlerausgabe\n"
    "  -h, --help     dieser Text\n"
    "  -v, --version  die Version des Programms\n"
    "\n"
    "Rückgabe: 0 fertig; 1 Umwandlung fehlgeschlagen (Statustext und Ergebniscode auf der\n"
    "Standardfehlerausgabe), auch wenn bei fax2tiff oder fax2pdf eine Seite nicht darstellbar\n"
    "war (die Datei enthält dann die übrigen Seiten); 2 falscher Aufruf.\n";

bool hasKind(const QString& fileName, std::initializer_list<FaxFileKind> kinds)
{
    const FaxFileKind kind = FaxFileKindOf(QFile::encodeName(fileName).toStdString());
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

struct CommandLine {
    bool verbose = false;
    bool help = false;
    bool version = false;
    int heightFactor = 1;
    bool heightFactorGiven = false;
    QStringList words; // the command and its arguments
    QString problem;   // set on bad usage
};

CommandLine parse(const QStringList& args)
{
    CommandLine line;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        // -v is the version, as for zarvo; progress only ever comes with the long --verbose.
        if (arg == QLatin1String("--verbose")) {
            line.verbose = true;
        }
        else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.help = true;
        }
        else if (arg == QLatin1String("--version") || arg == QLatin1String("-v")) {
            line.version = true;
        }
        else if (arg == QLatin1String("--height-factor") ||
                 arg.startsWith(QLatin1String("--height-factor="))) {
            QString value;
            if (arg.contains(u'='))
                value = arg.section(u'=', 1);
            else if (i + 1 < args.size())
                value = args[++i];
            if (value != QLatin1String("1") && value != QLatin1String("2")) {
                line.problem = QStringLiteral("--height-factor braucht 1 oder 2");
                return line;
            }
            line.heightFactor = value.toInt();
            line.heightFactorGiven = true;
        }
        else if (arg.startsWith(QLatin1String("--"))) {
            line.problem = QStringLiteral("unbekannte Option %1").arg(arg);
            return line;
        }
        else {
            line.words << arg;
        }
    }
    return line;
}

struct Command {
    const char* name;
    int arguments;
};
constexpr Command kCommands[] = {
    {"voice2wav", 2}, {"fax2tiff", 2}, {"fax2pdf", 2}, {"fax2pbm", 2}, {"page2pic", 3}};

// The reason the command line cannot run, or an empty text.
QString checkUsage(const CommandLine& line)
{
    if (!line.problem.isEmpty())
        return line.problem;
    if (line.words.isEmpty())
        return QStringLiteral("kein Befehl");
    const QString& name = line.words.first();
    const Command* command = nullptr;
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name))
            command = &c;
    if (!command)
        return QStringLiteral("unbekannter Befehl %1").arg(name);
    if (line.words.size() - 1 != command->arguments)
        return QStringLiteral("%1 braucht %2 Argumente").arg(name).arg(command->arguments);
    if (line.heightFactorGiven && name != QLatin1String("page2pic"))
        return QStringLiteral("--height-factor gilt nur für page2pic");
    if ((name == QLatin1String("fax2pbm") || name == QLatin1String("page2pic")) &&
        !hasKind(line.words[1], {FaxFileKind::Ufr, FaxFileKind::Mmf}))
        return QStringLiteral("%1 liest nur .ufr- und .mmf-Dateien").arg(name);
    if (name == QLatin1String("page2pic")) {
        bool number = false;
        line.words[2].toInt(&number);
        if (!number)
            return QStringLiteral("SEITE muss eine Zahl sein");
        if (!hasKind(line.words[3], {FaxFileKind::Bmp, FaxFileKind::Jpg}))
            return QStringLiteral("page2pic schreibt nur .bmp- und .jpg-Dateien");
    }
    return {};
}

} // namespace

int RunConvertTool(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const CommandLine line = parse(args);
    if (line.help && line.problem.isEmpty()) {
        out << kUsage;
        return ExitDone;
    }
    if (line.version && line.problem.isEmpty()) {
        out << "zarvo-convert " ZARVO_VERSION "\n";
        return ExitDone;
    }
    if (const QString problem = checkUsage(line); !problem.isEmpty()) {
        err << "zarvo-convert: " << problem << "\n\n" << kUsage;
        return ExitUsage;
    }

    const Progress progress = line.verbose ? Progress([&err](const QString& text) {
        err << text << '\n';
        err.flush();
    })
                                           : Progress();
    const Progress note = [&err](const QString& text) { err << "zarvo-convert: " << text << '\n'; };
    const QString& name = line.words[0];
    const QStringList& w = line.words;
    Outcome outcome;
    if (name == QLatin1String("voice2wav"))
        outcome = VoiceToWav(w[1], w[2], progress);
    else if (name == QLatin1String("fax2tiff"))
        outcome = FaxToTiff(w[1], w[2], progress);
    else if (name == QLatin1String("fax2pdf"))
        outcome = FaxToPdf(w[1], w[2], progress);
    else if (name == QLatin1String("fax2pbm"))
        outcome = FaxToPbm(w[1], w[2], progress, note);
    else
        outcome = PageToPicture(w[1], w[2].toInt(), w[3], line.heightFactor, progress);

    if (outcome.ok)
        return ExitDone;
    err << "zarvo-convert: " << name << ": " << outcome.text << '\n';
    return ExitFailed;
}

} // namespace zarvo::convert
