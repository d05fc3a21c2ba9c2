// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/InstanceChannel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <cstdio>

namespace zarvo {

namespace {

// The lock and the socket are the user's alone.
void MakeFolder(const QString& folder)
{
    if (QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void SendLine(QLocalSocket* socket, const char* line)
{
    socket->write(QByteArray(line) + '\n');
    socket->flush();
}

} // namespace

// --- InstanceServer ---

InstanceServer::InstanceServer(Role role, QObject* parent) : HoldRequests(parent), m_role(role)
{
    m_heartbeat.setInterval(500);
    connect(&m_heartbeat, &QTimer::timeout, this, &InstanceServer::Heartbeat);
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::Listen(const QString& socketPath)
{
    delete m_server;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::Accept);
    return m_server->listen(socketPath);
}

namespace {
// Set on a connection once it sent a whole line: it is no longer idle.
const char kSpoke[] = "zarvoSpoke";
} // namespace

void InstanceServer::Accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // Requests are one short line: a client cannot make the buffer grow.
        socket->setReadBufferSize(4 * InstanceProtocol::kMaxLine);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { Gone(socket); });
        QTimer::singleShot(IdleLimitMs, socket, [this, socket] {
            if (!socket->property(kSpoke).toBool())
                Drop(socket);
        });
        if (socket->bytesAvailable() > 0)
            Read(socket);
    }
}

void InstanceServer::Drop(QLocalSocket* socket)
{
    disconnect(socket, nullptr, this, nullptr);
    Gone(socket);
    socket->abort();
}

void InstanceServer::Read(QLocalSocket* socket)
{
    for (;;) {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > InstanceProtocol::kMaxLine)
                Drop(socket);
            return;
        }
        const QByteArray raw = socket->readLine(4 * InstanceProtocol::kMaxLine + 1);
        if (raw.size() > InstanceProtocol::kMaxLine + 2) // a CR and a LF at most besides the request
            return Drop(socket);
        socket->setProperty(kSpoke, true);
        const QByteArray line = raw.trimmed();
        if (m_role == Role::Batch) {
            SendLine(socket, InstanceProtocol::kBatch);
        }
        else if (line == InstanceProtocol::kShow || line == InstanceProtocol::kPresent) {
            if (line == InstanceProtocol::kShow)
                emit ShowRequested();
            SendLine(socket, InstanceProtocol::kShown);
        }
        else if (line.startsWith(InstanceProtocol::kOpen)) {
            const QString path = QString::fromUtf8(line.mid(int(sizeof(InstanceProtocol::kOpen)) - 1));
            if (path.startsWith(u'/'))
                emit OpenRequested(path);
            SendLine(socket, InstanceProtocol::kShown);
        }
        else if (line == InstanceProtocol::kHold && !m_holders.contains(socket)) {
            m_holders << socket;
            SendLine(socket, InstanceProtocol::kWait);
            m_heartbeat.start();
            if (m_holders.size() == 1)
                emit HoldRequested();
        }
    }
}

void InstanceServer::Gone(QLocalSocket* socket)
{
    const qsizetype index = m_holders.indexOf(socket);
    socket->deleteLater();
    if (index < 0)
        return;
    m_holders.removeAt(index);
    if (m_holders.isEmpty()) {
        m_granted = false;
        m_heartbeat.stop();
        emit HoldEnded();
    }
    else if (index == 0 && m_granted) {
        // The modem stays held off: the next batch run in line may go on at once.
        SendLine(m_holders.front(), InstanceProtocol::kHeld);
    }
}

void InstanceServer::Grant()
{
    if (m_holders.isEmpty() || m_granted)
        return;
    m_granted = true;
    SendLine(m_holders.front(), InstanceProtocol::kHeld);
}

void InstanceServer::Heartbeat()
{
    // A client that does not read would have its WAIT lines pile up here: the next one goes only
    // when the last one left.
    for (qsizetype i = m_granted ? 1 : 0; i < m_holders.size(); ++i)
        if (m_holders[i]->bytesToWrite() == 0)
            SendLine(m_holders[i], InstanceProtocol::kWait);
}

