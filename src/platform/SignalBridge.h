// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <csignal>
#include <vector>

class QSocketNotifier;

namespace zarvo {

// Carries SIGTERM, SIGINT and SIGHUP into the event loop: the handler only writes the signal's
// number into a socket pair, and a notifier on the other end emits `Received` there. A signal the
// program was started with ignored (nohup, a background job) stays ignored. One bridge per process;
// the old handlers come back when it goes.
class SignalBridge : public QObject {
    Q_OBJECT
  public:
    explicit SignalBridge(QObject* parent = nullptr);
    ~SignalBridge() override;
    SignalBridge(const SignalBridge&) = delete;
    SignalBridge& operator=(const SignalBridge&) = delete;

    // The signals this bridge carries (those not ignored at start).
    const std::vector<int>& Carried() const { return m_carried; }

  signals:
    void Received(int signalNumber);

  private:
    void Read();

    int m_fds[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
    std::vector<int> m_carried;
    std::vector<struct sigaction> m_old;
};

} // namespace zarvo
