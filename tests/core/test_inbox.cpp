// The inbox: what the list, the poll and a download tell it, and what the tray and the notice read.
#include "core/AnnouncedMessages.h"
#include "core/Inbox.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace zarvo::test {
namespace {

tMessageReport Message(int n, bool heard = false)
{
    tMessageReport r;
    r.MsgType = 2;
    r.Size = 5;
    r.Listened = r.Downloaded = heard;
    r.Minute = static_cast<quint8>(n);
    r.Id = QStringLiteral("Anrufer %1").arg(n);
    return r;
}

MessageListData List(const std::vector<tMessageReport>& entries, bool whole = true)
{
    MessageListData list{static_cast<int>(entries.size()), 40, {}, entries, {}};
    for (const tMessageReport& r : entries)
        list.Rows.push_back(MessageRowFor(r));
    if (!whole)
        list.Reports.pop_back(); // an entry whose query failed: a blank row
    return list;
}

TEST(Inbox, ListPollAndDownloadKeepOneState)
{
    struct Case {
        const char* name;
        std::function<std::vector<tMessageReport>(Inbox&)> steps; // returns what a poll announced
        int count, unheard, announced;
        bool known;
    };
    const std::vector<Case> cases = {
        {"nothing read", [](Inbox&) { return std::vector<tMessageReport>{}; }, -1, 0, 0, false},
        {"a whole list",
         [](Inbox& i) {
             i.SetList(List({Message(1), Message(2, true)}));
             return std::vector<tMessageReport>{};
         },
         2, 1, 0, true},
        {"a list with a failed entry",
         [](Inbox& i) {
             i.SetList(List({Message(1), Message(2)}, false));
             return std::vector<tMessageReport>{};
         },
         2, 0, 0, false},
        {"invalidated",
         [](Inbox& i) {
             i.SetList(List({Message(1)}));
             i.Invalidate();
             return std::vector<tMessageReport>{};
         },
         -1, 1, 0, true},
        {"played",
         [](Inbox& i) {
             i.SetList(List({Message(1), Message(2)}));
             i.NoteHeard(2);
             i.NoteHeard(9);
             return std::vector<tMessageReport>{};
         },
         2, 1, 0, true},
        {"the poll finds two more",
         [](Inbox& i) {
             i.SetList(List({Message(1)}));
             return i.Update({Message(1), Message(2), Message(3, true)}, 2, false);
         },
         1, 2, 1, true},
        {"the poll reads all, nothing listed",
         [](Inbox& i) {
             return i.Update({Message(1), Message(2)}, 1, true);
         },
         -1, 2, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Inbox inbox;
        int changes = 0;
        QObject::connect(&inbox, &Inbox::Changed, [&changes] { ++changes; });
        const std::vector<tMessageReport> announced = c.steps(inbox);
        EXPECT_EQ(inbox.MessageCount(), c.count);
        EXPECT_EQ(inbox.Unheard(), c.unheard);
        EXPECT_EQ(static_cast<int>(announced.size()), c.announced);
        EXPECT_EQ(inbox.Known(), c.known);
        EXPECT_EQ(changes > 0, c.count >= 0 || c.known);
    }
}

TEST(Inbox, WhatTheListShowedIsAnnouncedOnceTheFileIsUsed)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("gemeldet.txt"));
    Inbox inbox;
    inbox.SetList(List({Message(1), Message(2, true)}));
    inbox.UseAnnouncedFile(file);
    const AnnouncedMessages back(file);
    EXPECT_EQ(back.Size(), 1);
    EXPECT_TRUE(back.Contains(Message(1)));
    EXPECT_TRUE(inbox.Update({Message(1), Message(2, true)}, 1, true).empty());
}

} // namespace
} // namespace zarvo::test
