// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/BatchRun.h"

#include "common/MessageSeam.h"
#include "common/ProgramPaths.h"
#include "common/Targets.h"
#include "common/Wait.h"
#include "core/BatchArchive.h"
#include "core/BatchPdf.h"
#include "core/FaxRecognition.h"
#include "core/NewMessageCommand.h"
#include "core/OptionSequences.h"
#include "core/StartMode.h"
#include "core/StatusLogFile.h"
#include "core/archive/Archive.h"
#include "modem/Zarvo.h"
#include "ocr/FaxOcr.h"

#include <QThread>

#include <algorithm>
#include <exception>

namespace zarvo {

namespace {

// How often the directory is read again before an erase while calls keep coming in.
constexpr int kEraseChecks = 3;

QString NotErased(const QString& why)
{
    return QStringLiteral("Der Speicher des Modems wurde nicht gelöscht, ") + why;
}

} // namespace

// The modem component's conversation, kept for /LOG.
class BatchRun::LogTarget : public ReportTarget {
  public:
    explicit LogTarget(QStringList& lines) : m_lines(lines) {}
    void addLine(const QString& line) override { m_lines << line; }
    void clear() override { m_lines.clear(); }

  private:
    QStringList& m_lines;
};

BatchRun::BatchRun(TZarvo& zarvo, RunRequest request, QString settingsFile)
    : m_zarvo(zarvo), m_request(std::move(request)), m_settingsFile(std::move(settingsFile)),
      m_logTarget(std::make_unique<LogTarget>(m_log))
{
    m_zarvo.ReportMemo = m_logTarget.get();
    Summary = [this](const QString& line) { m_zarvo.ShowStatus(line); };
}

BatchRun::~BatchRun()
{
    m_zarvo.ReportMemo = nullptr;
}

void BatchRun::AddLogLine(const QString& line)
{
    m_log << line;
}

void BatchRun::Stop()
{
    // Every exchange after the one in progress is refused, so the run unwinds at once.
    m_stopped = true;
    m_zarvo.HeldOff = true;
    if (m_command)
        m_command->stop();
}

void BatchRun::Fail(int status)
{
    m_status = std::max(m_status, status);
}

void BatchRun::Error(const QString& text)
{
    if (!m_stopped)
        Messages().error(kAppCaption, text);
}

void BatchRun::Warning(const QString& text)
{
    if (!m_stopped)
        Messages().warning(kAppCaption, text);
}

int BatchRun::Run()
{
    LoadSettings(m_opts, m_settingsFile);
    m_archiveSettings = LoadArchiveSettings(m_settingsFile);
    if (m_opts.ComPort == 0) {
        // Nobody could answer the options dialog: say how to choose the port, and do nothing else.
        Messages().error(kAppCaption, NoPortMessage(m_settingsFile));
        return 2;
    }
    // What the run is doing, for the message should anything end it unexpectedly.
    QString step = QStringLiteral("beim Verbinden mit dem Modem");
    bool allSaved = true; // nothing is erased unless every message asked for was saved
    try {
        Connect();
        for (const QString& folder : m_request.saveFolders) {
            step = QStringLiteral("beim Sichern der Nachrichten in %1").arg(folder);
            allSaved = SaveInto(folder) && allSaved;
        }
        if (m_request.archive) {
            step = QStringLiteral("beim Archivieren der Nachrichten");
            allSaved = SaveIntoArchive() && allSaved;
        }
        if (m_request.erase && !m_stopped) {
            if (!allSaved) {
                const QString text =
                    NotErased(QStringLiteral("weil nicht alle Nachrichten gesichert werden konnten."));
                m_zarvo.ShowStatus(text);
                Warning(text);
            }
            else {
                step = QStringLiteral("beim Prüfen auf neue Nachrichten vor dem Löschen");
                if (m_savers.empty() || SaveArrivalsBeforeErase()) {
                    step = QStringLiteral("beim Löschen des Speichers");
                    Erase();
                }
            }
        }
    }
    catch (const std::exception& e) {
        // Whatever broke the sequence: the run still ends, says where, and erases nothing more.
        Fail(1);
        const QString text = QStringLiteral("Abbruch %1: %2").arg(step, QString::fromUtf8(e.what()));
        m_zarvo.ShowStatus(text);
        Error(m_request.erase ? text + u'\r' + NotErased(QStringLiteral("weil der Lauf abbrach.")) : text);
    }
    catch (...) {
        Fail(1);
        Error(QStringLiteral("Abbruch %1.").arg(step));
    }
    AfterNewMessages();
    Finish();
    return m_status;
}

void BatchRun::Connect()
{
    if (m_opts.ForcePort)
        m_zarvo.ForcePort(m_opts.ComPort);
    else
        m_zarvo.TestPort(m_opts.ComPort);
    TOpts current = m_opts;
    ApplyOptions(m_zarvo, current, m_opts);
    m_opts = current;
    // Why the port is unusable, before anything that fails because of it.
    if (!m_zarvo.PortProblem.isEmpty())
        StderrMessages().error(kAppCaption, m_zarvo.PortProblem);
}

bool BatchRun::SaveInto(const QString& folder)
{
    const QString problem = SaveFolderProblem(folder);
    if (!problem.isEmpty()) {
        Messages().warning(QStringLiteral("Warnung"), problem);
        Fail(2);
        return false;
    }
    auto saver = std::make_unique<BatchSaver>(m_zarvo, folder);
    if (m_request.pdf)
        saver->AddFaxWriter(PdfFaxWriter());
    return SaveAll(std::move(saver));
}

bool BatchRun::SaveIntoArchive()
{
    QString problem;
    m_archive = archive::Archive::open(m_archiveSettings.Folder(), m_archiveSettings.Index(), &problem);
    if (!m_archive) {
        Error(QStringLiteral("Das Archiv %1 kann nicht benutzt werden: %2")
                  .arg(m_archiveSettings.Folder(), problem));
        Fail(1);
        return false;
    }
    if (m_archive->indexRebuilt())
        Messages().information(kAppCaption, m_archive->rebuildNote());
    auto sink = std::make_unique<ArchiveSink>(*m_archive);
    m_archiveSink = sink.get();
    return SaveAll(std::make_unique<BatchSaver>(m_zarvo, std::move(sink)));
}

bool BatchRun::SaveAll(std::unique_ptr<BatchSaver> saver)
{
    const MessageListData list = ReadMessageList(m_zarvo);
    if (list.MessageCount < 0) {
        // Say what happened: no modem at all is not the same as a reply that could not be read.
        const QString why =
            !list.Error.isEmpty()
                ? QStringLiteral("die Antwort des Modems war nicht lesbar (%1).").arg(list.Error)
            : !m_zarvo.ModemFound ? QStringLiteral("kein Modem gefunden.")
                                  : QStringLiteral("das Modem hat nicht geantwortet.");
        Error(QStringLiteral("Die Nachrichten konnten nicht gelesen werden: ") + why);
        Fail(1);
        return false;
    }
    if (!list.Error.isEmpty())
        Error(list.Error);
    const BatchSaveReport report = saver->SaveNew(list);
    const QString place = saver->Folder();
    m_savers.push_back(std::move(saver));
    return ReportSave(report, place);
}

void BatchRun::AfterNewMessages()
{
    RunCommand();
    RecogniseNewFaxes();
}

void BatchRun::RecogniseNewFaxes()
{
    if (!m_archiveSink || !m_archiveSettings.recognition || m_stopped)
        return;
    std::vector<archive::ArchivedMessage> faxes;
    for (const auto& message : m_archiveSink->NewlyStored())
        if (message.kind == archive::MessageKind::Fax)
            faxes.push_back(message);
    if (faxes.empty())
        return;
    // Recognition adds to the archive only: whatever happens here, the run's outcome stays.
    OcrSettings settings;
    settings.languages = m_archiveSettings.languages.toStdString();
    FaxOcr ocr(settings);
    if (!ocr.unavailableReason().empty()) {
        m_zarvo.ShowStatus(QString::fromStdString(ocr.unavailableReason()));
        return;
    }
    FaxRecognition recognition(*m_archive, ocr);
    for (const auto& fax : faxes) {
        if (m_stopped)
            break;
        // Read on a thread of its own, so that the event loop goes on and a stop signal cancels the
        // page being read instead of waiting for every fax.
        FaxRecognitionResult result;
        const std::unique_ptr<QThread> reader(QThread::create([&] {
            try {
                result = recognition.recognise(fax);
            }
            catch (const std::exception& e) { // nothing may leave the thread: it would end the run
                result.outcome = FaxRecognitionResult::Failed;
                result.text = QStringLiteral("Texterkennung: %1").arg(QString::fromUtf8(e.what()));
            }
        }));
        bool done = false;
        QObject::connect(reader.get(), &QThread::finished, reader.get(), [&done] { done = true; });
        reader->start();
        WaitUntil([&] { return done || m_stopped; }, -1);
        if (!done)
            ocr.cancel(); // the fax stays unread, its files as they were
        reader->wait();
        m_zarvo.ShowStatus(result.text);
    }
}

void BatchRun::RunCommand()
{
    if (!m_archiveSink || m_archiveSink->NewlyStored().empty() ||
        m_archiveSettings.command.trimmed().isEmpty())
        return;
    // The command never changes what the run did with the messages: its failures are reported only.
    NewMessageCommand command(m_archiveSettings.command, m_archive->folder());
    if (!command.isValid()) {
        Messages().error(kAppCaption, command.error());
        return;
    }
    command.setOutputSink([this](const QString& line) { AddLogLine(line); });
    std::vector<NewMessageInfo> infos;
    for (const auto& message : m_archiveSink->NewlyStored())
        infos.push_back(NewMessageInfoFor(message));
    // A stop signal ends the command in progress and starts no other.
    m_command = &command;
    const std::vector<CommandResult> results =
        m_stopped ? std::vector<CommandResult>() : command.runAndWait(infos);
    m_command = nullptr;
    qsizetype notRun = qsizetype(infos.size() - results.size());
    for (const CommandResult& result : results) {
        if (result.outcome == CommandOutcome::Stopped)
            ++notRun;
        else if (!result.ok())
            Messages().error(kAppCaption, result.text);
    }
    if (notRun > 0)
        Messages().error(kAppCaption, QString::fromUtf8("Der Befehl „%1“ lief für %2 neue Nachrichten nicht "
                                                        "oder nicht zu Ende, weil der Lauf durch ein Signal "
                                                        "beendet wurde.")
                                          .arg(command.program())
                                          .arg(notRun));
}

bool BatchRun::ReportSave(const BatchSaveReport& report, const QString& folder)
{
    if (!report.AllSaved()) {
        for (const QString& problem : report.Problems)
            m_zarvo.ShowStatus(problem);
        Error(QStringLiteral("Nicht gesichert:\r") + report.Problems.join(QChar('\r')));
        Fail(1);
        return false;
    }
    QString line = QStringLiteral("%1 Nachrichten gesichert in %2").arg(report.Saved).arg(folder);
    if (report.AlreadyThere > 0)
        line += QStringLiteral(" (%1 davon waren schon dort)").arg(report.AlreadyThere);
    if (Summary)
        Summary(line);
    return true;
}

bool BatchRun::SaveArrivalsBeforeErase()
{
    // The modem answers calls during the run: a message that came in after the first look would be
    // erased unsaved. Look again, save what came, and erase only once a look finds nothing new.
    for (int check = 0; check < kEraseChecks && !m_stopped; ++check) {
        const MessageListData list = ReadMessageList(m_zarvo);
        const bool readable = list.MessageCount >= 0 && list.Error.isEmpty() &&
                              std::none_of(list.Rows.begin(), list.Rows.end(),
                                           [](const MessageRow& r) { return EntryUnreadable(r); });
        if (!readable) {
            const QString text = NotErased(
                QStringLiteral("weil sein Verzeichnis vor dem Löschen nicht lesbar war") +
                (list.Error.isEmpty() ? QStringLiteral(".") : QStringLiteral(" (%1).").arg(list.Error)));
            m_zarvo.ShowStatus(text);
            Error(text);
            Fail(1);
            return false;
        }
        const bool anyUnsaved = std::any_of(m_savers.begin(), m_savers.end(),
                                            [&](const auto& saver) { return !saver->Unsaved(list).empty(); });
        if (!anyUnsaved)
            return true;
        for (const auto& saver : m_savers) {
            if (!ReportSave(saver->SaveNew(list), saver->Folder())) {
                const QString text =
                    NotErased(QStringLiteral("weil nicht alle Nachrichten gesichert werden konnten."));
                m_zarvo.ShowStatus(text);
                Warning(text);
                return false;
            }
        }
    }
    if (m_stopped)
        return false;
    const QString text =
        NotErased(QStringLiteral("weil während des Sicherns immer wieder neue Nachrichten eingingen."));
    m_zarvo.ShowStatus(text);
    Error(text);
    Fail(1);
    return false;
}

void BatchRun::Erase()
{
    if (m_stopped)
        return;
    if (m_zarvo.ClearMemory() != 0) {
        Fail(1);
        Error(QStringLiteral("Der Speicher des Modems konnte nicht gelöscht werden."));
    }
    else {
        m_erased = true;
    }
}

void BatchRun::Finish()
{
    if (m_stopped) {
        Fail(1);
        // A signal after the erase (during the command or the recognition) must not deny it.
        Messages().error(kAppCaption,
                         m_erased ? QString::fromUtf8("Der Lauf wurde durch ein Signal beendet; der Speicher "
                                                      "des Modems war schon gelöscht, alles war gesichert.")
                                  : QString::fromUtf8("Der Lauf wurde durch ein Signal beendet; der Speicher "
                                                      "des Modems wurde nicht gelöscht."));
    }
    // The modem is left as the run left it: the connection at the start wrote its self-mode options.
    if (m_zarvo.Busy)
        Fail(1);
    if (m_request.log) {
        try {
            SaveStatusLog(m_log.join(u'\n'), ProgramPaths::logFile());
        }
        catch (const std::exception& e) {
            ShowException(e);
        }
    }
}

} // namespace zarvo
