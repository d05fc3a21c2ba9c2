// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/archive/ArchiveTypes.h"

#include <QDateTime>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QProcess;
class QTimer;

namespace zarvo {

// The user's command for each newly stored message: a program with arguments, run without a shell.
// Message data reaches the program only through environment variables, never its argument list.

// The command is told the archive's kind of the message.
using NewMessageKind = archive::MessageKind;

// One newly stored message as the archive describes it to the command.
struct NewMessageInfo {
    NewMessageKind kind = NewMessageKind::Unknown;
    QString id;     // the archive's identity of the message
    QString caller; // as the modem reported it; may be anything
    QDateTime received;
    QString file;     // the WAV, TIFF or DAT file
    QString pdf;      // fax only
    int seconds = -1; // voice: length; < 0 leaves ZARVO_SECONDS out
    int pages = -1;   // fax: page count; < 0 leaves ZARVO_PAGES out
};

// A command line split into words the way a shell splits them (quotes, backslashes), nothing more.
struct CommandWords {
    QStringList words; // words[0] is the program
    QString error;     // German reason when the text cannot be used; empty when fine
    bool ok() const { return error.isEmpty(); }
};
CommandWords SplitCommandLine(const QString& text);

// The environment of one run: base (normally the program's own) plus the ZARVO_ variables of info.
QProcessEnvironment NewMessageEnvironment(const NewMessageInfo& info, const QProcessEnvironment& base);

enum class CommandOutcome {
    Success,        // exit status 0
    ExitStatus,     // another exit status (code)
    Signalled,      // ended by a signal it did not get from us (code = signal number)
    TimedOut,       // over the time limit: ended by SIGTERM, SIGKILL after the grace period
    Stopped,        // ended by stop() as a time-out ends it
    NotFound,       // no such program
    NotExecutable,  // found, but not an executable file
    InvalidCommand, // the setting cannot be split into words
    StartFailed,    // the system refused to start it
};

struct CommandResult {
    QString messageId;
    CommandOutcome outcome = CommandOutcome::Success;
    int code = 0; // exit status or signal number
    QString text; // German, names the program: for stderr or the status line
    bool ok() const { return outcome == CommandOutcome::Success; }
};

// Runs the command for one message after another (a queue; never two at once), each for at most
// timeLimit, in its own process group so that on a time-out the programs it started end as well.
// What the command does or returns never changes what happened to the message.
class NewMessageCommand : public QObject {
    Q_OBJECT
  public:
    static constexpr std::chrono::milliseconds kDefaultTimeLimit{60000};
    static constexpr std::chrono::milliseconds kDefaultGrace{5000};

    // commandLine: the setting's value; workingDir: the archive folder (the run's working folder).
    NewMessageCommand(const QString& commandLine, const QString& workingDir, QObject* parent = nullptr);
    ~NewMessageCommand() override; // ends a running command's process group

    bool isValid() const { return m_words.ok(); }
    QString error() const { return m_words.error; } // German reason when not valid
    QString program() const { return m_words.words.value(0); }

    void setTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }
    void setGracePeriod(std::chrono::milliseconds grace) { m_grace = grace; }
    void setBaseEnvironment(const QProcessEnvironment& env) { m_baseEnv = env; }
    // Receives the command's standard output and error, merged, one line at a time (the status log).
    void setOutputSink(std::function<void(const QString&)> sink) { m_sink = std::move(sink); }

    // Queues a run; returns at once. jobFinished follows for each, in order; idle when none is left.
    void enqueue(const NewMessageInfo& info);
    bool isIdle() const { return !m_running && m_queue.empty() && !m_startPending; }
    // Drops the queued runs and ends the one in progress as a time-out does (SIGTERM to its group,
    // SIGKILL after the grace period): for a program asked to end. Returns at once.
    void stop();

    // Queues the runs and processes events until all have ended (batch runs). Never longer than the
    // time limits allow.
    std::vector<CommandResult> runAndWait(const std::vector<NewMessageInfo>& infos);

  signals:
    void jobFinished(const zarvo::CommandResult& result);
    void idle();

  private:
    void startNext();
    void finishRunning(CommandOutcome outcome, int code);
    void complete(CommandResult result);
    void readOutput();
    void flushOutput();
    void emitLine(const QString& line);
    void onTimeLimit();
    void signalGroup(int signal);

    CommandWords m_words;
    QString m_workingDir;
    std::chrono::milliseconds m_timeLimit = kDefaultTimeLimit;
    std::chrono::milliseconds m_grace = kDefaultGrace;
    QProcessEnvironment m_baseEnv;
    std::function<void(const QString&)> m_sink;

    std::deque<NewMessageInfo> m_queue;
    bool m_startPending = false;
    std::unique_ptr<QProcess> m_running;
    QString m_runningId;
    qint64 m_group = 0; // process group of the running command
    bool m_timedOut = false;
    bool m_stopping = false; // stop() ends the running command
    QTimer* m_limitTimer = nullptr;
    QTimer* m_graceTimer = nullptr;
    QByteArray m_partial; // output after the last line end
    int m_linesShown = 0;
};

} // namespace zarvo
