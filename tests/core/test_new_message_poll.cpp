// SPDX-License-Identifier: GPL-3.0-or-later
// The new-message poll's decisions with a fake clock and a scripted modem, the announced set on
// disk, and the texts of the notice and the tray's tip.
#include "core/AnnouncedMessages.h"
#include "core/Inbox.h"
#include "core/NewMessagePoll.h"
#include "core/NoticeSender.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zarvo::test {
namespace {

constexpr qint64 kMinute = 60 * 1000;

tMessageReport Entry(int n, bool listened = false, quint8 type = 2)
{
    tMessageReport r;
    r.MsgType = type;
    r.Size = 12;
    r.Listened = r.Downloaded = listened;
    r.Day = 3;
    r.Hour = 9;
    r.Minute = static_cast<quint8>(n);
    r.Id = QStringLiteral("Anrufer %1").arg(n);
    r.Block = 1;
    r.PosLo = static_cast<quint8>(n);
    r.Received = 46365.0 + n / 1440.0;
    return r;
}

// The modem as the poll sees it: a directory, and what the host allows.
struct FakeHost : PollHost {
    bool idle = true;
    bool heldOff = false;
    bool answers = true;
    std::vector<tMessageReport> directory;
    std::vector<std::string> asked; // "count", "entry 3"

    bool ModemIdle() const override { return idle; }
    bool HeldOff() const override { return heldOff; }
    std::optional<int> ReadEntryCount() override
    {
        asked.push_back("count");
        if (!answers)
            return std::nullopt;
        return static_cast<int>(directory.size());
    }
    std::optional<tMessageReport> ReadEntry(int index) override
    {
        asked.push_back("entry " + std::to_string(index));
        if (!answers || index < 1 || index > static_cast<int>(directory.size()))
            return std::nullopt;
        return directory[static_cast<std::size_t>(index - 1)];
    }
};

// The window's list read from `entries`, as the inbox gets it.
MessageListData ListOf(const std::vector<tMessageReport>& entries)
{
    MessageListData list;
    list.MessageCount = static_cast<int>(entries.size());
    list.Reports = entries;
    for (const tMessageReport& r : entries)
        list.Rows.push_back(MessageRowFor(r));
    return list;
}

struct PollRig {
    qint64 now = 1000;
    Inbox inbox;
    NewMessagePoll poll{inbox, [this] { return now; }};
    FakeHost host;

