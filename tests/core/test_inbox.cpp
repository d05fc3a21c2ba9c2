// SPDX-License-Identifier: GPL-3.0-or-later
// The inbox: what the list, the poll and a download tell it, and what the tray and the notice read.
#include "core/AnnouncedMessages.h"
#include "core/Inbox.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

tMessageReport Message(int n, bool heard = false)
{
    tMessageReport r;
    r.Listened = r.Downloaded = heard;
    r.Minute = static_cast<quint8>(n);
    return r;
}

MessageListData List(std::vector<tMessageReport> entries, bool whole = true)
{
    MessageListData list{static_cast<int>(entries.size()), 40, {}, entries, {}};
    list.Rows.resize(entries.size());
    if (!whole)
        list.Reports.pop_back(); // an entry whose query failed: a blank row
    return list;
}

TEST(Inbox, ListPollAndDownloadKeepOneState)
{
    const tMessageReport a = Message(1), b = Message(2), heard = Message(2, true), phoned = Message(3, true);
    struct Case {
        const char* name;
        std::vector<tMessageReport> listed; // empty: no list was read
        bool whole, invalidate;
        int played;                         // 0: none
        std::vector<tMessageReport> polled; // from entry 2 on; empty: no poll
        int count, unheard, announced;
        bool known;
    };
    const std::vector<Case> cases = {
        {"nothing read", {}, true, false, 0, {}, -1, 0, 0, false},
        {"a list", {a, heard}, true, false, 0, {}, 2, 1, 0, true},
        {"a failed entry", {a, b}, false, false, 0, {}, 2, 0, 0, false},
        {"invalidated", {a}, true, true, 0, {}, -1, 1, 0, true},
        {"played", {a, b}, true, false, 2, {}, 2, 1, 0, true},
        {"polled", {a}, true, false, 0, {a, b, phoned}, 1, 2, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Inbox inbox;
        int changes = 0;
        QObject::connect(&inbox, &Inbox::Changed, [&changes] { ++changes; });
        if (!c.listed.empty())
            inbox.SetList(List(c.listed, c.whole));
        if (c.invalidate)
            inbox.Invalidate();
        inbox.NoteHeard(c.played);
        const auto fresh =
            c.polled.empty() ? std::vector<tMessageReport>{} : inbox.Update(c.polled, 2, false);
        EXPECT_EQ(static_cast<int>(fresh.size()), c.announced);
        EXPECT_EQ(inbox.MessageCount(), c.count);
        EXPECT_EQ(inbox.Unheard(), c.unheard);
        EXPECT_EQ(inbox.Known(), c.known);
        EXPECT_EQ(changes > 0, !c.listed.empty());
    }
}

TEST(Inbox, WhatTheListShowedIsAnnouncedOnceTheFileIsUsed)
{
    QTemporaryDir dir;
    Inbox inbox;
    inbox.SetList(List({Message(1), Message(2, true)}));
    inbox.UseAnnouncedFile(dir.filePath(QStringLiteral("gemeldet.txt")));
    EXPECT_TRUE(AnnouncedMessages(dir.filePath(QStringLiteral("gemeldet.txt"))).Contains(Message(1)));
    EXPECT_TRUE(inbox.Update({Message(1), Message(2, true)}, 1, true).empty());
}

} // namespace
} // namespace zarvo::test
