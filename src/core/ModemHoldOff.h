// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace zarvo {

class HoldRequests;

// The desktop program's side of a batch run beside it: when a batch run asks, the modem is held
// off as soon as no exchange runs (`busy` false); from then on no command and no poll reaches it
// and the port stays closed (`setHeld(true)`), and the batch run is told to go on. When the last
// batch run is done, `setHeld(false)` and `Released` (the program reads its list again).
class ModemHoldOff : public QObject {
    Q_OBJECT
  public:
    ModemHoldOff(HoldRequests& requests, std::function<bool()> busy, std::function<void(bool)> setHeld,
                 int checkMs = 100, QObject* parent = nullptr);

    // A batch run asked or holds the modem: start no poll and no command of your own.
    bool Active() const;
    // The modem is held off for a batch run right now.
    bool Held() const { return m_held; }

  signals:
    void Released();

  private:
    void Check();
    void Ended();

    HoldRequests& m_server;
    std::function<bool()> m_busy;
    std::function<void(bool)> m_setHeld;
    QTimer m_check;
    bool m_held = false;
};

} // namespace zarvo
