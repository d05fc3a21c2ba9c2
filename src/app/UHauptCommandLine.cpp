// THaupt: the command line, read once at the first activation right after the modem was connected
// and before the first check for new messages. A switch that asks for batch work sets
// QuitAfterStart; the activation then closes the program instead of checking for messages.
#include "app/UHaupt.h"
#include "app/core/BatchPdf.h"
#include "app/core/BatchSave.h"
#include "app/core/CommandLine.h"
#include "common/MessageSeam.h"
#include "common/ProgramPaths.h"
#include "modem/Zarvo.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <exception>

namespace zarvo {

namespace {

// How often the directory is read again before a batch erase while calls keep coming in.
constexpr int kEraseChecks = 3;

void PrintLine(const QString& line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

QString NotErased(const QString& why)
{
    return QStringLiteral("Der Speicher des Modems wurde nicht gelöscht, ") + why;
}

} // namespace

void THaupt::ProcessCommandLine()
{
    bool Delete = false;
    bool allSaved = true; // nothing is erased unless every message asked for was saved
    m_batchSavers.clear();
    // What the run is doing, for the message should anything end it unexpectedly.
    QString step;
    try {
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
                step = QStringLiteral("beim Sichern der Nachrichten in %1").arg(s.path);
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
            case CommandSwitch::Kind::Pdf: // read by each /STP
                break;
            }
        }
        if (!Delete)
            return;
        if (!allSaved) {
            const QString text =
                NotErased(QStringLiteral("weil nicht alle Nachrichten gesichert werden konnten."));
            Zarvo1->ShowStatus(text);
            Messages().warning(kAppCaption, text);
            return;
        }
        step = QStringLiteral("beim Prüfen auf neue Nachrichten vor dem Löschen");
        if (!m_batchSavers.empty() && !SaveArrivalsBeforeErase())
            return;
        // The erase of a batch run asks no question; the program closes next, so the list is not
        // read again (that could only ask about new messages nobody will hear).
        step = QStringLiteral("beim Löschen des Speichers");
        if (Zarvo1->ClearMemory() != 0) {
            ExitStatus = std::max(ExitStatus, 1);
            Messages().error(kAppCaption,
                             QStringLiteral("Der Speicher des Modems konnte nicht gelöscht werden."));
        }
    }
    catch (const std::exception& e) {
        // Whatever broke the sequence: the run still ends, says where, and erases nothing more.
        ExitStatus = std::max(ExitStatus, 1);
        const QString text = QStringLiteral("Abbruch %1: %2").arg(step, QString::fromUtf8(e.what()));
        Zarvo1->ShowStatus(text);
        Messages().error(kAppCaption,
                         Delete ? text + u'\r' + NotErased(QStringLiteral("weil der Lauf abbrach.")) : text);
    }
    catch (...) {
        ExitStatus = std::max(ExitStatus, 1);
        Messages().error(kAppCaption, QStringLiteral("Abbruch %1.").arg(step));
    }
}

bool THaupt::SaveAllMessagesInto(const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        Messages().warning(QStringLiteral("Warnung"), QString::fromUtf8("Verzeichnis muß existieren!"));
        ExitStatus = std::max(ExitStatus, 2);
        return false;
    }
    const MessageListData list = ReadMessageList(*Zarvo1);
    ShowList(list);
    if (list.MessageCount < 0) {
        // Say what happened: no modem at all is not the same as a reply that could not be read.
        const QString why =
            !list.Error.isEmpty()
                ? QStringLiteral("die Antwort des Modems war nicht lesbar (%1).").arg(list.Error)
            : !Zarvo1->ModemFound ? QStringLiteral("kein Modem gefunden.")
                                  : QStringLiteral("das Modem hat nicht geantwortet.");
        Messages().error(kAppCaption, QStringLiteral("Die Nachrichten konnten nicht gelesen werden: ") + why);
        ExitStatus = std::max(ExitStatus, 1);
        return false;
    }
    if (!list.Error.isEmpty())
        Messages().error(kAppCaption, list.Error);
    auto saver = std::make_shared<BatchSaver>(*Zarvo1, folder);
    if (HasSwitch(ParseCommandLine(Arguments.mid(1)), CommandSwitch::Kind::Pdf))
        saver->AddFaxWriter(PdfFaxWriter());
    const BatchSaveReport report = saver->SaveNew(list);
    m_batchSavers.push_back(std::move(saver));
    return ReportBatchSave(report, folder);
}

bool THaupt::ReportBatchSave(const BatchSaveReport& report, const QString& folder)
{
    if (!report.AllSaved()) {
        for (const QString& problem : report.Problems)
            Zarvo1->ShowStatus(problem);
        Messages().error(kAppCaption,
                         QStringLiteral("Nicht gesichert:\r") + report.Problems.join(QChar('\r')));
        ExitStatus = std::max(ExitStatus, 1);
        return false;
    }
    if (Headless) {
        QString line = QStringLiteral("%1 Nachrichten gesichert in %2").arg(report.Saved).arg(folder);
        if (report.AlreadyThere > 0)
            line += QStringLiteral(" (%1 davon waren schon dort)").arg(report.AlreadyThere);
        PrintLine(line);
    }
    return true;
}

bool THaupt::SaveArrivalsBeforeErase()
{
    // The modem answers calls during the run: a message that came in after the first look would be
    // erased unsaved. Look again, save what came, and erase only once a look finds nothing new.
    for (int check = 0; check < kEraseChecks; ++check) {
        const MessageListData list = ReadMessageList(*Zarvo1);
        const bool readable = list.MessageCount >= 0 && list.Error.isEmpty() &&
                              std::none_of(list.Rows.begin(), list.Rows.end(),
                                           [](const MessageRow& r) { return EntryUnreadable(r); });
        if (!readable) {
            const QString text = NotErased(
                QStringLiteral("weil sein Verzeichnis vor dem Löschen nicht lesbar war") +
                (list.Error.isEmpty() ? QStringLiteral(".") : QStringLiteral(" (%1).").arg(list.Error)));
            Zarvo1->ShowStatus(text);
            Messages().error(kAppCaption, text);
            ExitStatus = std::max(ExitStatus, 1);
            return false;
        }
        const bool anyUnsaved = std::any_of(m_batchSavers.begin(), m_batchSavers.end(),
                                            [&](const auto& saver) { return !saver->Unsaved(list).empty(); });
        if (!anyUnsaved)
            return true;
        ShowList(list);
        for (const auto& saver : m_batchSavers) {
            const BatchSaveReport report = saver->SaveNew(list);
            if (!ReportBatchSave(report, saver->Folder())) {
                const QString text =
                    NotErased(QStringLiteral("weil nicht alle Nachrichten gesichert werden konnten."));
                Zarvo1->ShowStatus(text);
                Messages().warning(kAppCaption, text);
                return false;
            }
        }
    }
    const QString text =
        NotErased(QStringLiteral("weil während des Sicherns immer wieder neue Nachrichten eingingen."));
    Zarvo1->ShowStatus(text);
    Messages().error(kAppCaption, text);
    ExitStatus = std::max(ExitStatus, 1);
    return false;
}

} // namespace zarvo
