// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/NewMessageCommand.h"

#include "common/Wait.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace zarvo {

namespace {

// A line longer than this is passed on in pieces; more lines than this per run are left out, so a
// chatty program cannot flood the status log.
constexpr int kMaxLineBytes = 4096;
constexpr int kMaxLines = 200;

const char* const kVariables[] = {"ZARVO_KIND", "ZARVO_CALLER", "ZARVO_RECEIVED", "ZARVO_FILE",
                                  "ZARVO_PDF",  "ZARVO_ID",     "ZARVO_SECONDS",  "ZARVO_PAGES"};

// An environment value cannot hold NUL, and control characters only confuse scripts and logs.
QString Printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (c.unicode() >= 0x20 && c.unicode() != 0x7f)
            out += c;
    return out;
}

QString IsoWithOffset(const QDateTime& time)
{
    if (!time.isValid())
        return {};
    QString text = time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
    if (text.endsWith(QLatin1Char('Z'))) {
        text.chop(1);
        text += QStringLiteral("+00:00");
    }
    return text;
}

QString Quoted(const QString& program)
{
    return QString::fromUtf8("„%1“").arg(program);
}

// Where the program is, as the shell would find it: a name with a slash relative to the working
// folder, a bare name along PATH.
struct Resolved {
    QString path;
    CommandOutcome failure = CommandOutcome::Success;
};

Resolved ResolveProgram(const QString& program, const QString& workingDir, const QProcessEnvironment& env)
{
    const auto check = [](const QString& path) {
        const QFileInfo info(path);
        if (!info.exists())
            return CommandOutcome::NotFound;
        if (info.isDir() || !info.isExecutable())
            return CommandOutcome::NotExecutable;
        return CommandOutcome::Success;
    };
    if (program.contains(QLatin1Char('/'))) {
        const QString path = QDir(workingDir).absoluteFilePath(program);
        return {path, check(path)};
    }
    Resolved best{{}, CommandOutcome::NotFound};
    for (const QString& dir : env.value(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString path = QDir(dir).absoluteFilePath(program);
        const CommandOutcome found = check(path);
        if (found == CommandOutcome::Success)
            return {path, found};
        if (found == CommandOutcome::NotExecutable)
            best = {path, found};
    }
    return best;
}

QString OutcomeText(CommandOutcome outcome, const QString& program, int code, std::chrono::milliseconds limit)
{
    switch (outcome) {
    case CommandOutcome::Success:
        return QString::fromUtf8("Befehl %1 ausgeführt.").arg(Quoted(program));
    case CommandOutcome::ExitStatus:
        return QString::fromUtf8("Befehl %1 endete mit Status %2.").arg(Quoted(program)).arg(code);
    case CommandOutcome::Signalled:
        return QString::fromUtf8("Befehl %1 wurde durch Signal %2 beendet.").arg(Quoted(program)).arg(code);
    case CommandOutcome::TimedOut:
        return QString::fromUtf8("Befehl %1 nach %2 s abgebrochen (Zeitlimit).")
            .arg(Quoted(program))
            .arg((limit.count() + 999) / 1000);
    case CommandOutcome::Stopped:
        return QString::fromUtf8("Befehl %1 abgebrochen, weil Zarvo beendet wird.").arg(Quoted(program));
    case CommandOutcome::NotFound:
        return QString::fromUtf8("Befehl %1 nicht gefunden.").arg(Quoted(program));
    case CommandOutcome::NotExecutable:
        return QString::fromUtf8("Befehl %1 ist nicht ausführbar.").arg(Quoted(program));
    case CommandOutcome::InvalidCommand:
        break;
    case CommandOutcome::StartFailed:
        return QString::fromUtf8("Befehl %1 konnte nicht gestartet werden.").arg(Quoted(program));
    }
    return {};
}

// Runs in the child between fork and exec: its own process group, so that a time-out reaches
// everything it starts; and the default handling of the signals the desktop program blocks or
// ignores, which a child would otherwise inherit (a blocked SIGTERM could not end it).
void PrepareChild()
{
    ::setpgid(0, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD})
        sigaction(sig, &dfl, nullptr);
}

} // namespace

