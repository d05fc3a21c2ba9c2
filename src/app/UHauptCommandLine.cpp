// THaupt: the command line, read once at the first activation right after the modem was connected
// and before the first check for new messages. A switch that asks for batch work sets
// QuitAfterStart; the activation then closes the program instead of checking for messages.
#include "app/UHaupt.h"
#include "app/core/BatchSave.h"
#include "app/core/CommandLine.h"
#include "common/MessageSeam.h"
#include "common/ProgramPaths.h"
#include "modem/Zarvo.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace zarvo {

namespace {

void PrintLine(const QString& line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

} // namespace

void THaupt::ProcessCommandLine()
{
    bool Delete = false;
    bool allSaved = true; // nothing is erased unless every message asked for was saved
    for (const CommandSwitch& s : ParseCommandLine(Arguments.mid(1))) {
        switch (s.kind) {
        case CommandSwitch::Kind::Usage: {
            const QStringList lines = UsageLines(ProgramPaths::logFileName());
            if (Headless)
                std::for_each(lines.begin(), lines.end(), PrintLine);
            else
                Messages().information(kAppCaption, lines.join(QChar('\r')));
            QuitAfterStart = true;
            break;
        }
        case CommandSwitch::Kind::SaveAll:
            QuitAfterStart = true;
            allSaved = SaveAllMessagesInto(s.path) && allSaved;
            break;
        case CommandSwitch::Kind::Delete:
            Delete = true;
            QuitAfterStart = true;
            break;
        case CommandSwitch::Kind::Autorun:
            showMinimized();
            break;
        case CommandSwitch::Kind::Log:
            LogToFile = true;
            break;
        }
    }
    if (!Delete)
        return;
    if (!allSaved) {
        const QString text = QStringLiteral("Der Speicher des Modems wurde nicht gelöscht, weil nicht alle "
                                            "Nachrichten gesichert werden konnten.");
        Zarvo1->ShowStatus(text);
        Messages().warning(kAppCaption, text);
        return;
    }
    // The erase of a batch run asks no question; the program closes next, so the list is not
    // read again (that could only ask about new messages nobody will hear).
    if (Zarvo1->ClearMemory() != 0) {
        ExitStatus = std::max(ExitStatus, 1);
        Messages().error(kAppCaption,
                         QStringLiteral("Der Speicher des Modems konnte nicht gelöscht werden."));
    }
}

bool THaupt::SaveAllMessagesInto(const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        Messages().warning(QStringLiteral("Warnung"), QString::fromUtf8("Verzeichnis muß existieren!"));
        ExitStatus = std::max(ExitStatus, 2);
        return false;
    }
    FillMessageList();
    if (MessageCount < 0) {
        Messages().error(kAppCaption, QStringLiteral("Die Nachrichten konnten nicht gelesen werden: "
                                                     "kein Modem gefunden."));
        ExitStatus = std::max(ExitStatus, 1);
        return false;
    }
    const BatchSaveReport report = SaveAllMessages(*Zarvo1, folder, MessageCount);
    if (!report.AllSaved()) {
        for (const QString& problem : report.Problems)
            Zarvo1->ShowStatus(problem);
        Messages().error(kAppCaption,
                         QStringLiteral("Nicht gesichert:\r") + report.Problems.join(QChar('\r')));
        ExitStatus = std::max(ExitStatus, 1);
        return false;
    }
    if (Headless)
        PrintLine(QStringLiteral("%1 Nachrichten gesichert in %2").arg(report.Saved).arg(folder));
    return true;
}

} // namespace zarvo
