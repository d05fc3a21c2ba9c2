// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ArchiveSettings.h"
#include "core/BatchSave.h"
#include "core/RunRequest.h"
#include "core/Settings.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace zarvo {

class TZarvo;
class ArchiveSink;
class NewMessageCommand;
namespace archive {
class Archive;
}

// A run that only saves and erases (/STP, /DELETE): connects to the modem from the settings, saves
// every message into each folder (and with /ARCHIV into the archive), looks at the directory again
// before erasing, erases only when everything is saved and on disk, then runs the command for each
// newly archived message, writes the status log with /LOG, and returns the exit status: 0 all done,
// 1 something asked for failed (nothing erased after it) or the erase failed, 2 a folder or the
// settings unusable. No window, no display, no session bus: messages go through the message seam
// (standard error in a batch run). A run that did everything is silent: its summary goes into the
// status log (and with /LOG into the log file), so cron mails only what went wrong.
class BatchRun {
  public:
    // `settingsFile`: ZARVO2.ini. The run reports the modem's conversation into its own log.
    BatchRun(TZarvo& zarvo, RunRequest request, QString settingsFile);
    ~BatchRun();
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    int Run();

    // A stop signal: the exchange in progress ends, nothing more is saved and nothing is erased.
    void Stop();
    bool Stopped() const { return m_stopped; }

    // A line for the status log (Qt's own notices arrive here too).
    void AddLogLine(const QString& line);
    const QStringList& Log() const { return m_log; }

    // Where the one-line summary of each saved folder goes (the status log by default).
    std::function<void(const QString& line)> Summary;

  private:
    class LogTarget;

    void Connect();
    bool SaveInto(const QString& folder);
    bool SaveIntoArchive();
    // Reads the directory and saves every message with `saver`; false when not all were saved.
    bool SaveAll(std::unique_ptr<BatchSaver> saver);
    // What follows the erase decision for the messages new in the archive: the user's command,
    // then the text recognition of new faxes (so their text is searchable when the run ends).
    void AfterNewMessages();
    void RunCommand();
    void RecogniseNewFaxes();
    bool ReportSave(const BatchSaveReport& report, const QString& folder);
    bool SaveArrivalsBeforeErase();
    void Erase();
    void Finish();
    void Fail(int status);
    // A message for the user, unless a stop signal ended the run (the modem is not to blame then).
    void Error(const QString& text);
    void Warning(const QString& text);

    TZarvo& m_zarvo;
    RunRequest m_request;
    QString m_settingsFile;
    TOpts m_opts;
    ArchiveSettings m_archiveSettings;
    std::unique_ptr<archive::Archive> m_archive;
    ArchiveSink* m_archiveSink = nullptr; // owned by its saver in m_savers
    std::unique_ptr<LogTarget> m_logTarget;
    QStringList m_log;
    std::vector<std::unique_ptr<BatchSaver>> m_savers; // one per /STP folder
    NewMessageCommand* m_command = nullptr;            // while the command for new messages runs
    int m_status = 0;
    bool m_stopped = false;
    bool m_erased = false;
};

} // namespace zarvo
