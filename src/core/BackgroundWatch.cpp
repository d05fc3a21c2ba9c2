// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/BackgroundWatch.h"

#include "core/DialUpLinks.h"
#include "core/WindowFinder.h"

namespace zarvo {

namespace {

void ReturnToSelfMode(WatchHost& host)
{
    host.PauseMs(2000);
    host.TestPortAndApply();
}

} // namespace

bool WaitWhileBusy(const std::function<bool()>& busy, const std::function<void(int)>& pause, int maxMs,
                   int stepMs)
{
    for (int waited = 0; busy(); waited += stepMs) {
        if (waited >= maxMs)
            return false;
        pause(stepMs);
    }
    return true;
}

QString DialUpCaption(const QString& name)
{
    return QStringLiteral("Zarvo DFÜ: ") + name;
}

void WatchFaxMonitor(WatchState& state, const WatchSettings& settings, WindowFinder& windows, WatchHost& host)
{
    if (!settings.Faxmon)
        return;
    if (windows.Find(kFaxmonTitle).Visible) {
        state.FaxmonActive = true;
        host.SetCaption(kCaptionFax);
        host.LockModem(true);
    }
    else if (state.FaxmonActive) {
        state.FaxmonActive = false;
        host.SetCaption(kCaptionNormal);
        host.LockModem(false);
        ReturnToSelfMode(host);
    }
}

void WatchTOnline(WatchState& state, const WatchSettings& settings, WindowFinder& windows, WatchHost& host)
{
    if (windows.Find(kTOnlineTitle).Exists) {
        host.SetCaption(kCaptionTOnline);
        host.LockModem(true);
        state.TOnlineActive = true;
    }
    if (state.TOnlineActive && !windows.Find(kTOnlineTitle).Exists) {
        state.TOnlineActive = false;
        // While a dial-up connection lasts, its own watch does the return.
        if (!state.DFUEActive) {
            host.SetCaption(kCaptionNormal);
            host.LockModem(false);
            if (settings.TOnline2)
                ReturnToSelfMode(host);
        }
    }
}

void ShowDialUpCaption(const WatchState& state, WatchHost& host)
{
    if (state.DFUEActive)
        host.SetCaption(DialUpCaption(state.DFUEName));
}

void WatchDialUp(WatchState& state, const WatchSettings& settings, DialUpLinks& ras, WatchHost& host)
{
    if (ras.GetConnections() == 0) {
        state.DFUEActive = false;
        if (!state.DFUEName.isEmpty()) {
            state.DFUEName.clear();
            ras.ReleaseConnection();
            host.LockModem(false);
            host.SetCaption(kCaptionNormal);
            if (settings.DFUE)
                ReturnToSelfMode(host);
        }
        return;
    }
    if (ras.ConnectionName(0) != state.DFUEName) {
        state.DFUEName = ras.ConnectionName(0);
        ras.SelectConnection(0);
    }
    ras.ConnectStatusText();
    if (ras.State() == DialUpLinks::RASCS_Connected)
        state.DFUEActive = true;
}

} // namespace zarvo
