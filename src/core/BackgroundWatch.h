// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

namespace zarvo {

class DialUpLinks;
class WindowFinder;

// What the watches of the background tick act on; the main window implements it.
class WatchHost {
  public:
    virtual ~WatchHost() = default;
    virtual void SetCaption(const QString& caption) = 0;
    virtual void LockModem(bool lock) = 0;
    // Waits while the user interface keeps running.
    virtual void PauseMs(int ms) = 0;
    // Tests the configured port (always the test, whatever ForcePort says) and writes the
    // self-mode options.
    virtual void TestPortAndApply() = 0;
};

// The main window's watch state and the settings the watches follow.
struct WatchState {
    bool& FaxmonActive;
    bool& TOnlineActive;
    bool& DFUEActive;
    QString& DFUEName;
};
struct WatchSettings {
    bool Faxmon = false;
    bool TOnline2 = false;
    bool DFUE = false;
};

// The captions of the main window.
inline const QString kCaptionNormal = QStringLiteral("Zarvo");
inline const QString kCaptionFax = QStringLiteral("Zarvo Fax");
inline const QString kCaptionTOnline = QStringLiteral("Zarvo T-Online");
QString DialUpCaption(const QString& name);

// The window titles of the programs that share the modem.
inline const QString kFaxmonTitle = QStringLiteral("Faxmonitor");
inline const QString kTOnlineTitle = QStringLiteral("T-Online");

// Every return to self mode first waits while the modem component is busy: the tick may run inside
// the nested wait of a download, and a port test there would cut into it. Pauses `stepMs` at a time
// while `busy()` holds, at most `maxMs` in all; true when the component became free.
inline constexpr int kBusyWaitMaxMs = 10 * 60 * 1000;
bool WaitWhileBusy(const std::function<bool()>& busy, const std::function<void(int)>& pause,
                   int maxMs = kBusyWaitMaxMs, int stepMs = 100);

// Each watch clears its flag before it pauses, so a tick that runs during the pause does not
// start the same return to self mode again.
void WatchFaxMonitor(WatchState& state, const WatchSettings& settings, WindowFinder& windows,
                     WatchHost& host);
void WatchTOnline(WatchState& state, const WatchSettings& settings, WindowFinder& windows, WatchHost& host);
void ShowDialUpCaption(const WatchState& state, WatchHost& host);
void WatchDialUp(WatchState& state, const WatchSettings& settings, DialUpLinks& ras, WatchHost& host);

} // namespace zarvo
