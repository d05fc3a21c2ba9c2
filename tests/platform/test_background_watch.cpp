// SPDX-License-Identifier: GPL-3.0-or-later
// The watches of the background tick with a scripted window finder, a fake ppp folder and a host
// that records what the main window is asked to do.

#include "FakePppLinks.h"
#include "core/BackgroundWatch.h"
#include "core/WindowFinder.h"
#include "platform/ras_api32.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <map>

#include <gtest/gtest.h>

namespace zarvo {
namespace {

struct FakeWindows : WindowFinder {
    std::map<QString, WindowState> windows;
    WindowState Find(const QString& title) override
    {
        return windows.count(title) ? windows[title] : WindowState{};
    }
};

struct RecordingHost : WatchHost {
    QStringList calls;
    std::function<void()> duringPause;
    void SetCaption(const QString& caption) override { calls << "caption " + caption; }
    void LockModem(bool lock) override { calls << (lock ? "lock" : "unlock"); }
    void PauseMs(int ms) override
    {
        calls << QStringLiteral("pause %1").arg(ms);
        if (duringPause)
            duringPause();
    }
    void TestPortAndApply() override { calls << "test+apply"; }
};

struct Watch : ::testing::Test {
    bool faxmon = false, tonline = false, dfue = false;
    QString name;
    WatchState state{faxmon, tonline, dfue, name};
    WatchSettings settings;
    FakeWindows windows;
    RecordingHost host;
};

TEST_F(Watch, FaxMonitorLocksWhileShownAndReturnsAfterItHides)
{
    settings.Faxmon = true;
    windows.windows[kFaxmonTitle] = {true, true};
    WatchFaxMonitor(state, settings, windows, host);
    WatchFaxMonitor(state, settings, windows, host);
    EXPECT_TRUE(faxmon);
    EXPECT_EQ(host.calls, (QStringList{"caption Zarvo Fax", "lock", "caption Zarvo Fax", "lock"}));

    host.calls.clear();
    windows.windows[kFaxmonTitle] = {true, false}; // hidden again
    // A tick during the pause must not start the same return again.
    host.duringPause = [&] { WatchFaxMonitor(state, settings, windows, host); };
    WatchFaxMonitor(state, settings, windows, host);
    EXPECT_FALSE(faxmon);
    EXPECT_EQ(host.calls, (QStringList{"caption Zarvo", "unlock", "pause 2000", "test+apply"}));
}

TEST_F(Watch, FaxMonitorIgnoredWhenSwitchedOff)
{
    windows.windows[kFaxmonTitle] = {true, true};
    WatchFaxMonitor(state, settings, windows, host);
    EXPECT_FALSE(faxmon);
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(Watch, TOnlineLocksEvenHiddenAndReconnectsOnlyWhenAsked)
{
    for (bool reconnect : {false, true}) {
        settings.TOnline2 = reconnect;
        host.calls.clear();
        windows.windows[kTOnlineTitle] = {true, false}; // exists, not visible
        WatchTOnline(state, settings, windows, host);
        EXPECT_TRUE(tonline);
        windows.windows.erase(kTOnlineTitle);
        WatchTOnline(state, settings, windows, host);
        EXPECT_FALSE(tonline);
        QStringList expected{"caption Zarvo T-Online", "lock", "caption Zarvo", "unlock"};
        if (reconnect)
            expected << "pause 2000"
                     << "test+apply";
        EXPECT_EQ(host.calls, expected) << reconnect;
    }
}

TEST_F(Watch, TOnlineLeavesTheReturnToAnActiveDialUp)
{
    settings.TOnline2 = true;
    dfue = true;
    tonline = true;
    WatchTOnline(state, settings, windows, host);
    EXPECT_FALSE(tonline);
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(Watch, DialUpTakesTheFirstLinkAndReturnsWhenItEnds)
{
    QTemporaryDir sys, run;
    TRAS ras(sys.path(), run.path());
    settings.DFUE = true;
    test::MakeLink(sys, "ppp1", "0x1091");
    test::MakeLink(sys, "ppp0", "0x1090"); // dialling
    WatchDialUp(state, settings, ras, host);
    EXPECT_EQ(name, "ppp0");
    EXPECT_FALSE(dfue) << "dialling is not connected";
    ShowDialUpCaption(state, host);
    EXPECT_TRUE(host.calls.isEmpty());

    test::MakeLink(sys, "ppp0", "0x1091");
    WatchDialUp(state, settings, ras, host);
    EXPECT_TRUE(dfue);
    ShowDialUpCaption(state, host);
    EXPECT_EQ(host.calls, QStringList{"caption Zarvo DFÜ: ppp0"});

    host.calls.clear();
    QDir(sys.filePath("ppp0")).removeRecursively();
    QDir(sys.filePath("ppp1")).removeRecursively();
    WatchDialUp(state, settings, ras, host);
    EXPECT_FALSE(dfue);
    EXPECT_EQ(name, "");
    EXPECT_EQ(ras.Held(), "");
    EXPECT_EQ(host.calls, (QStringList{"unlock", "caption Zarvo", "pause 2000", "test+apply"}));
}

// A return to self mode waits while the modem is busy (a download in a nested wait), but not forever.
TEST(WaitWhileBusy, PausesUntilFreeWithinItsLimit)
{
    struct Case {
        int busyPolls; // how many looks still find it busy
        bool free;
        int pauses;
    };
    for (const Case& c : {Case{0, true, 0}, Case{3, true, 3}, Case{1000, false, 10}}) {
        int looks = 0;
        int pauses = 0;
        const bool free = WaitWhileBusy([&] { return looks++ < c.busyPolls; },
                                        [&](int ms) { pauses += ms == 100; }, 1000, 100);
        EXPECT_EQ(free, c.free) << c.busyPolls;
        EXPECT_EQ(pauses, c.pauses) << c.busyPolls;
    }
}

} // namespace
} // namespace zarvo
