// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace zarvo {

// The end of the program asked for from outside (SIGTERM, SIGINT, SIGHUP, the end of the session):
// running work stops at its next safe point, boxes and dialogs are dismissed, and once the program is
// back at a safe point the close box's sequence runs, once. If that has not ended the program within
// the limit, `forceEnd` does.
class ShutdownGate : public QObject {
    Q_OBJECT
  public:
    struct Hooks {
        std::function<void()> stopWork;      // once, at the request
        std::function<void()> dismissModals; // at every check until the close starts
        std::function<bool()> ready;         // no operation running, nothing waiting on the stack
        std::function<void()> close;         // the close box's sequence
        std::function<void()> forceEnd;      // the limit has passed
    };
    static constexpr int kLimitMs = 20000;

    explicit ShutdownGate(Hooks hooks, int checkMs = 50, int limitMs = kLimitMs, QObject* parent = nullptr);

    // Repeated requests change nothing.
    void Request();
    bool Requested() const { return m_requested; }
    bool Closing() const { return m_closing; }

  private:
    void Check();

    Hooks m_hooks;
    QTimer m_check;
    QTimer m_limit;
    bool m_requested = false;
    bool m_closing = false;
};

} // namespace zarvo