// --- HoldOffClient ---

HoldOffClient::HoldOffClient(QObject* parent) : QObject(parent) {}

HoldOffClient::~HoldOffClient() = default;

HoldOffClient::Answer HoldOffClient::Ask(const QString& socketPath, const QByteArray& request, int answerMs)
{
    m_socket = std::make_unique<QLocalSocket>();
    m_socket->connectToServer(socketPath);
    if (!m_socket->waitForConnected(answerMs)) {
        m_socket.reset();
        return Answer::NoOwner;
    }
    Answer answer = Answer::NoAnswer;
    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    connect(&silence, &QTimer::timeout, &loop, &QEventLoop::quit);
    auto finish = [&](Answer a) {
        answer = a;
        loop.quit();
    };
    auto read = [&] {
        while (m_socket->canReadLine()) {
            const QByteArray line = m_socket->readLine().trimmed();
            if (line == InstanceProtocol::kWait)
                silence.start(answerMs);
            else if (line == InstanceProtocol::kHeld)
                return finish(Answer::Held);
            else if (line == InstanceProtocol::kShown)
                return finish(Answer::Shown);
            else if (line == InstanceProtocol::kBatch)
                return finish(Answer::Batch);
        }
    };
    connect(m_socket.get(), &QLocalSocket::readyRead, &loop, read);
    connect(m_socket.get(), &QLocalSocket::disconnected, &loop, [&] { finish(Answer::NoAnswer); });
    m_abort = [&] { finish(Answer::Interrupted); };
    m_socket->write(request + '\n');
    m_socket->flush();
    silence.start(answerMs);
    loop.exec();
    m_abort = {};
    disconnect(m_socket.get(), nullptr, &loop, nullptr);
    if (answer != Answer::Held)
        m_socket.reset();
    return answer;
}

void HoldOffClient::Abort()
{
    if (m_abort)
        m_abort();
}

void HoldOffClient::Release()
{
    m_socket.reset();
}

// --- UserInstance ---

UserInstance::UserInstance(const QString& folder, QObject* parent)
    : QObject(parent), m_folder(folder), m_lock(folder + QStringLiteral("/zarvo.lock"))
{
    // Only a lock whose program no longer runs is stale; a long session is no reason.
    m_lock.setStaleLockTime(0);
}

UserInstance::~UserInstance() = default;

QString UserInstance::SocketPath() const
{
    return m_folder + QStringLiteral("/zarvo.sock");
}

QString UserInstance::LockPath() const
{
    return m_lock.fileName();
}

bool UserInstance::Own(InstanceServer::Role role)
{
    if (!m_lock.tryLock(0))
        return false;
    m_server = std::make_unique<InstanceServer>(role);
    // Without the socket the lock alone still keeps a second run off the modem.
    m_server->Listen(SocketPath());
    return true;
}

namespace {

QString Holder(const QLockFile& lock)
{
    qint64 pid = 0;
    QString host, app;
    return lock.getLockInfo(&pid, &host, &app) ? QStringLiteral(" (Prozess %1)").arg(pid) : QString();
}

} // namespace

bool UserInstance::HandOver(const QStringList& files, int answerMs)
{
    bool all = true;
    for (const QString& file : files) {
        // One line per request: a path with a line break cannot travel, and is not a fax file name.
        if (file.contains(u'\n') || file.contains(u'\r')) {
            all = false;
            continue;
        }
        const QByteArray request = QByteArray(InstanceProtocol::kOpen) + file.toUtf8();
        all = m_client.Ask(SocketPath(), request, answerMs) == HoldOffClient::Answer::Shown && all;
    }
    return all;
}

