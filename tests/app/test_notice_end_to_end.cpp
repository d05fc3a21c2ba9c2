// SPDX-License-Identifier: GPL-3.0-or-later
// The new-message notice end to end: the program on the emulated modem, a call that leaves a
// message while the program runs, and a stand-in notification service on a private session bus.
#include "test_haupt_fixture.h"

#include "app/TaskIcon.h"
#include "platform/DBusNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QVariantMap>
#include <gtest/gtest.h>

#include <iostream>

namespace zarvo::test {

namespace {

// org.freedesktop.Notifications as a desktop offers it, recording every notice.
class FakeNotifications : public QDBusVirtualObject {
  public:
    struct Shown {
        QString app, icon, summary, body;
        QStringList actions;
    };
    std::vector<Shown> shown;
    std::vector<uint> closed;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != u"org.freedesktop.Notifications")
            return false;
        if (message.member() == u"CloseNotification" && message.arguments().size() == 1) {
            closed.push_back(message.arguments().front().toUInt());
            connection.send(message.createReply());
            return true;
        }
        if (message.member() != u"Notify")
            return false;
        // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
        const QList<QVariant> a = message.arguments();
        if (a.size() != 8)
            return false;
        shown.push_back(
            {a[0].toString(), a[2].toString(), a[3].toString(), a[4].toString(), a[5].toStringList()});
        connection.send(message.createReply(QVariant::fromValue(static_cast<uint>(shown.size()))));
        return true;
    }
};

// A private session bus for the test's lifetime: dbus-run-session runs a shell that prints the
// bus address and waits on its input; closing the input ends it and the bus.
class PrivateBus {
  public:
    PrivateBus()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")).isEmpty())
            return;
        m_process.start(QStringLiteral("dbus-run-session"),
                        {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                         QStringLiteral("echo \"$DBUS_SESSION_BUS_ADDRESS\"; exec cat >/dev/null")});
        if (!m_process.waitForStarted(10000))
            return;
        for (int i = 0; i < 100 && !m_process.canReadLine(); ++i)
            m_process.waitForReadyRead(200);
        address = QString::fromUtf8(m_process.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }
    QString address;

  private:
    QProcess m_process;
};

// The stand-in service on a private bus, and the program's own connection to that bus.
struct NoticeBus {
    explicit NoticeBus(const QString& name)
        : service(QDBusConnection::connectToBus(bus.address, name + QStringLiteral("-service"))),
          client(QDBusConnection::connectToBus(bus.address, name + QStringLiteral("-client")))
    {
        ready = !bus.address.isEmpty() && service.isConnected() && client.isConnected() &&
                service.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &fake) &&
                service.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    ~NoticeBus()
    {
        service.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(service.name());
        QDBusConnection::disconnectFromBus(client.name());
    }
    // The user chooses `action` on notice 1.
    bool Choose(const QString& action)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                         QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("ActionInvoked"));
        signal << uint(1) << action;
        return service.send(signal);
    }
    PrivateBus bus;
    QDBusConnection service, client;
    FakeNotifications fake;
    bool ready = false;
};

bool WaitFor(const std::function<bool()>& done, int ms = 20000)
{
    for (int waited = 0; !done() && waited < ms; waited += 20)
        QTest::qWait(20);
    return done();
}