    explicit PollRig(const QString& file = {}) : inbox(file) { poll.Configure(true, 10); }
    void List(const std::vector<tMessageReport>& entries) { inbox.SetList(ListOf(entries)); }
    PollResult RunAfter(qint64 ms)
    {
        now += ms;
        host.asked.clear();
        return poll.Run(host);
    }
};

TEST(NewMessagePoll, DecidesFromClockHostAndDirectory)
{
    struct Case {
        const char* name;
        bool idle, heldOff, answers;
        int listed;   // entries the window's list showed (-1: no list yet)
        int inModem;  // entries in the modem at the poll
        bool other;   // the memory was erased and filled with other messages
        qint64 after; // ms since the start
        PollOutcome outcome;
        std::vector<std::string> asked;
        int fresh;
    };
    using O = PollOutcome;
    constexpr qint64 kDue = 10 * kMinute;
    const std::vector<Case> cases = {
        {"early", true, false, true, 1, 2, false, kDue - 1, O::NotDue, {}, 0},
        {"busy", false, false, true, 1, 2, false, kDue, O::NotIdle, {}, 0},
        {"held off", true, true, true, 1, 2, false, kDue, O::HeldOff, {}, 0},
        {"no answer", true, false, false, 1, 2, false, kDue, O::NoAnswer, {"count"}, 0},
        {"empty", true, false, true, 0, 0, false, kDue, O::Unchanged, {"count"}, 0},
        {"unchanged", true, false, true, 2, 2, false, kDue, O::Unchanged, {"count", "entry 2"}, 0},
        {"refilled", true, false, true, 2, 2, true, kDue, O::NewMessages, {"count", "entry 2", "entry 1"}, 2},
        {"grew", true, false, true, 1, 3, false, kDue, O::NewMessages, {"count", "entry 2", "entry 3"}, 2},
        {"unlisted",
         true,
         false,
         true,
         -1,
         2,
         false,
         kDue,
         O::NewMessages,
         {"count", "entry 1", "entry 2"},
         2},
        {"erased and refilled", true, false, true, 3, 1, true, kDue, O::NewMessages, {"count", "entry 1"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PollRig rig;
        if (c.listed >= 0) {
            std::vector<tMessageReport> listed;
            for (int n = 1; n <= c.listed; ++n)
                listed.push_back(Entry(n));
            rig.List(listed);
        }
        for (int n = 1; n <= c.inModem; ++n)
            // After an erase the memory holds other messages at other times.
            rig.host.directory.push_back(Entry(c.other ? n + 40 : n));
        rig.host.idle = c.idle;
        rig.host.heldOff = c.heldOff;
        rig.host.answers = c.answers;
        const PollResult result = rig.RunAfter(c.after);
        EXPECT_EQ(result.Outcome, c.outcome);
        EXPECT_EQ(rig.host.asked, c.asked);
        EXPECT_EQ(static_cast<int>(result.Fresh.size()), c.fresh);
    }
}

TEST(NewMessagePoll, IntervalRunsFromTheEndOfTheLastPoll)
{
    PollRig rig;
    rig.List({Entry(1)});
    rig.host.directory = {Entry(1)};
    // A slow modem: the poll itself takes three minutes.
    struct SlowHost : FakeHost {
        qint64* now;
        std::optional<int> ReadEntryCount() override
        {
            *now += 3 * kMinute;
            return FakeHost::ReadEntryCount();
        }
    } slow;
    slow.now = &rig.now;
    slow.directory = rig.host.directory;
    rig.now += 10 * kMinute;
    EXPECT_EQ(rig.poll.Run(slow).Outcome, PollOutcome::Unchanged);
    rig.now += 10 * kMinute - 1;
    EXPECT_FALSE(rig.poll.Due());
    rig.now += 1;
    EXPECT_TRUE(rig.poll.Due());
    // A skipped poll waits a whole interval too, rather than retrying every tick.
    rig.host.idle = false;
    EXPECT_EQ(rig.poll.Run(rig.host).Outcome, PollOutcome::NotIdle);
    EXPECT_EQ(rig.RunAfter(kMinute).Outcome, PollOutcome::NotDue);
}

TEST(NewMessagePoll, OffAndIntervalLimits)
{
    PollRig rig;
    rig.poll.Configure(false, 10);
    EXPECT_EQ(rig.RunAfter(60 * kMinute).Outcome, PollOutcome::Off);
    EXPECT_TRUE(rig.host.asked.empty());
    for (const auto& [minutes, expected] : std::vector<std::pair<int, qint64>>{
             {0, 1}, {-5, 1}, {1, 1}, {10, 10}, {1440, 1440}, {100000, 1440}}) {
        rig.poll.Configure(true, minutes);
        EXPECT_EQ(rig.poll.IntervalMs(), expected * kMinute) << minutes;
    }
}

TEST(NewMessagePoll, AnnouncesEachMessageOnceAlsoAcrossARestart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("gemeldet.txt"));
    {
        PollRig rig(file);
        rig.List({Entry(1, true)});
        rig.host.directory = {Entry(1, true), Entry(2)};
        const PollResult first = rig.RunAfter(10 * kMinute);
        ASSERT_EQ(first.Outcome, PollOutcome::NewMessages);
        ASSERT_EQ(first.Fresh.size(), 1u);
        EXPECT_EQ(first.Fresh[0].Id, QStringLiteral("Anrufer 2"));
        EXPECT_EQ(rig.inbox.Unheard(), 1);
        // A third arrives: only it is read and announced.
        rig.host.directory.push_back(Entry(3));
        const PollResult second = rig.RunAfter(10 * kMinute);
        EXPECT_EQ(rig.host.asked, (std::vector<std::string>{"count", "entry 3"}));
        ASSERT_EQ(second.Fresh.size(), 1u);
        EXPECT_EQ(second.Fresh[0].Id, QStringLiteral("Anrufer 3"));
        EXPECT_EQ(rig.inbox.Unheard(), 2);
        rig.inbox.NoteHeard(2);
        EXPECT_EQ(rig.inbox.Unheard(), 1);
    }
    // The program starts again; its list could not be read, so the poll reads everything.
    PollRig again(file);
    again.host.directory = {Entry(1, true), Entry(2), Entry(3), Entry(4)};
    const PollResult result = again.RunAfter(10 * kMinute);
    ASSERT_EQ(result.Outcome, PollOutcome::NewMessages);
    ASSERT_EQ(result.Fresh.size(), 1u);
    EXPECT_EQ(result.Fresh[0].Id, QStringLiteral("Anrufer 4"));
    // Everything announced: a fresh start with the same memory announces nothing.
    PollRig third(file);
    third.host.directory = again.host.directory;
    EXPECT_EQ(third.RunAfter(10 * kMinute).Outcome, PollOutcome::NothingNew);
    // The memory was erased: the file forgets what the modem no longer holds.
    PollRig fourth(file);
    fourth.host.directory = {};
    fourth.RunAfter(10 * kMinute);
    EXPECT_EQ(AnnouncedMessages(file).Size(), 0);
}

TEST(NewMessagePoll, WhatTheListShowedIsNotAnnounced)
{
    PollRig rig;
    rig.List({Entry(1), Entry(2)});
    EXPECT_EQ(rig.inbox.Unheard(), 2);
    rig.host.directory = {Entry(1), Entry(2), Entry(3, true)}; // heard over the phone: no notice
    EXPECT_EQ(rig.RunAfter(10 * kMinute).Outcome, PollOutcome::NothingNew);
    // One was erased: the whole directory is read again, and the listed ones stay announced.
    rig.host.directory = {Entry(1), Entry(2)};
    const PollResult reread = rig.RunAfter(10 * kMinute);
    EXPECT_EQ(rig.host.asked, (std::vector<std::string>{"count", "entry 1", "entry 2"}));
    EXPECT_EQ(reread.Outcome, PollOutcome::NothingNew);
}

TEST(NewMessagePoll, AFailedEntryLeavesTheKnownDirectoryForTheNextPoll)
{
    PollRig rig;
    rig.List({Entry(1)});
    rig.host.directory = {Entry(1), Entry(2)};
    struct FailingEntry : FakeHost {
        std::optional<tMessageReport> ReadEntry(int) override { return std::nullopt; }
    } failing;
    failing.directory = rig.host.directory;
    rig.now += 10 * kMinute;
    EXPECT_EQ(rig.poll.Run(failing).Outcome, PollOutcome::NoAnswer);
    const PollResult retry = rig.RunAfter(10 * kMinute);
    EXPECT_EQ(rig.host.asked, (std::vector<std::string>{"count", "entry 2"}));
    EXPECT_EQ(retry.Fresh.size(), 1u);
}

TEST(NewMessageNotice, SummaryBodyAndTrayTip)
{
    const Notice one = NoticeFor({Entry(1)});
    EXPECT_EQ(one.Summary, QStringLiteral("Neue Nachricht"));
    EXPECT_TRUE(one.Body.startsWith(QStringLiteral("Sprache, Anrufer 1, "))) << one.Body.toStdString();
    tMessageReport fax = Entry(2, false, 1);
    fax.Id.clear();
    const Notice three = NoticeFor({Entry(1), fax, Entry(3)});
    EXPECT_EQ(three.Summary, QStringLiteral("3 neue Nachrichten"));
    const QStringList lines = three.Body.split(u'\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Fax, "))) << lines[1].toStdString(); // no empty ID part
    EXPECT_FALSE(lines[1].contains(QStringLiteral(", ,")));

    EXPECT_EQ(TrayHintFor(0), QStringLiteral("Zarvo"));
    EXPECT_EQ(TrayHintFor(1), QStringLiteral("Zarvo - 1 neue Nachricht"));
    EXPECT_EQ(TrayHintFor(2), QStringLiteral("Zarvo - 2 neue Nachrichten"));
}

TEST(AnnouncedMessages, KeysSurviveOddIdentificationsAndAnUnreadableFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("gemeldet.txt"));
    std::vector<tMessageReport> odd;
    for (const char* id : {"a\nb\rc", "Anrufer  ", " vorn", "\"zitiert\\", "\\"}) {
        odd.push_back(Entry(static_cast<int>(odd.size()) + 1));
        odd.back().Id = QString::fromUtf8(id);
    }
    AnnouncedMessages(file).Add(odd);
    const AnnouncedMessages back(file);
    EXPECT_EQ(back.Size(), static_cast<int>(odd.size()));
    for (const tMessageReport& r : odd)
        EXPECT_TRUE(back.Contains(r)) << r.Id.toStdString();
    EXPECT_FALSE(back.Contains(Entry(9)));
    // An older file's unquoted keys are still read.
    QFile old(dir.filePath(QStringLiteral("alt.txt")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(AnnouncedMessages::KeyOf(Entry(7)).toUtf8() + " \n");
    old.close();
    EXPECT_TRUE(AnnouncedMessages(old.fileName()).Contains(Entry(7)));
    // A folder where the file should be: nothing known, nothing thrown.
    const AnnouncedMessages none(dir.path());
    EXPECT_EQ(none.Size(), 0);
}

} // namespace
} // namespace zarvo::test
