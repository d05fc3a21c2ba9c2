// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/CommandLine.h"

#include <QFileInfo>

#include <algorithm>

namespace zarvo {

std::vector<CommandSwitch> ParseCommandLine(const QStringList& arguments)
{
    std::vector<CommandSwitch> switches;
    for (const QString& argument : arguments) {
        if (argument == QStringLiteral("--help")) {
            switches.push_back({CommandSwitch::Kind::Usage, {}});
            continue;
        }
        const QFileInfo file(argument);
        if (!argument.isEmpty() && file.isFile()) {
            switches.push_back({CommandSwitch::Kind::OpenFile, file.absoluteFilePath()});
            continue;
        }
        // The switch character is not examined: "/", "-" or anything else will do.
        const QString word = argument.mid(1).toUpper();
        if (word.startsWith(QChar('H')) || word.startsWith(QChar('?'))) {
            switches.push_back({CommandSwitch::Kind::Usage, {}});
        }
        else if (word.startsWith(QStringLiteral("STP"))) {
            // The fifth character (":" in "/STP:") is skipped unchecked; Linux paths keep their case.
            // An empty path stays empty: it must not become the root folder.
            QString path = argument.mid(5);
            if (!path.isEmpty() && !path.endsWith(QChar('/')))
                path += QChar('/');
            switches.push_back({CommandSwitch::Kind::SaveAll, path});
        }
        else if (word.startsWith(QStringLiteral("DELETE"))) {
            switches.push_back({CommandSwitch::Kind::Delete, {}});
        }
        else if (word.startsWith(QStringLiteral("AUTORUN")) || word.startsWith(QStringLiteral("AUTOSTA"))) {
            switches.push_back({CommandSwitch::Kind::Autorun, {}});
        }
        else if (word.startsWith(QStringLiteral("LOG"))) {
            switches.push_back({CommandSwitch::Kind::Log, {}});
        }
        else if (word.startsWith(QStringLiteral("PDF"))) {
            switches.push_back({CommandSwitch::Kind::Pdf, {}});
        }
        else if (word.startsWith(QStringLiteral("ARCHIV"))) {
            switches.push_back({CommandSwitch::Kind::Archive, {}});
        }
    }
    return switches;
}

bool IsBatchRun(const std::vector<CommandSwitch>& switches)
{
    for (const CommandSwitch& s : switches)
        if (s.kind == CommandSwitch::Kind::Usage || s.kind == CommandSwitch::Kind::SaveAll ||
            s.kind == CommandSwitch::Kind::Delete || s.kind == CommandSwitch::Kind::Archive)
            return true;
    return false;
}

bool HasSwitch(const std::vector<CommandSwitch>& switches, CommandSwitch::Kind kind)
{
    return std::any_of(switches.begin(), switches.end(),
                       [kind](const CommandSwitch& s) { return s.kind == kind; });
}

QStringList UsageLines(const QString& logFile)
{
    return {QStringLiteral("Folgende Kommandozeilen Optionen sind möglich:"),
            QStringLiteral("/STP:<Pfad> Speicher die Nachrichten in diesen Pfad (WAV+TIF)"),
            QStringLiteral("/DELETE     Löscht die Nachrichten (wird als letztes ausgeführt)"),
            QStringLiteral("/AUTORUN    Minimiert beim Start"),
            QStringLiteral("/LOG        Speichert ein Protokoll in ") + logFile,
            QStringLiteral("/PDF        Speichert Faxe mit /STP zusätzlich als PDF (MESS<n>.PDF)"),
            QStringLiteral("/ARCHIV     Speichert alle Nachrichten im Archiv (mit /DELETE: danach löschen)"),
            QStringLiteral("/?, /H, -h, --help  Zeigt diese Übersicht"),
            QStringLiteral("-v, --version       Zeigt die Version des Programms"),
            QStringLiteral("Rückgabewert 0: alles erledigt"),
            QStringLiteral("Rückgabewert 1: etwas ist fehlgeschlagen, danach wurde nichts gelöscht"),
            QStringLiteral("Rückgabewert 2: der Ordner fehlt oder der Aufruf ist unbrauchbar")};
}

} // namespace zarvo
