// SPDX-License-Identifier: GPL-3.0-or-later
// One program per user: the lock, a second desktop start, and a batch run beside the desktop program
// that has the modem held off while it works.
#include "core/ModemHoldOff.h"
#include "platform/InstanceChannel.h"

#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace zarvo {
namespace {

using Outcome = UserInstance::Outcome;

TEST(Instance, ASecondDesktopStartBringsTheFirstForwardAndEnds)
{
    QTemporaryDir dir;
    UserInstance first(dir.path());
    ASSERT_EQ(first.StartDesktop(true), Outcome::Owner);
    QSignalSpy shown(first.Server(), &InstanceServer::ShowRequested);

    UserInstance second(dir.path());
    EXPECT_EQ(second.StartDesktop(true), Outcome::ShownOther);
    EXPECT_EQ(shown.count(), 1);
    UserInstance autorun(dir.path());
    EXPECT_EQ(autorun.StartDesktop(false), Outcome::ShownOther) << "/AUTORUN leaves the window where it is";
    EXPECT_EQ(shown.count(), 1);

    // A start with fax files (a file manager's "open with") hands them over, one request each.
    QSignalSpy opened(first.Server(), &InstanceServer::OpenRequested);
    UserInstance withFile(dir.path());
    ASSERT_EQ(withFile.StartDesktop(false), Outcome::ShownOther);
    EXPECT_TRUE(withFile.HandOver({"/home/a/Fax vom März.ufr", "/tmp/b.mmf"}));
    ASSERT_EQ(opened.count(), 2);
    EXPECT_EQ(opened.at(0).at(0).toString(), QString::fromUtf8("/home/a/Fax vom März.ufr"));
    EXPECT_FALSE(withFile.HandOver({"/tmp/zwei\nZeilen.ufr"}));
    EXPECT_EQ(opened.count(), 2);
    EXPECT_EQ(shown.count(), 1);
}

TEST(Instance, ABatchRunWaitsForTheRunningExchangeThenHoldsTheModemUntilItEnds)
{
    QTemporaryDir dir;
    UserInstance desktop(dir.path());
    ASSERT_EQ(desktop.StartDesktop(true), Outcome::Owner);
    bool busy = true;
    std::vector<bool> held;
    ModemHoldOff holdOff(
        *desktop.Server(), [&] { return busy; }, [&](bool h) { held.push_back(h); }, 20);
    QSignalSpy released(&holdOff, &ModemHoldOff::Released);

    // The desktop program's exchange ends after a while; the WAIT lines keep the batch run waiting
    // longer than its answer time meanwhile.
    QTimer::singleShot(2500, &holdOff, [&] {
        EXPECT_TRUE(holdOff.Active()) << "asked for: no poll may start now";
        EXPECT_TRUE(held.empty()) << "never while an exchange runs";
        busy = false;
    });
    auto batch = std::make_unique<UserInstance>(dir.path());
    ASSERT_EQ(batch->StartBatch(2000), Outcome::HeldOther) << batch->Message().toStdString();
    EXPECT_EQ(held, std::vector<bool>{true});
    EXPECT_TRUE(holdOff.Held());

    // A second batch run meanwhile waits its turn and gets the modem when the first is done.
    auto another = std::make_unique<UserInstance>(dir.path());
    QTimer::singleShot(300, &holdOff, [&] {
        EXPECT_TRUE(holdOff.Held());
        batch.reset(); // the first batch run ends: its connection closes
    });
    EXPECT_EQ(another->StartBatch(3000), Outcome::HeldOther);
    EXPECT_EQ(released.count(), 0) << "the modem stays held off between the two";

    another.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return released.count() == 1; }, 5000));
    EXPECT_EQ(held, (std::vector<bool>{true, false}));
    EXPECT_FALSE(holdOff.Active());
}

