// SPDX-License-Identifier: GPL-3.0-or-later
// The archive window's model against a real archive: order, pages, filters; the time spans and
// the archive's place.
#include "common/ProgramPaths.h"
#include "core/archive/Archive.h"
#include "core/archive/ArchiveListModel.h"
#include "core/archive/ArchiveTimeSpan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace zarvo::archive {
namespace {

const QDateTime kStart{QDate(2026, 12, 1), QTime(8, 0), Qt::OffsetFromUTC, 3600};

class ArchiveListModelTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        qputenv("ZARVO_HOME", home.path().toLocal8Bit());
        QString problem;
        archive = Archive::open(home.filePath("Archiv"), home.filePath("archiv.sqlite"), &problem);
        ASSERT_TRUE(archive) << problem.toStdString();
    }
    void TearDown() override { qunsetenv("ZARVO_HOME"); }

    // A message of earlier batch runs: its file taken as it is (no conversion, so many are quick).
    void add(MessageKind kind, const QString& caller, const QDateTime& received)
    {
        const QString suffix = kind == MessageKind::Voice ? "wav" : kind == MessageKind::Fax ? "pdf" : "dat";
        const QString file = home.filePath(QStringLiteral("in%1.%2").arg(++added).arg(suffix));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::number(added) + caller.toUtf8());
        f.close();
        ArchivedMessageInput in;
        in.kind = kind;
        in.caller = caller;
        in.received = received;
        in.amount = added;
        in.takenFiles = {file};
        ASSERT_TRUE(archive->add(in).newlyStored());
    }
    QStringList callers(const ArchiveListModel& model)
    {
        QStringList out;
        for (int r = 0; r < model.rowCount(); ++r)
            out << model.data(model.index(r, ArchiveListModel::CallerColumn)).toString();
        return out;
    }

    QTemporaryDir home;
    std::unique_ptr<Archive> archive;
    int added = 0;
};

TEST_F(ArchiveListModelTest, NewestFirstAPageAtATimeAndOldestFirstOverTheWholeArchive)
{
    for (int i = 0; i < 25; ++i)
        add(MessageKind::Data, QStringLiteral("Anrufer %1").arg(i), kStart.addSecs(i * 3600));
    ArchiveListModel model(*archive);
    model.setPageSize(10);
    model.setFilter({});
    ASSERT_EQ(model.rowCount(), 10);
    EXPECT_EQ(callers(model).front(), "Anrufer 24");
    for (const int expected : {20, 25, 25}) {
        model.fetchMore({});
        EXPECT_EQ(model.rowCount(), expected);
    }
    EXPECT_FALSE(model.canFetchMore({}));
    for (int r = 1; r < model.rowCount(); ++r)
        EXPECT_GT(model.message(r - 1)->received, model.message(r)->received) << r;

    model.sort(ArchiveListModel::ReceivedColumn, Qt::AscendingOrder);
    EXPECT_EQ(model.rowCount(), 10);
    EXPECT_EQ(callers(model).front(), "Anrufer 0");
    while (model.canFetchMore({}))
        model.fetchMore({});
    EXPECT_EQ(callers(model).back(), "Anrufer 24");
    EXPECT_EQ(model.rowCount(), 25);
}

