// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArchiveTool.h"

#include "common/OutputFile.h"
#include "common/ProgramPaths.h"
#include "core/archive/Archive.h"
#include "core/archive/ArchiveLayout.h"
#include "core/archive/ArchiveTimeSpan.h"
#include "core/archive/BatchImport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zarvo::archive {

namespace {

const char* const kUsage =
    "Aufruf: zarvo-archive [--folder ORDNER] [--index DATEI] BEFEHL ...\n"
    "\n"
    "Das Nachrichtenarchiv: jede Nachricht einmal, für immer.\n"
    "\n"
    "Befehle:\n"
    "  list [--json] [--limit N]          die Nachrichten, die neueste zuerst\n"
    "  search TEXT [--json] [--limit N]   Nachrichten, deren Rufnummer, Notiz oder eine Faxseite\n"
    "                                     Wörter hat, die mit denen von TEXT beginnen\n"
    "  show ID [--json]                   eine Nachricht (ID: ihre ersten Ziffern genügen)\n"
    "  import ORDNER...                   die Ordner früherer Stapelläufe (Nachrichten.csv,\n"
    "                                     MESS<n>-Dateien) übernehmen\n"
    "  export ID ORDNER                   die Dateien einer Nachricht in ORDNER kopieren\n"
    "  check [--repair]                   jede Datei gegen Verzeichnis und Journal prüfen; mit\n"
    "                                     --repair fehlende Dateien neu erstellen oder streichen\n"
    "  ocr [--all]                        Texterkennung der Faxe, die noch keinen Text haben; mit\n"
    "                                     --all jedes Fax neu (ersetzt nur erkannten Text)\n"
    "\n"
    "Optionen:\n"
    "  --folder ORDNER  der Archivordner (sonst $XDG_DATA_HOME/zarvo/Archiv)\n"
    "  --index DATEI    das Verzeichnis (sonst $XDG_CACHE_HOME/zarvo/archiv.sqlite)\n"
    "  --help           dieser Text\n"
    "  --version        die Version des Programms\n"
    "\n"
    "Exit-Status: 0 erledigt; 1 fehlgeschlagen (Gründe auf der Standardfehlerausgabe);\n"
    "2 falscher Aufruf.\n";

struct CommandLine {
    QString command;
    QStringList operands;
    QString folder;
    QString index;
    int limit = -1;
    bool json = false;
    bool repair = false;
    bool all = false;
    bool help = false;
    bool version = false;
    QString problem;
};

CommandLine parse(const QStringList& args)
{
    CommandLine line;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const auto value = [&](QString& into) {
            if (i + 1 >= args.size())
                line.problem = QStringLiteral("%1 braucht einen Wert").arg(arg);
            else
                into = args[++i];
        };
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            line.help = true;
        else if (arg == QLatin1String("--version"))
            line.version = true;
        else if (arg == QLatin1String("--json"))
            line.json = true;
        else if (arg == QLatin1String("--repair"))
            line.repair = true;
        else if (arg == QLatin1String("--all"))
            line.all = true;
        else if (arg == QLatin1String("--folder"))
            value(line.folder);
        else if (arg == QLatin1String("--index"))
            value(line.index);
        else if (arg == QLatin1String("--limit")) {
            QString n;
            value(n);
            bool ok = false;
            line.limit = n.toInt(&ok);
            if (line.problem.isEmpty() && (!ok || line.limit < 1))
                line.problem = QStringLiteral("--limit braucht eine Zahl ab 1");
        }
        else if (arg.startsWith(QLatin1String("--")) && arg.size() > 2)
            line.problem = QStringLiteral("unbekannte Option %1").arg(arg);
        else if (line.command.isEmpty())
            line.command = arg;
        else
            line.operands << arg;
        if (!line.problem.isEmpty())
            break;
    }
    return line;
}

QString checkUsage(const CommandLine& line)
{
    if (!line.problem.isEmpty())
        return line.problem;
    const qsizetype n = line.operands.size();
    const QString& c = line.command;
    if (c.isEmpty())
        return QStringLiteral("kein Befehl angegeben");
    if (c == QLatin1String("list") || c == QLatin1String("check") || c == QLatin1String("ocr"))
        return n == 0 ? QString() : QStringLiteral("%1 nimmt keine weiteren Argumente").arg(c);
    if (c == QLatin1String("search") || c == QLatin1String("show"))
        return n == 1 ? QString() : QStringLiteral("%1 braucht genau ein Argument").arg(c);
    if (c == QLatin1String("import"))
        return n >= 1 ? QString() : QStringLiteral("import braucht mindestens einen Ordner");
    if (c == QLatin1String("export"))
        return n == 2 ? QString() : QStringLiteral("export braucht eine ID und einen Ordner");
    return QStringLiteral("unbekannter Befehl %1").arg(c);
}