CommandWords SplitCommandLine(const QString& text)
{
    CommandWords out;
    const auto fail = [&out](const QString& reason) {
        out.words.clear();
        out.error = reason;
        return out;
    };
    enum class Quote { None, Single, Double } quote = Quote::None;
    QString word;
    bool inWord = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quote == Quote::Single) {
            if (c == QLatin1Char('\''))
                quote = Quote::None;
            else
                word += c;
            continue;
        }
        if (quote == Quote::Double) {
            if (c == QLatin1Char('"')) {
                quote = Quote::None;
            }
            else if (c == QLatin1Char('\\') && i + 1 < n &&
                     QStringLiteral("$`\"\\\n").contains(text[i + 1])) {
                ++i;
                if (text[i] != QLatin1Char('\n'))
                    word += text[i];
            }
            else {
                word += c;
            }
            continue;
        }
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r')) {
            if (inWord)
                out.words << word;
            word.clear();
            inWord = false;
        }
        else if (c == QLatin1Char('\\')) {
            if (i + 1 >= n)
                return fail(QString::fromUtf8("Der Befehl endet mit einem einzelnen „\\“."));
            ++i;
            if (text[i] != QLatin1Char('\n')) {
                word += text[i];
                inWord = true;
            }
        }
        else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c == QLatin1Char('\'') ? Quote::Single : Quote::Double;
            inWord = true;
        }
        else if (QStringLiteral("|;&<>`$").contains(c)) {
            // Without a shell these would silently become plain text; say so instead.
            return fail(QString::fromUtf8("„%1“ ohne Anführungszeichen: Der Befehl läuft ohne Shell, "
                                          "Umleitungen, Pipes und Variablen gehören in ein Skript.")
                            .arg(c));
        }
        else if (c == QLatin1Char('~') && !inWord) {
            return fail(QString::fromUtf8("„~“ wird nicht ersetzt, bitte den vollständigen Pfad angeben."));
        }
        else {
            word += c;
            inWord = true;
        }
    }
    if (quote == Quote::Single)
        return fail(QString::fromUtf8("Ein einfaches Anführungszeichen (') ist nicht geschlossen."));
    if (quote == Quote::Double)
        return fail(QString::fromUtf8("Ein doppeltes Anführungszeichen (\") ist nicht geschlossen."));
    if (inWord)
        out.words << word;
    if (out.words.isEmpty())
        return fail(QString::fromUtf8("Kein Programm angegeben."));
    return out;
}

QProcessEnvironment NewMessageEnvironment(const NewMessageInfo& info, const QProcessEnvironment& base)
{
    QProcessEnvironment env = base;
    for (const char* name : kVariables) // nothing of another message leaks in from outside
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("ZARVO_KIND"), archive::kindText(info.kind));
    env.insert(QStringLiteral("ZARVO_CALLER"), Printable(info.caller));
    env.insert(QStringLiteral("ZARVO_RECEIVED"), IsoWithOffset(info.received));
    env.insert(QStringLiteral("ZARVO_FILE"), info.file);
    env.insert(QStringLiteral("ZARVO_ID"), Printable(info.id));
    if (info.kind == NewMessageKind::Fax && !info.pdf.isEmpty())
        env.insert(QStringLiteral("ZARVO_PDF"), info.pdf);
    if (info.seconds >= 0)
        env.insert(QStringLiteral("ZARVO_SECONDS"), QString::number(info.seconds));
    if (info.pages >= 0)
        env.insert(QStringLiteral("ZARVO_PAGES"), QString::number(info.pages));
    return env;
}

NewMessageCommand::NewMessageCommand(const QString& commandLine, const QString& workingDir, QObject* parent)
    : QObject(parent), m_words(SplitCommandLine(commandLine)), m_workingDir(workingDir),
      m_baseEnv(QProcessEnvironment::systemEnvironment()), m_limitTimer(new QTimer(this)),
      m_graceTimer(new QTimer(this))
{
    m_limitTimer->setSingleShot(true);
    m_graceTimer->setSingleShot(true);
    connect(m_limitTimer, &QTimer::timeout, this, &NewMessageCommand::onTimeLimit);
    connect(m_graceTimer, &QTimer::timeout, this, [this] { signalGroup(SIGKILL); });
}

NewMessageCommand::~NewMessageCommand()
{
    if (m_running) {
        m_running->disconnect(this);
        signalGroup(SIGKILL);
        m_running->waitForFinished(1000);
    }
}

void NewMessageCommand::enqueue(const NewMessageInfo& info)
{
    m_queue.push_back(info);
    if (!m_running && !m_startPending) {
        // Started from the event loop, so that jobFinished never arrives inside enqueue().
        m_startPending = true;
        QMetaObject::invokeMethod(this, &NewMessageCommand::startNext, Qt::QueuedConnection);
    }
}

