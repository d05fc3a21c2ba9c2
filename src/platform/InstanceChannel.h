// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/HoldRequests.h"

#include <QByteArray>
#include <QList>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

// One Zarvo per user. The lock file "zarvo.lock" names the run that owns the modem; its local socket
// "zarvo.sock" (both in the user's runtime folder) answers the others, a line per request:
//   "SHOW"  a second desktop start: the owner brings its window forward and answers "SHOWN";
//   "HOLD"  a batch run beside the desktop program: the owner answers "WAIT" twice a second until
//           the modem is free and held off (no command, no poll, port closed), then "HELD"; the hold
//           lasts until the batch run closes the connection (also when it dies);
//   "OPEN <path>"  a start with a fax file (a file manager's "open with"): the owner shows the file
//           in a fax window and answers "SHOWN";
//   a batch run that owns the lock answers every request with "BATCH".
// A line longer than kMaxLine, or a client silent for IdleLimitMs after connecting, is dropped; a
// waiting client that does not read its WAIT lines gets no more of them until it does.
namespace zarvo {

namespace InstanceProtocol {
inline constexpr char kShow[] = "SHOW";
inline constexpr char kPresent[] = "PRESENT"; // like SHOW, but the window stays where it is
inline constexpr char kShown[] = "SHOWN";
inline constexpr char kHold[] = "HOLD";
inline constexpr char kWait[] = "WAIT";
inline constexpr char kHeld[] = "HELD";
inline constexpr char kBatch[] = "BATCH";
inline constexpr char kOpen[] = "OPEN "; // followed by an absolute path
// The longest request line, without its line end: "OPEN " and a path of up to PATH_MAX bytes.
inline constexpr int kMaxLine = 5 + 4096;
} // namespace InstanceProtocol

// The owner's side of the socket.
class InstanceServer : public HoldRequests {
    Q_OBJECT
  public:
    enum class Role { Desktop, Batch };
    explicit InstanceServer(Role role, QObject* parent = nullptr);
    ~InstanceServer() override;

    // Listens at socketPath, replacing a socket left by a run that ended (call with the lock held).
    bool Listen(const QString& socketPath);

    // Desktop: a batch run waits for the modem or holds it.
    bool HoldWanted() const override { return !m_holders.isEmpty(); }
    bool Granted() const { return m_granted; }
    // The modem is held off now: the first waiting batch run may go on (later ones wait their turn).
    void Grant() override;
    // A client that sends no whole line for this long after connecting is dropped.
    int IdleLimitMs = 10000;

  signals:
    void ShowRequested();
    // A start with a file asked to have it shown (an absolute path).
    void OpenRequested(const QString& path);

  private:
    void Accept();
    void Read(QLocalSocket* socket);
    void Gone(QLocalSocket* socket);
    void Drop(QLocalSocket* socket);
    void Heartbeat();

    Role m_role;
    QLocalServer* m_server = nullptr;
    QList<QLocalSocket*> m_holders; // in the order they asked; the first one holds once granted
    bool m_granted = false;
    QTimer m_heartbeat;
};

// A batch run's hold on the modem: asks the owner and keeps the connection while it works.
class HoldOffClient : public QObject {
    Q_OBJECT
  public:
    enum class Answer { Shown, Held, Batch, NoOwner, NoAnswer, Interrupted };
    explicit HoldOffClient(QObject* parent = nullptr);
    ~HoldOffClient() override;

    // Sends `request` to the socket and waits for the final answer; "WAIT" lines keep it waiting, a
    // silence of `answerMs` ends it with NoAnswer. NoOwner: nobody listens there.
    Answer Ask(const QString& socketPath, const QByteArray& request, int answerMs);
    // Ends a running Ask with Interrupted (a signal arrived).
    void Abort();
    // Lets the owner go on (closing the connection does the same).
    void Release();

  private:
    std::unique_ptr<QLocalSocket> m_socket;
    std::function<void()> m_abort;
};

// How a run stands to the other runs of the same user.
class UserInstance : public QObject {
    Q_OBJECT
  public:
    enum class Outcome {
        Owner,      // this run owns the modem (server() answers the others)
        ShownOther, // a second desktop start: the running program came forward; end with 0
        HeldOther,  // a batch run beside the desktop program, which holds the modem off until we end
        Refused,    // end with 1 and message()
    };
    // `folder` holds zarvo.lock and zarvo.sock.
    explicit UserInstance(const QString& folder, QObject* parent = nullptr);
    ~UserInstance() override;

    // `askToShow` false (a start with /AUTORUN): the running program stays where it is. An owner
    // that is a batch run is waited for, at most BatchWaitLimitMs; BatchWait tells when that wait
    // begins (true) and ends (false), so the user sees why nothing shows yet.
    Outcome StartDesktop(bool askToShow, int answerMs = 5000);
    std::function<void(bool waiting)> BatchWait;
    // A batch run saves and erases every message; longer than this it is taken for hung.
    int BatchWaitLimitMs = 15 * 60 * 1000;
    Outcome StartBatch(int answerMs = 5000);
    void Abort()
    {
        m_aborted = true;
        m_client.Abort();
    }

    // After ShownOther: hands each file to the running program; false when it did not take them all.
    bool HandOver(const QStringList& files, int answerMs = 5000);

    InstanceServer* Server() { return m_server.get(); }
    QString Message() const { return m_message; }
    QString SocketPath() const;
    QString LockPath() const;

  private:
    bool Own(InstanceServer::Role role);

    QString m_folder;
    QLockFile m_lock;
    std::unique_ptr<InstanceServer> m_server;
    HoldOffClient m_client;
    QString m_message;
    bool m_aborted = false;
};

} // namespace zarvo