// Remote text on a terminal: control characters could move the cursor or worse.
QString printable(QString text)
{
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = u'?';
    return text;
}

QJsonObject toJson(const ArchivedMessage& m)
{
    QJsonObject o;
    o.insert(QStringLiteral("id"), m.id);
    o.insert(QStringLiteral("kind"), kindKey(m.kind));
    o.insert(QStringLiteral("caller"), m.caller);
    o.insert(QStringLiteral("received"), layout::isoText(m.received));
    const QString amountKey = m.kind == MessageKind::Voice ? QStringLiteral("seconds")
                              : m.kind == MessageKind::Fax ? QStringLiteral("pages")
                                                           : QStringLiteral("bytes");
    o.insert(amountKey, m.amount);
    o.insert(QStringLiteral("files"), QJsonArray::fromStringList(m.files));
    o.insert(QStringLiteral("heard"), m.heard);
    o.insert(QStringLiteral("note"), m.note);
    if (m.hitPage > 0)
        o.insert(QStringLiteral("page"), m.hitPage);
    return o;
}

QString amountText(const ArchivedMessage& m)
{
    switch (m.kind) {
    case MessageKind::Voice:
        return QStringLiteral("%1 s").arg(m.amount);
    case MessageKind::Fax:
        return QStringLiteral("%1 S.").arg(m.amount);
    default:
        return QStringLiteral("%1 B").arg(m.amount);
    }
}

QString lineOf(const ArchivedMessage& m)
{
    return QStringLiteral("%1  %2  %3  %4  %5%6")
               .arg(m.shortId(), m.received.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                    kindText(m.kind).leftJustified(9), amountText(m).rightJustified(8),
                    m.caller.isEmpty() ? QStringLiteral("(ohne Rufnummer)") : printable(m.caller),
                    m.heard ? QString() : QStringLiteral("  [neu]")) +
           (m.hitPage > 0 ? QStringLiteral("  Seite %1").arg(m.hitPage) : QString());
}

void printMessages(const std::vector<ArchivedMessage>& messages, bool json, QTextStream& out)
{
    if (json) {
        QJsonArray array;
        for (const ArchivedMessage& m : messages)
            array.append(toJson(m));
        out << QJsonDocument(array).toJson(QJsonDocument::Indented);
        return;
    }
    for (const ArchivedMessage& m : messages)
        out << lineOf(m) << '\n';
}

std::vector<ArchivedMessage> collect(Archive& archive, const ListFilter& filter, int limit)
{
    std::vector<ArchivedMessage> all;
    std::optional<ListCursor> after;
    do {
        const int want = limit < 0 ? 1000 : std::min(1000, limit - static_cast<int>(all.size()));
        ListPage page = archive.list(filter, after, want);
        std::move(page.messages.begin(), page.messages.end(), std::back_inserter(all));
        after = page.next;
    } while (after && (limit < 0 || static_cast<int>(all.size()) < limit));
    return all;
}

int show(Archive& archive, const CommandLine& line, QTextStream& out, QTextStream& err)
{
    QString problem;
    const auto m = archive.get(line.operands[0], &problem);
    if (!m) {
        err << "zarvo-archive: " << problem << '\n';
        return ExitFailed;
    }
    if (line.json) {
        out << QJsonDocument(toJson(*m)).toJson(QJsonDocument::Indented);
        return ExitDone;
    }
    out << "ID:         " << m->id << '\n'
        << "Art:        " << kindText(m->kind) << '\n'
        << "Rufnummer:  " << printable(m->caller) << '\n'
        << "Empfangen:  " << layout::isoText(m->received) << '\n'
        << "Umfang:     " << amountText(*m) << '\n'
        << "Abgehört:   " << (m->heard ? "ja" : "nein") << '\n'
        << "Notiz:      " << printable(m->note) << '\n';
    for (const QString& f : m->files)
        out << "Datei:      " << f << '\n';
    return ExitDone;
}

