// SPDX-License-Identifier: GPL-3.0-or-later
// A fax with known words in the archive: recognised, found by a word with its page, the PDF's text
// read back by pdftotext, the text surviving a rebuilt index; the worker queue, and recognition
// that cannot run.
#include "../fax/G3TestWriter.h"
#include "FaxTextPage.h"

#include "core/FaxRecognition.h"
#include "core/RecognitionQueue.h"
#include "core/archive/Archive.h"
#include "core/archive/Sqlite.h"
#include "fax/FaxDocument.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace zarvo {
namespace {

// A page as the modem stores it: one-dimensional T.4 codes, every line ended by an EOL.
FaxBytes EncodeT4(const PageBitmap& page)
{
    static const test::ShippedCodes codes;
    test::BitWriter bits;
    for (int y = 0; y < page.height; ++y) {
        std::vector<int> runs;
        for (int x = 0, end = 0; x < page.width; x = end) {
            for (end = x; end < page.width && page.black(end, y) == (runs.size() % 2 == 1);)
                ++end;
            runs.push_back(end - x);
        }
        bits.put(codes.line(runs)).put(test::kEolBits);
    }
    return bits.zeros(32).data();
}

QByteArray FaxMessage(const std::vector<FaxBytes>& pages)
{
    const FaxBytes coded = JoinFaxPages(pages);
    return QByteArray("F") + char(pages.size()) +
           QByteArray(reinterpret_cast<const char*>(coded.data()), static_cast<qsizetype>(coded.size()));
}

QString PdfText(const QString& pdf)
{
    QProcess tool;
    tool.start("pdftotext", {"-enc", "UTF-8", pdf, "-"});
    tool.waitForFinished(60'000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

struct ArchivedFax {
    QTemporaryDir dir;
    std::unique_ptr<archive::Archive> archive;
    archive::ArchivedMessage fax;

    QString indexPath() const { return dir.filePath("archiv.sqlite"); }
    void open()
    {
        QString problem;
        archive = archive::Archive::open(dir.filePath("Archiv"), indexPath(), &problem);
        ASSERT_TRUE(archive) << problem.toStdString();
    }
    explicit ArchivedFax(const QByteArray& downloaded)
    {
        open();
        const archive::AddResult added = archive->add(
            {archive::MessageKind::Fax, "0301 555 123", QDateTime::currentDateTime(), 2, downloaded, {}});
        EXPECT_TRUE(added.newlyStored()) << added.reason.toStdString();
        fax = *archive->get(added.id);
    }
};

TEST(ArchiveRecognition, FindsTheWordOnItsPageInIndexPdfAndAfterARebuild)
{
    if (const std::string reason = OcrUnavailableReason(); !reason.empty())
        GTEST_SKIP() << reason;
    const test::FaxTextPage one = test::RenderFaxText({"Rechnung vom Dezember"}, "DejaVu Sans", 14, 196);
    const test::FaxTextPage two =
        test::RenderFaxText({"Lieferschein für zwölf Kartons"}, "DejaVu Sans", 14, 98);
    ArchivedFax a(FaxMessage({EncodeT4(one.page), EncodeT4(two.page)}));

    FaxOcr ocr;
    FaxRecognition recognition(*a.archive, ocr);
    const FaxRecognitionResult r = recognition.recognise(a.fax);
    ASSERT_EQ(r.outcome, FaxRecognitionResult::Recognised) << r.text.toStdString();
    EXPECT_EQ(r.pages, 2);
    EXPECT_TRUE(QFile::exists(a.fax.textFile()));
    EXPECT_EQ(recognition.recognise(a.fax).outcome, FaxRecognitionResult::FromTextFile) << "read once only";

    const auto expectFound = [&](const char* step) {
        SCOPED_TRACE(step);
        const struct {
            const char* words;
            int page;
        } cases[] = {{"Lieferschein", 2}, {"zwolf karton", 2}, {"Rechnung Dezember", 1}, {"0301", 0}};
        for (const auto& c : cases) {
            const auto found = a.archive->search(c.words);
            ASSERT_EQ(found.size(), 1u) << c.words;
            EXPECT_EQ(found[0].hitPage, c.page) << c.words;
        }
        EXPECT_TRUE(a.archive->search("Rechnung Kartons").empty()) << "all words on one page";
    };
    expectFound("recognised");

    const QString pdfText = PdfText(a.fax.files.filter(".pdf").value(0));
    if (pdfText.isEmpty())
        ADD_FAILURE() << "pdftotext (poppler-utils) is missing";
    EXPECT_TRUE(pdfText.contains("Lieferschein")) << pdfText.toStdString();

    // Nothing is stray for the check, and a lost index gets the text back from the file.
    for (const archive::CheckFinding& f : a.archive->check(false))
        ADD_FAILURE() << f.text.toStdString();
    a.archive.reset();
    ASSERT_TRUE(QFile::remove(a.indexPath()));
    a.open();
    EXPECT_TRUE(a.archive->indexRebuilt());
    expectFound("rebuilt");
}

TEST(ArchiveRecognition, QueueReportsEachFaxAndUnavailableRecognitionChangesNothing)
{
    PageBitmap page(1728, 400);
    for (int x = 100; x < 400; ++x)
        page.setBlack(x, 200);
    ArchivedFax a(FaxMessage({EncodeT4(page)}));
    const QString dataFolder = a.dir.filePath("Archiv");
    const QString otherIndex = a.dir.filePath("other.sqlite");
    const QString text = a.fax.textFile();

    const struct {
        const char* languages;
        bool ok;
    } cases[] = {{"xx_keine", false}, {DefaultOcrLanguages, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.languages);
        const bool available = OcrUnavailableReason({c.languages, {}}).empty();
        if (c.ok && !available)
            continue;
        RecognitionQueue queue(dataFolder, otherIndex, {c.languages, {}});
        QSignalSpy done(&queue, &RecognitionQueue::faxDone);
        queue.enqueue(a.fax.id);
        for (int waited = 0; done.isEmpty() && waited < 600; ++waited)
            QTest::qWait(100); // the signal arrives queued from the worker thread
        ASSERT_EQ(done.size(), 1);
        EXPECT_EQ(done.at(0).at(0).toString(), a.fax.id);
        EXPECT_EQ(done.at(0).at(1).toBool(), c.ok) << done.at(0).at(2).toString().toStdString();
        EXPECT_EQ(QFile::exists(text), c.ok);
        EXPECT_EQ(queue.pending(), 0);
        if (c.ok) { // a damaged index costs the fax its text, not the program
            sqlite::Database(otherIndex).exec("DROP TABLE journal");
            queue.enqueue(a.fax.id);
            ASSERT_TRUE(QTest::qWaitFor([&] { return done.size() == 2; }, 60000));
            EXPECT_FALSE(done.at(1).at(1).toBool());
        }
    }
}

} // namespace
} // namespace zarvo