TEST(Instance, BatchRunsThatCannotHaveTheModemEndAtOnceWithAReason)
{
    QTemporaryDir dir;
    {
        UserInstance batch(dir.path());
        ASSERT_EQ(batch.StartBatch(), Outcome::Owner);
        UserInstance other(dir.path());
        EXPECT_EQ(other.StartBatch(), Outcome::Refused);
        EXPECT_TRUE(other.Message().contains("anderer Stapellauf")) << other.Message().toStdString();
        EXPECT_TRUE(other.Message().contains(QString::fromUtf8("nichts gelöscht")));
    }
    // A lock whose program does not answer (hung, or its socket gone).
    QLockFile silent(dir.filePath("zarvo.lock"));
    ASSERT_TRUE(silent.tryLock(0));
    UserInstance batch(dir.path());
    EXPECT_EQ(batch.StartBatch(600), Outcome::Refused);
    EXPECT_TRUE(batch.Message().contains("nicht innerhalb")) << batch.Message().toStdString();
    UserInstance desktop(dir.path());
    EXPECT_EQ(desktop.StartDesktop(true, 600), Outcome::Refused);
    silent.unlock();
    EXPECT_EQ(desktop.StartDesktop(true, 600), Outcome::Owner) << "a free lock is taken";
}

TEST(Instance, ClientsThatMisbehaveAreDroppedAndAWellBehavedOneIsAnswered)
{
    QTemporaryDir dir;
    UserInstance owner(dir.path());
    ASSERT_EQ(owner.StartDesktop(true), Outcome::Owner);
    owner.Server()->IdleLimitMs = 300;
    struct Case {
        const char* name;
        QByteArray sent;
        bool dropped;
    };
    const std::vector<Case> cases = {
        {"a line too long", QByteArray(InstanceProtocol::kMaxLine + 20, 'A') + '\n', true},
        {"no line end in sight", QByteArray(InstanceProtocol::kMaxLine + 200, 'A'), true},
        {"silent", {}, true},
        {"a request", "PRESENT\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QLocalSocket client;
        client.connectToServer(owner.SocketPath());
        ASSERT_TRUE(client.waitForConnected(2000));
        client.write(c.sent);
        client.flush();
        const bool gone =
            QTest::qWaitFor([&] { return client.state() != QLocalSocket::ConnectedState; }, 1500);
        EXPECT_EQ(gone, c.dropped);
        if (!c.dropped) {
            EXPECT_EQ(client.readLine().trimmed(), "SHOWN");
        }
    }
}

TEST(Instance, ADesktopStartWaitsForABatchRunVisiblyAndNotWithoutLimit)
{
    QTemporaryDir dir;
    UserInstance batch(dir.path());
    ASSERT_EQ(batch.StartBatch(), Outcome::Owner);
    UserInstance desktop(dir.path());
    desktop.BatchWaitLimitMs = 1500;
    std::vector<bool> shown;
    desktop.BatchWait = [&shown](bool waiting) { shown.push_back(waiting); };
    EXPECT_EQ(desktop.StartDesktop(true), Outcome::Refused);
    EXPECT_TRUE(desktop.Message().contains("Stapellauf")) << desktop.Message().toStdString();
    EXPECT_EQ(shown, (std::vector<bool>{true, false}));
}

// A program that died (the X server went, a kill -9) leaves its lock and socket: the next start
// takes them over.
TEST(Instance, TheNextStartTakesOverALockAndSocketLeftBehind)
{
    QTemporaryDir dir;
    const pid_t gone = ::fork();
    if (gone == 0) {
        QLockFile lock(dir.filePath("zarvo.lock"));
        QFile socket(dir.filePath("zarvo.sock"));
        if (!lock.tryLock(0) || !socket.open(QIODevice::WriteOnly))
            ::_exit(1);
        ::_exit(0); // nothing removed
    }
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    ASSERT_TRUE(QFile::exists(dir.filePath("zarvo.lock")) && QFile::exists(dir.filePath("zarvo.sock")));
    UserInstance next(dir.path());
    EXPECT_EQ(next.StartDesktop(true, 600), Outcome::Owner) << next.Message().toStdString();
    EXPECT_EQ(UserInstance(dir.path()).StartDesktop(true), Outcome::ShownOther) << "the new socket answers";
}

} // namespace
} // namespace zarvo