UserInstance::Outcome UserInstance::StartDesktop(bool askToShow, int answerMs)
{
    MakeFolder(m_folder);
    QElapsedTimer silent;
    silent.start();
    QElapsedTimer batch;
    // The wait window goes whichever way this start ends.
    struct WaitShown {
        std::function<void(bool)>& tell;
        bool shown = false;
        ~WaitShown()
        {
            if (shown && tell)
                tell(false);
        }
    } waiting{BatchWait};
    while (!m_aborted) {
        if (Own(InstanceServer::Role::Desktop))
            return Outcome::Owner;
        const HoldOffClient::Answer answer = m_client.Ask(
            SocketPath(), askToShow ? InstanceProtocol::kShow : InstanceProtocol::kPresent, 1000);
        if (answer == HoldOffClient::Answer::Shown)
            return Outcome::ShownOther;
        if (answer == HoldOffClient::Answer::Batch) {
            // A batch run saves the messages right now; the desktop program starts when it is done.
            if (!waiting.shown) {
                std::fprintf(stderr, "%s\n",
                             QString::fromUtf8("zarvo: Ein Stapellauf arbeitet gerade mit dem Modem; Zarvo "
                                               "startet, sobald er fertig ist.")
                                 .toLocal8Bit()
                                 .constData());
                waiting.shown = true;
                batch.start();
                if (BatchWait)
                    BatchWait(true);
            }
            else if (batch.elapsed() >= BatchWaitLimitMs) {
                m_message = QString::fromUtf8("Ein Stapellauf von Zarvo%1 arbeitet seit %2 Minuten mit dem "
                                              "Modem und ist noch nicht fertig. Zarvo startet nicht; "
                                              "versuchen Sie es später noch einmal.")
                                .arg(Holder(m_lock))
                                .arg(BatchWaitLimitMs / 60000);
                return Outcome::Refused;
            }
            silent.restart();
        }
        else if (silent.elapsed() >= answerMs) {
            m_message = QString::fromUtf8("Zarvo läuft bereits%1, antwortet aber nicht. Das Modem wird nicht "
                                          "geöffnet; beenden Sie das laufende Programm oder warten Sie.")
                            .arg(Holder(m_lock));
            return Outcome::Refused;
        }
        QEventLoop pause;
        QTimer::singleShot(answer == HoldOffClient::Answer::Batch ? 500 : 200, &pause, &QEventLoop::quit);
        pause.exec();
    }
    m_message = QStringLiteral("Abgebrochen.");
    return Outcome::Refused;
}

UserInstance::Outcome UserInstance::StartBatch(int answerMs)
{
    MakeFolder(m_folder);
    QElapsedTimer silent;
    silent.start();
    const QString nothing = QString::fromUtf8(" Es wurde nichts gesichert und nichts gelöscht.");
    while (!m_aborted) {
        if (Own(InstanceServer::Role::Batch))
            return Outcome::Owner;
        const HoldOffClient::Answer answer = m_client.Ask(SocketPath(), InstanceProtocol::kHold, answerMs);
        switch (answer) {
        case HoldOffClient::Answer::Held:
            return Outcome::HeldOther;
        case HoldOffClient::Answer::Batch:
            m_message = QString::fromUtf8("Ein anderer Stapellauf von Zarvo%1 arbeitet gerade mit dem Modem.")
                            .arg(Holder(m_lock)) +
                        nothing;
            return Outcome::Refused;
        case HoldOffClient::Answer::Interrupted:
            m_message = QString::fromUtf8("Abgebrochen, bevor das Modem frei war.") + nothing;
            return Outcome::Refused;
        case HoldOffClient::Answer::NoAnswer:
        case HoldOffClient::Answer::Shown:
        case HoldOffClient::Answer::NoOwner:
            break;
        }
        // Nobody listens yet (the owner is starting or has just ended): try again until the time is
        // up. An owner that listens but stays silent is not asked twice.
        if (answer != HoldOffClient::Answer::NoOwner || silent.elapsed() >= answerMs) {
            m_message = QString::fromUtf8("Zarvo läuft bereits%1, hat aber nicht innerhalb von %2 Sekunden "
                                          "zugestimmt, das Modem freizugeben.")
                            .arg(Holder(m_lock))
                            .arg(answerMs / 1000) +
                        nothing;
            return Outcome::Refused;
        }
        QEventLoop pause;
        QTimer::singleShot(200, &pause, &QEventLoop::quit);
        pause.exec();
    }
    m_message = QString::fromUtf8("Abgebrochen, bevor das Modem frei war.") + nothing;
    return Outcome::Refused;
}

} // namespace zarvo