int importFolders(Archive& archive, const CommandLine& line, QTextStream& out, QTextStream& err)
{
    ImportReport total;
    for (const QString& folder : line.operands) {
        if (!QFileInfo(folder).isDir()) {
            total.problems << QStringLiteral("%1 ist kein Ordner").arg(folder);
            ++total.failed;
            continue;
        }
        err << "Übernehme " << folder << " ...\n";
        err.flush();
        int lastShown = 0;
        const ImportReport r = importBatchFolder(archive, folder, [&](int done, int all) {
            if (done - lastShown >= 1000 || done == all) {
                err << "  " << done << " von " << all << '\n';
                err.flush();
                lastShown = done;
            }
        });
        total.stored += r.stored;
        total.alreadyThere += r.alreadyThere;
        total.failed += r.failed;
        total.problems << r.problems;
    }
    for (const QString& p : total.problems)
        err << "zarvo-archive: " << p << '\n';
    out << total.stored << " neu gespeichert, " << total.alreadyThere << " schon im Archiv, " << total.failed
        << " fehlgeschlagen\n";
    return total.failed == 0 ? ExitDone : ExitFailed;
}

int exportMessage(Archive& archive, const CommandLine& line, QTextStream& out, QTextStream& err)
{
    QString problem;
    const auto m = archive.get(line.operands[0], &problem);
    if (!m) {
        err << "zarvo-archive: " << problem << '\n';
        return ExitFailed;
    }
    const QString target = line.operands[1];
    if (!QDir().mkpath(target)) {
        err << "zarvo-archive: Ordner " << target << " lässt sich nicht anlegen\n";
        return ExitFailed;
    }
    int failed = 0;
    for (const QString& source : m->files) {
        QFile in(source);
        const QString to = QDir(target).absoluteFilePath(QFileInfo(source).fileName());
        if (!in.open(QIODevice::ReadOnly)) {
            err << "zarvo-archive: " << source << " lässt sich nicht lesen\n";
            ++failed;
            continue;
        }
        const QByteArray bytes = in.readAll();
        const std::string why = WriteWholeFile(
            QFile::encodeName(to).toStdString(),
            std::as_bytes(std::span<const char>(bytes.constData(), static_cast<size_t>(bytes.size()))),
            Existing::AcceptSame);
        if (why.empty())
            out << to << '\n';
        else {
            err << "zarvo-archive: " << to << " nicht geschrieben (" << QString::fromStdString(why) << ")\n";
            ++failed;
        }
    }
    return failed == 0 ? ExitDone : ExitFailed;
}

int checkArchive(Archive& archive, const CommandLine& line, QTextStream& out)
{
    int open = 0;
    for (const CheckFinding& f : archive.check(line.repair)) {
        out << f.text << '\n';
        if (f.what != CheckFinding::Repaired && f.what != CheckFinding::Dropped &&
            !(line.repair && f.what == CheckFinding::Missing))
            ++open;
    }
    out << (open == 0 ? "Archiv in Ordnung\n" : "");
    return open == 0 ? ExitDone : ExitFailed;
}

} // namespace

int RunArchiveTool(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const CommandLine line = parse(args);
    if (line.help && line.problem.isEmpty()) {
        out << kUsage;
        return ExitDone;
    }
    if (line.version && line.problem.isEmpty()) {
        out << "zarvo-archive " ZARVO_VERSION "\n";
        return ExitDone;
    }
    if (const QString problem = checkUsage(line); !problem.isEmpty()) {
        err << "zarvo-archive: " << problem << "\n\n" << kUsage;
        return ExitUsage;
    }
    QString problem;
    // The settings' folder (and its index) unless the command line names others.
    const archive::ArchivePlace place =
        archive::archivePlace(ProgramPaths::programFile(QStringLiteral("ZARVO2.ini")));
    const QString folder = line.folder.isEmpty() ? place.folder : line.folder;
    const QString index =
        line.index.isEmpty()
            ? (line.folder.isEmpty() ? place.index : archive::archivePlaceFor(line.folder).index)
            : line.index;
    const std::unique_ptr<Archive> archive = Archive::open(folder, index, &problem);
    if (!archive) {
        err << "zarvo-archive: " << problem << '\n';
        return ExitFailed;
    }
    if (archive->indexRebuilt())
        err << "zarvo-archive: " << archive->rebuildNote() << '\n';

    const QString& c = line.command;
    if (c == QLatin1String("list") || c == QLatin1String("search")) {
        ListFilter filter;
        if (c == QLatin1String("search"))
            filter.text = line.operands[0];
        printMessages(collect(*archive, filter, line.limit), line.json, out);
        return ExitDone;
    }
    if (c == QLatin1String("show"))
        return show(*archive, line, out, err);
    if (c == QLatin1String("import"))
        return importFolders(*archive, line, out, err);
    if (c == QLatin1String("export"))
        return exportMessage(*archive, line, out, err);
    if (c == QLatin1String("ocr"))
        return RecogniseArchivedFaxes(*archive, line.all, out, err);
    return checkArchive(*archive, line, out);
}

} // namespace zarvo::archive