TEST_F(ArchiveListModelTest, FiltersByTextKindAndTimeAndShowsTheRowsAsTheMainList)
{
    add(MessageKind::Voice, QString::fromUtf8("Müller Hans"), kStart);
    add(MessageKind::Fax, QStringLiteral("Fax 0301 Schmidt"), kStart.addDays(3));
    add(MessageKind::Data, QStringLiteral("Schmidt Daten"), kStart.addDays(5));
    add(MessageKind::Voice, QStringLiteral("Schmidt"), kStart.addDays(8));
    ASSERT_TRUE(
        archive->setNote(archive->list({}).messages.back().id, QStringLiteral("Rückruf Angebot")).isEmpty());

    struct Case {
        const char* name;
        ListFilter filter;
        QStringList expected;
    };
    const auto filter = [](const char* text, std::optional<MessageKind> kind = {}, int fromDay = -1,
                           int toDay = -1) {
        ListFilter f;
        f.text = QString::fromUtf8(text);
        f.kind = kind;
        if (fromDay >= 0)
            f.from = kStart.addDays(fromDay);
        if (toDay >= 0)
            f.to = kStart.addDays(toDay);
        return f;
    };
    const Case cases[] = {
        {"everything, newest first", {}, {"Schmidt", "Schmidt Daten", "Fax 0301 Schmidt", "Müller Hans"}},
        {"a caller's beginning, without its umlaut", filter("mull"), {"Müller Hans"}},
        {"a word of the note", filter("angeb"), {"Müller Hans"}},
        {"two words", filter("schmidt dat"), {"Schmidt Daten"}},
        {"only punctuation", filter("-"), {}},
        {"a kind", filter("", MessageKind::Fax), {"Fax 0301 Schmidt"}},
        {"text and kind", filter("schm", MessageKind::Voice), {"Schmidt"}},
        {"a time span", filter("", std::nullopt, 3, 8), {"Schmidt Daten", "Fax 0301 Schmidt"}},
    };
    ArchiveListModel model(*archive);
    for (const Case& c : cases) {
        model.setFilter(c.filter);
        QStringList expected;
        for (const QString& s : c.expected)
            expected << QString::fromUtf8(s.toUtf8());
        EXPECT_EQ(callers(model), expected) << c.name;
        EXPECT_TRUE(model.problem().isEmpty()) << c.name;
    }

    model.setFilter({});
    const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
        return model.data(model.index(row, column), role);
    };
    EXPECT_EQ(cell(1, ArchiveListModel::AmountColumn).toString(), "3 Byte");
    EXPECT_EQ(cell(2, ArchiveListModel::AmountColumn).toString(), "2 Seite(n)");
    EXPECT_EQ(cell(3, ArchiveListModel::AmountColumn).toString(), "1 Sekunden");
    EXPECT_EQ(cell(2, ArchiveListModel::KindColumn, ArchiveListModel::KindRole).toInt(),
              int(MessageKind::Fax));
    EXPECT_EQ(cell(3, ArchiveListModel::NoteColumn).toString(), QString::fromUtf8("Rückruf Angebot"));

    // A mark reaches its row; a message archived meanwhile reaches the list with a reload.
    ASSERT_TRUE(archive->setHeard(model.message(0)->id, true).isEmpty());
    model.refreshMessage(model.message(0)->id);
    EXPECT_TRUE(cell(0, ArchiveListModel::HeardColumn, ArchiveListModel::HeardRole).toBool());
    add(MessageKind::Fax, QStringLiteral("Neu"), kStart.addDays(9));
    model.reload();
    EXPECT_EQ(callers(model).front(), "Neu");
}

TEST(ArchiveTimeSpan, StartsAtTheBeginningOfTheDayInNowsOffset)
{
    const QDateTime now{QDate(2026, 12, 9), QTime(14, 3), Qt::OffsetFromUTC, 3600};
    const struct {
        TimeSpan span;
        QDate first; // invalid: no limit
    } cases[] = {
        {TimeSpan::Today, QDate(2026, 12, 9)},
        {TimeSpan::Last7Days, QDate(2026, 12, 3)},
        {TimeSpan::ThisMonth, QDate(2026, 12, 1)},
        {TimeSpan::ThisYear, QDate(2026, 1, 1)},
        {TimeSpan::All, QDate()},
    };
    for (const auto& c : cases) {
        const TimeRange r = timeRange(c.span, now);
        EXPECT_FALSE(r.to.isValid());
        if (!c.first.isValid())
            EXPECT_FALSE(r.from.isValid());
        else
            EXPECT_EQ(r.from, QDateTime(c.first, QTime(0, 0), Qt::OffsetFromUTC, 3600)) << int(c.span);
    }
    EXPECT_EQ(timeSpanTexts().size(), 5);
}

TEST(ArchivePlace, AnotherFolderFromTheSettingsGetsAnIndexOfItsOwn)
{
    QTemporaryDir home;
    qputenv("ZARVO_HOME", home.path().toLocal8Bit());
    const QString ini = home.filePath("ZARVO2.ini");
    const ArchivePlace standard = archivePlace(ini);
    EXPECT_EQ(standard.folder, ProgramPaths::archiveFolder());
    EXPECT_EQ(standard.index, ProgramPaths::archiveIndexFile());
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Archiv]\nOrdner=" + home.filePath("Anderswo").toUtf8() + "\n");
    f.close();
    const ArchivePlace other = archivePlace(ini);
    EXPECT_EQ(other.folder, home.filePath("Anderswo"));
    EXPECT_NE(other.index, standard.index);
    EXPECT_TRUE(other.index.startsWith(QFileInfo(standard.index).absolutePath()));
    qunsetenv("ZARVO_HOME");
}

} // namespace
} // namespace zarvo::archive
