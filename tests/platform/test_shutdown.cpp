// SPDX-License-Identifier: GPL-3.0-or-later
// The end from outside: signals into the event loop, the gate that waits for a safe point, and Qt's
// own notices in headless runs.
#include "core/ShutdownGate.h"
#include "platform/QtMessageRoute.h"
#include "platform/SignalBridge.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

namespace zarvo {
namespace {

TEST(Shutdown, SignalsArriveInTheEventLoopAndIgnoredOnesStayIgnored)
{
    struct sigaction ignore {
    }, old{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGHUP, &ignore, &old), 0); // as under nohup
    {
        SignalBridge bridge;
        EXPECT_EQ(bridge.Carried(), (std::vector<int>{SIGTERM, SIGINT}));
        QSignalSpy received(&bridge, &SignalBridge::Received);
        ASSERT_EQ(::raise(SIGTERM), 0);
        ASSERT_EQ(::raise(SIGINT), 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return received.count() == 2; }, 5000));
        EXPECT_EQ(received[0][0].toInt(), SIGTERM);
        EXPECT_EQ(received[1][0].toInt(), SIGINT);
    }
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "the old handler is back";
    ::sigaction(SIGHUP, &old, nullptr);
}

TEST(Shutdown, GateClosesOnceAtASafePointOrEndsByForceAfterTheLimit)
{
    int stopped = 0, dismissed = 0, closed = 0, forced = 0;
    bool ready = false;
    ShutdownGate::Hooks hooks{[&] { ++stopped; }, [&] { ++dismissed; }, [&] { return ready; },
                              [&] { ++closed; }, [&] { ++forced; }};
    {
        ShutdownGate gate(hooks, 10, 60000);
        gate.Request();
        gate.Request();
        EXPECT_EQ(stopped, 1);
        EXPECT_EQ(closed, 0) << "never inside whatever delivered the request";
        ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed >= 3; }, 5000)) << "boxes keep being dismissed";
        EXPECT_EQ(closed, 0);
        ready = true;
        ASSERT_TRUE(QTest::qWaitFor([&] { return closed == 1; }, 5000));
        QTest::qWait(50);
        EXPECT_EQ(closed, 1);
        EXPECT_TRUE(gate.Closing());
    }
    ready = false;
    closed = 0;
    ShutdownGate stuck(hooks, 10, 200);
    stuck.Request();
    ASSERT_TRUE(QTest::qWaitFor([&] { return forced == 1; }, 10000));
    EXPECT_EQ(closed, 0);
}

TEST(Shutdown, QtNoticesGoToTheStatusLogNotToStandardError)
{
    QtMessageRoute::Install(false);
    qWarning("This plugin does not support propagateSizeHints()");
    EXPECT_EQ(QtMessageRoute::Collected(),
              QStringList({"Qt: This plugin does not support propagateSizeHints()"}));
    QStringList log;
    QtMessageRoute::SetSink([&log](const QString& line) { log << line; });
    EXPECT_EQ(log.size(), 1) << "what came before goes first";
    qWarning("second");
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.size() == 2; }, 5000));
    EXPECT_EQ(log.back(), "Qt: second");
    QtMessageRoute::Uninstall();
}

} // namespace
} // namespace zarvo
