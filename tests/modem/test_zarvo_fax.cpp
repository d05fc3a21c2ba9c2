// SPDX-License-Identifier: GPL-3.0-or-later
#include "BuildPaths.h"
#include "Recording.h"

#include "fax/FaxFileError.h"
#include "modem/FaxViewerOpener.h"
#include "modem/Zarvo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

const QString kDecoding = QStringLiteral("FAX wird decodiert. Bitte warten...");
const QString kDecoded = QStringLiteral("FAX fertig decodiert");
const QString kSaved = QStringLiteral("FAX gespeichert");
const QString kNotSaved = QStringLiteral("FAX nicht gespeichert");

// Stands in for the application's viewer factory: remembers what each new window was given.
class RecordingOpener : public FaxViewerOpener {
  public:
    explicit RecordingOpener(const RecordingStatus& status) : status_(status) {}
    void OpenFaxViewer(TZarvo& owner, FaxBytes faxData) override
    {
        owners.push_back(&owner);
        faxes.push_back(std::move(faxData));
        statusWhenOpened.push_back(status_.current);
    }
    std::vector<TZarvo*> owners;
    std::vector<FaxBytes> faxes;
    QStringList statusWhenOpened;

  private:
    const RecordingStatus& status_;
};

// Three white lines of 1728 pixels (EOL, make-up 1728, terminating 0), then six EOLs.
const QByteArray
    kWhitePage("\x00\x14\xd9\xa8\x00\xa6\xcd\x40\x05\x36\x6a\x00\x20\x02\x00\x20\x02\x00\x20\x02", 20);

class ZarvoFaxTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        savedHome = qgetenv("ZARVO_HOME");
        qputenv("ZARVO_HOME", home.path().toLocal8Bit());
        // The TIFF writer's code table, where an installed program has it: in its directory.
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(ZARVO_SOURCE_DATADIR "/RFCG3.DAT"), home.filePath("RFCG3.DAT")));
        zarvo.StatusPanel = &status;
        zarvo.ReportMemo = &report;
    }
    void TearDown() override
    {
        if (savedHome.isNull())
            qunsetenv("ZARVO_HOME");
        else
            qputenv("ZARVO_HOME", savedHome);
    }
    QString tif(const char* name) const { return home.filePath(QString::fromLatin1(name)); }

    QTemporaryDir home;
    QByteArray savedHome;
    RecordingStatus status;
    RecordingReport report;
    TZarvo zarvo;
};

TEST_F(ZarvoFaxTest, ShowFaxHandsEachFaxToANewViewer)
{
    RecordingOpener opener(status);
    zarvo.SetViewerOpener(&opener);
    const QByteArray fax = QByteArray("\x01\x10\x10\x02\x10\x03", 6);
    EXPECT_EQ(zarvo.ShowFax(QByteArray("F\x01", 2) + fax), 0);
    EXPECT_EQ(zarvo.ShowFax(QByteArray("F\x07", 2)), 0);

    ASSERT_EQ(opener.faxes.size(), 2u);
    EXPECT_EQ(opener.faxes[0], FaxBytes(fax.begin(), fax.end()));
    EXPECT_TRUE(opener.faxes[1].empty());
    EXPECT_EQ(opener.owners, (std::vector<TZarvo*>{&zarvo, &zarvo}));
    EXPECT_EQ(opener.statusWhenOpened, (QStringList{kDecoding, kDecoding}));
    EXPECT_EQ(status.history, (QStringList{kDecoding, kDecoded, kDecoding, kDecoded}));
    EXPECT_EQ(report.lines,
              (QStringList{u'-' + kDecoding, u'-' + kDecoded, u'-' + kDecoding, u'-' + kDecoded}));
}

TEST_F(ZarvoFaxTest, ShowFaxRefusesWhatCannotBeShown)
{
    RecordingOpener opener(status);
    EXPECT_EQ(zarvo.ShowFax(QByteArray("F\x01\x00", 3)), 24); // no opener installed
    zarvo.SetViewerOpener(&opener);
    EXPECT_EQ(zarvo.ShowFax(QByteArray("V\x01\x02")), 21);
    EXPECT_EQ(zarvo.ShowFax(QByteArray()), 21);
    EXPECT_TRUE(opener.faxes.empty());
    EXPECT_TRUE(status.history.isEmpty());
    EXPECT_TRUE(report.lines.isEmpty());
}

TEST_F(ZarvoFaxTest, SaveFaxWritesTheTiffFile)
{
    const QByteArray fax = kWhitePage + QByteArray("\x10\x03", 2); // no DLE in the page
    EXPECT_EQ(zarvo.SaveFax(QByteArray("F\x01", 2) + fax + fax, tif("fax.tif")), 0);
    EXPECT_EQ(status.history, (QStringList{kDecoding, kSaved}));
    EXPECT_EQ(report.lines, (QStringList{u'-' + kDecoding, u'-' + kSaved}));

    QFile file(tif("fax.tif"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith(QByteArray("II\x2a\x00\x08\x00\x00\x00", 8)));
    EXPECT_EQ(bytes.size(), 8 + 2 * (222 + kWhitePage.size() - 1)); // two pages, each but its last byte
    EXPECT_EQ(static_cast<uint8_t>(bytes[8 + 2 + 12 + 8]) | static_cast<uint8_t>(bytes[8 + 2 + 12 + 9]) << 8,
              1728); // the width entry
}

TEST_F(ZarvoFaxTest, SaveFaxRefusesWithoutPages)
{
    struct Case {
        QByteArray message;
        quint8 result;
        QStringList statuses;
    };
    const Case cases[] = {
        {QByteArray("V\x01xyz", 5), 21, {}},
        {QByteArray(), 21, {}},
        {QByteArray("F"), 25, {}},
        {QByteArray("F\x00\x01\x02", 4), 25, {}},
        // A page count but no readable line: no file that no reader could open.
        {QByteArray("F\x01\x10\x03\x42", 5), 25, {kDecoding, kNotSaved + ": keine lesbare Seite"}},
    };
    for (const Case& c : cases) {
        // The file of an earlier fax: a fax that gives no file must not leave it to be shown instead.
        QFile old(tif("none.tif"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("earlier fax") > 0);
        old.close();
        status.history.clear();
        EXPECT_EQ(zarvo.SaveFax(c.message, tif("none.tif")), c.result) << c.message.toHex().constData();
        EXPECT_EQ(status.history, c.statuses) << c.message.toHex().constData();
        EXPECT_EQ(QFile::exists(tif("none.tif")), c.result == 21) << "not a fax: nothing touched";
    }
}

TEST_F(ZarvoFaxTest, SaveFaxFileErrorsReachTheCaller)
{
    EXPECT_THROW(zarvo.SaveFax(QByteArray("F\x01", 2) + kWhitePage, tif("missing/dir/fax.tif")),
                 FaxFileError);
    EXPECT_EQ(status.history, (QStringList{kDecoding, kNotSaved}));
    // A target that cannot be removed is an error too, never left to pass for this fax.
    ASSERT_TRUE(QDir(home.path()).mkdir("dir.tif"));
    EXPECT_THROW(zarvo.SaveFax(QByteArray("F\x01", 2) + kWhitePage, tif("dir.tif")), FaxFileError);
}

} // namespace
} // namespace zarvo::test