TEST(NoticeEndToEnd, AMessageArrivingMidRunIsAnnouncedOnceAndItsActionChecks)
{
    NoticeBus notices(QStringLiteral("notice"));
    if (!notices.ready)
        GTEST_SKIP() << "dbus-run-session (package dbus) is missing: no private session bus";
    FakeNotifications& fake = notices.fake;

    emu::EmulatorOptions o;
    o.messages.push_back(DemoVoice(252)); // heard long ago: no question at the start
    EmulatorFixture modem(o, 1,
                          "[Modem]\nComPort=1\nReplyTimeout=3000\n" + ModemOptSection() +
                              "[Auto]\nAutonachr=1\nAutonTi=10\n");
    HauptWindows w;
    qint64 now = 0;
    w.haupt.PollClock = [&now] { return now; };
    auto notifier = std::make_unique<DBusNotifier>(notices.client);
    QStringList balloons;
    notifier->Fallback = [&balloons](const Notice& n) { balloons << n.Summary; };
    w.haupt.Notifier = std::move(notifier);
    w.haupt.FormActivate();
    ASSERT_EQ(w.haupt.MessageCount(), 1);
    ASSERT_NE(w.haupt.Poll(), nullptr);
    EXPECT_TRUE(modem.emulator().selfMode());

    // Nothing new: the status and the newest entry once an interval, and not a minute earlier.
    modem.clearTranscript();
    now += 10 * 60 * 1000 - 1;
    w.haupt.Timer1Timer();
    EXPECT_TRUE(modem.transcript().empty());
    now += 1;
    w.haupt.Timer1Timer();
    EXPECT_EQ(modem.transcript(), (std::vector<std::string>{"ATE0V1+MSR=0", "ATE0V1+MSR=1"}));
    // Reported for the traffic figure: the commands with their CRs.
    std::cout << "[ poll     ] unchanged: " << modem.transcript()[0].size() + modem.transcript()[1].size() + 2
              << " bytes sent\n";

    // The modem is busy with a call and does not answer: the poll gives up quietly.
    emu::Faults busy;
    busy.noReply = {"MSR=0", 1};
    modem.setFaults(busy);
    modem.clearTranscript();
    now += 10 * 60 * 1000;
    w.haupt.Timer1Timer();
    EXPECT_EQ(modem.transcript(), (std::vector<std::string>{"ATE0V1+MSR=0"}));
    EXPECT_TRUE(w.boxes.shown.empty());
    EXPECT_FALSE(w.haupt.Zarvo1->Busy);

    // A call leaves a message while the program runs.
    ASSERT_TRUE(modem.emulator().arrive(DemoVoice(255)));
    modem.clearTranscript();
    now += 10 * 60 * 1000;
    w.haupt.Timer1Timer();
    EXPECT_EQ(modem.transcript(), (std::vector<std::string>{"ATE0V1+MSR=0", "ATE0V1+MSR=2"}));
    ASSERT_TRUE(WaitFor([&] { return !fake.shown.empty(); }));
    const FakeNotifications::Shown& shown = fake.shown.front();
    EXPECT_EQ(shown.app, "Zarvo");
    EXPECT_EQ(shown.icon, "zarvo");
    EXPECT_EQ(shown.summary, "Neue Nachricht");
    EXPECT_TRUE(shown.body.startsWith("Sprache, Anrufer, ")) << shown.body.toStdString();
    EXPECT_EQ(shown.actions.count("Anzeigen"), 1) << shown.actions.join(u',').toStdString();
    EXPECT_TRUE(shown.actions.contains("default"));
    EXPECT_TRUE(balloons.isEmpty());
    EXPECT_EQ(w.haupt.TaskIcon1->Hint(), "Zarvo - 1 neue Nachricht");
    // The poll asked no question and left the modem answering calls.
    EXPECT_TRUE(w.boxes.shown.empty());
    EXPECT_TRUE(modem.emulator().selfMode());
    for (const std::string& line : modem.transcript())
        EXPECT_EQ(line.rfind("ATE0V1+MSR=", 0), 0u) << line;

    // The next interval: no second notice for the same message.
    now += 10 * 60 * 1000;
    w.haupt.Timer1Timer();
    QTest::qWait(200);
    EXPECT_EQ(fake.shown.size(), 1u);

    // The user chooses "Anzeigen": the window's own check finds the message and asks.
    ASSERT_TRUE(notices.Choose(QStringLiteral("anzeigen")));
    ASSERT_TRUE(WaitFor([&] { return !w.boxes.shown.empty(); }));
    EXPECT_EQ(w.boxes.shown.front().caption, "Zarvo");
    EXPECT_EQ(w.haupt.MessageCount(), 2);
    EXPECT_TRUE(w.haupt.isVisible());
    EXPECT_TRUE(modem.emulator().selfMode());
    // The window is back: the notice goes from the screen.
    ASSERT_TRUE(WaitFor([&] { return !fake.closed.empty(); }));
    EXPECT_EQ(fake.closed, std::vector<uint>{1});
    w.haupt.Notifier.reset();
}

TEST(NoticeEndToEnd, AfterAnAutorunStartTheActionRestoresTheWindowFromTheTray)
{
    NoticeBus notices(QStringLiteral("autorun"));
    if (!notices.ready)
        GTEST_SKIP() << "dbus-run-session (package dbus) is missing: no private session bus";
    EmulatorFixture modem({}, 1,
                          "[Modem]\nComPort=1\n" + ModemOptSection() + "[Auto]\nAutonachr=1\nAutonTi=1\n");
    HauptWindows w;
    qint64 now = 0;
    w.haupt.PollClock = [&now] { return now; };
    w.haupt.Notifier = std::make_unique<DBusNotifier>(notices.client);
    w.haupt.Request = RunRequest::Parse({"/AUTORUN"});
    w.haupt.show();
    w.haupt.FormActivate();
    // Minimised to the tray at login, as a desktop with a notification area leaves it.
    ASSERT_TRUE(w.haupt.isMinimized());
    w.haupt.TaskIcon1->SetEnabled(true);
    w.haupt.hide();

    ASSERT_TRUE(modem.emulator().arrive(DemoVoice(255)));
    now += 60 * 1000;
    w.haupt.Timer1Timer();
    ASSERT_TRUE(WaitFor([&] { return !notices.fake.shown.empty(); }));
    ASSERT_TRUE(notices.Choose(QStringLiteral("default")));
    ASSERT_TRUE(WaitFor([&] { return !w.boxes.shown.empty(); }));
    EXPECT_TRUE(w.haupt.isVisible());
    EXPECT_FALSE(w.haupt.isMinimized());
    EXPECT_FALSE(w.haupt.TaskIcon1->Enabled());
    EXPECT_TRUE(WaitFor([&] { return !notices.fake.closed.empty(); }));
    w.haupt.Notifier.reset();
}

TEST(NoticeEndToEnd, WithoutAServiceTheTrayBalloonTakesTheNotice)
{
    PrivateBus bus;
    if (bus.address.isEmpty())
        GTEST_SKIP() << "dbus-run-session (package dbus) is missing: no private session bus";
    QDBusConnection client = QDBusConnection::connectToBus(bus.address, QStringLiteral("notice-lonely"));
    ASSERT_TRUE(client.isConnected());
    DBusNotifier notifier(client);
    QStringList balloons;
    notifier.Fallback = [&balloons](const Notice& n) { balloons << n.Summary + u'|' + n.Body; };
    notifier.Send({QStringLiteral("2 neue Nachrichten"), QStringLiteral("a\nb")});
    ASSERT_TRUE(WaitFor([&] { return !balloons.isEmpty(); }));
    EXPECT_EQ(balloons, QStringList{"2 neue Nachrichten|a\nb"});
    QDBusConnection::disconnectFromBus(QStringLiteral("notice-lonely"));
}

} // namespace
} // namespace zarvo::test