void NewMessageCommand::startNext()
{
    m_startPending = false;
    if (m_running)
        return;
    if (m_queue.empty()) {
        emit idle();
        return;
    }
    const NewMessageInfo info = m_queue.front();
    m_queue.pop_front();
    m_runningId = info.id;
    if (!m_words.ok()) {
        complete({info.id, CommandOutcome::InvalidCommand, 0,
                  QString::fromUtf8("Befehl für neue Nachrichten ungültig: %1").arg(m_words.error)});
        return;
    }
    const QProcessEnvironment env = NewMessageEnvironment(info, m_baseEnv);
    const Resolved resolved = ResolveProgram(program(), m_workingDir, env);
    if (resolved.failure != CommandOutcome::Success) {
        complete({info.id, resolved.failure, 0, OutcomeText(resolved.failure, program(), 0, m_timeLimit)});
        return;
    }

    m_running = std::make_unique<QProcess>();
    m_timedOut = false;
    m_stopping = false;
    m_group = 0;
    m_partial.clear();
    m_linesShown = 0;
    QProcess* process = m_running.get();
    process->setProgram(resolved.path);
    process->setArguments(m_words.words.mid(1));
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(m_workingDir);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setChildProcessModifier(PrepareChild);
    connect(process, &QProcess::started, this, [this, process] { m_group = process->processId(); });
    connect(process, &QProcess::readyReadStandardOutput, this, &NewMessageCommand::readOutput);
    connect(process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        if (m_stopping)
            finishRunning(CommandOutcome::Stopped, 0);
        else if (m_timedOut)
            finishRunning(CommandOutcome::TimedOut, 0);
        else if (status == QProcess::CrashExit)
            finishRunning(CommandOutcome::Signalled, code);
        else
            finishRunning(code == 0 ? CommandOutcome::Success : CommandOutcome::ExitStatus, code);
    });
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finishRunning(CommandOutcome::StartFailed, 0);
    });
    m_limitTimer->start(m_timeLimit);
    process->start();
}

void NewMessageCommand::onTimeLimit()
{
    if (!m_running)
        return;
    m_timedOut = true;
    signalGroup(SIGTERM);
    m_graceTimer->start(m_grace);
}

void NewMessageCommand::stop()
{
    m_queue.clear();
    if (!m_running || m_timedOut || m_stopping)
        return;
    m_stopping = true;
    m_limitTimer->stop();
    signalGroup(SIGTERM);
    m_graceTimer->start(m_grace);
}

void NewMessageCommand::signalGroup(int signal)
{
    if (m_group > 0 && ::kill(static_cast<pid_t>(-m_group), signal) == 0)
        return;
    // No group to reach (not started yet, or it could not make one): the command itself at least.
    const qint64 pid = m_running ? m_running->processId() : 0;
    if (pid > 0) // never 0: that would signal our own process group
        ::kill(static_cast<pid_t>(pid), signal);
}

void NewMessageCommand::finishRunning(CommandOutcome outcome, int code)
{
    m_limitTimer->stop();
    m_graceTimer->stop();
    // After a time-out or a stop nothing the command started may stay behind.
    if (m_timedOut || m_stopping)
        signalGroup(SIGKILL);
    readOutput();
    flushOutput();
    QProcess* process = m_running.release();
    process->disconnect(this);
    process->deleteLater(); // we are inside one of its signals
    m_group = 0;
    complete({m_runningId, outcome, code, OutcomeText(outcome, program(), code, m_timeLimit)});
}

void NewMessageCommand::complete(CommandResult result)
{
    m_runningId.clear();
    emit jobFinished(result);
    if (!m_running && !m_startPending) {
        m_startPending = true;
        QMetaObject::invokeMethod(this, &NewMessageCommand::startNext, Qt::QueuedConnection);
    }
}

void NewMessageCommand::readOutput()
{
    if (!m_running)
        return;
    m_partial += m_running->readAllStandardOutput();
    qsizetype end;
    while ((end = m_partial.indexOf('\n')) >= 0 || m_partial.size() >= kMaxLineBytes) {
        const qsizetype take = end >= 0 && end < kMaxLineBytes ? end : kMaxLineBytes;
        emitLine(QString::fromUtf8(m_partial.left(take)));
        m_partial.remove(0, take + (take == end ? 1 : 0));
    }
}

void NewMessageCommand::flushOutput()
{
    if (!m_partial.isEmpty())
        emitLine(QString::fromUtf8(m_partial));
    m_partial.clear();
}

void NewMessageCommand::emitLine(const QString& line)
{
    ++m_linesShown;
    if (!m_sink || m_linesShown > kMaxLines + 1)
        return;
    if (m_linesShown == kMaxLines + 1) {
        m_sink(QString::fromUtf8("(weitere Ausgabe von %1 ausgelassen)").arg(Quoted(program())));
        return;
    }
    QString text = line;
    if (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    m_sink(text);
}

std::vector<CommandResult> NewMessageCommand::runAndWait(const std::vector<NewMessageInfo>& infos)
{
    std::vector<CommandResult> results;
    const QMetaObject::Connection collect =
        connect(this, &NewMessageCommand::jobFinished, this,
                [&results](const CommandResult& r) { results.push_back(r); });
    for (const NewMessageInfo& info : infos)
        enqueue(info);
    // Each run ends by its time limit; the bound only guards against a process that SIGKILL cannot end.
    const qint64 perJob = (m_timeLimit + 2 * m_grace).count() + 1000;
    WaitUntil([this] { return isIdle(); }, perJob * static_cast<qint64>(m_queue.size() + 1));
    disconnect(collect);
    return results;
}

} // namespace zarvo
