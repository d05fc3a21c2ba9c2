// SPDX-License-Identifier: GPL-3.0-or-later
// Which rows of the list count as archived, and what the erase asks.
#include "core/DesktopArchive.h"
#include "modem/ZarvoFields.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zarvo {
namespace {

tMessageReport Entry(const char* caller, int minute, int size)
{
    tMessageReport e;
    e.MsgType = 3;
    e.Id = QString::fromLatin1(caller);
    e.Size = static_cast<quint8>(size);
    e.Received = minute < 0 ? 1.5 : ToTDateTime(QDateTime(QDate(2026, 12, 9), QTime(14, minute)));
    return e;
}

TEST(DesktopArchive, EraseQuestionNamesTheCount)
{
    const std::pair<int, QString> table[] = {
        {0, QString()},
        {1,
         QString::fromUtf8("Eine Nachricht ist noch nicht archiviert. Erst archivieren und dann löschen?")},
        {3,
         QString::fromUtf8("3 Nachrichten sind noch nicht archiviert. Erst archivieren und dann löschen?")},
    };
    for (const auto& [count, text] : table)
        EXPECT_EQ(EraseArchiveQuestion(count), text) << count;
}

TEST(DesktopArchive, RowsCountAsArchivedOnlyWhenKnown)
{
    QTemporaryDir home;
    qputenv("ZARVO_HOME", home.path().toLocal8Bit());
    const tMessageReport earlier = Entry("0301 1", 1, 4);    // stored by an earlier run
    const tMessageReport now = Entry("0301 2", 2, 4);        // stored in this run
    const tMessageReport twice = Entry("0301 3", 3, 4);      // listed twice, stored once
    const tMessageReport restarted = Entry("0301 4", -1, 4); // a restarted modem clock
    {
        DesktopArchive previous{ArchiveSettings{}};
        EXPECT_TRUE(previous.store(1, &earlier, "D1111").newlyStored);
        EXPECT_TRUE(previous.store(2, &restarted, "D4444").ok);
    }
    DesktopArchive archive{ArchiveSettings{}};
    EXPECT_TRUE(archive.store(2, &now, "D2222").newlyStored);
    EXPECT_TRUE(archive.store(3, &twice, "D3333").newlyStored);
    const DesktopArchive::Outcome again = archive.store(4, &now, "D2222");
    EXPECT_TRUE(again.ok && !again.newlyStored) << "the same bytes are stored once";

    struct Row {
        tMessageReport entry;
        bool archived;
    };
    const Row table[] = {
        {earlier, true},                // found by kind, caller, time and size
        {now, true},                    // stored in this session
        {Entry("0301 1", 1, 5), false}, // another size
        {Entry("0301 9", 1, 4), false}, // another caller
        {Entry("0301 1", 5, 4), false}, // another time
        {restarted, false},             // stored before, but its time tells nothing
        {twice, false},                 // the list holds it twice:
        {twice, false},                 //   one of them is not archived, and nobody knows which
    };
    std::vector<tMessageReport> entries;
    std::vector<int> expected;
    for (const Row& row : table) {
        entries.push_back(row.entry);
        if (!row.archived)
            expected.push_back(static_cast<int>(entries.size()));
    }
    EXPECT_EQ(archive.notArchived(entries), expected);
    qunsetenv("ZARVO_HOME");
}

// The command runs for a message stored first only; a missing program is said in the status line.
TEST(DesktopArchive, CommandRunsForNewlyStoredMessages)
{
    QTemporaryDir home;
    qputenv("ZARVO_HOME", home.path().toLocal8Bit());
    ArchiveSettings settings;
    settings.command = QStringLiteral("sh -c 'echo neu: $ZARVO_CALLER'");
    DesktopArchive archive(settings);
    QStringList log, status;
    archive.log = [&](const QString& line) { log << line; };
    archive.status = [&](const QString& text) { status << text; };
    const tMessageReport entry = Entry("0301 5", 7, 4);
    archive.store(1, &entry, "D5555");
    archive.store(1, &entry, "D5555"); // already there: no second run
    settings.command = QStringLiteral("zarvo-no-such-program");
    for (QDeadlineTimer limit(30000); !log.contains("neu: 0301 5") && !limit.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    archive.setSettings(settings);
    archive.store(2, &entry, "D6666");
    for (QDeadlineTimer limit(30000); status.isEmpty() && !limit.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ASSERT_EQ(status.size(), 1);
    EXPECT_TRUE(status[0].contains("zarvo-no-such-program")) << status[0].toStdString();
    EXPECT_EQ(log.filter("neu:").size(), 1) << log.join(u'\n').toStdString();
    qunsetenv("ZARVO_HOME");
}

} // namespace
} // namespace zarvo
