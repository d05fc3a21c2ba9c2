// SPDX-License-Identifier: GPL-3.0-or-later
// Recognition of pages the test sets itself, the recognised words in the PDF read back by
// poppler's pdftotext, the text file beside the fax, and recognition switched off.
#include "BuildPaths.h"
#include "FaxTextPage.h"

#include "fax/FaxPdfText.h"
#include "fax/PdfWriter.h"
#include "ocr/FaxOcr.h"
#include "ocr/OcrTextFile.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zarvo {
namespace {

// pdftotext's reading of a PDF document; empty when the tool is missing.
QString PdfText(const std::string& pdf)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("text.pdf"));
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf.data(), static_cast<qint64>(pdf.size())) < 0)
        return {};
    file.close();
    QProcess tool;
    tool.start("pdftotext", {"-enc", "UTF-8", file.fileName(), "-"});
    tool.waitForFinished(60'000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

TEST(FaxOcrPdf, InvisibleWordsReadBackAndPicturesUnchanged)
{
    PageBitmap page(1728, 2200);
    page.setBlack(100, 100);
    const std::vector<PdfFaxImage> images = {PdfImageOf(page)};
    const std::vector<std::vector<PdfTextWord>> words = {
        {{200, 300, 180, 40, "Größe"}, {420, 300, 200, 40, "Übermaß"}, {200, 400, 150, 40, "(Preis)"}}};
    const std::string plain = FaxPdfDocument(images, PaperA4);
    EXPECT_EQ(FaxPdfDocument(images, PaperA4, {}), plain);
    EXPECT_EQ(FaxPdfDocument(images, PaperA4, std::vector<std::vector<PdfTextWord>>(1)), plain);
    const std::string withText = FaxPdfDocument(images, PaperA4, words);
    const std::string g4(images[0].g4.begin(), images[0].g4.end());
    EXPECT_NE(withText.find(g4), std::string::npos);
    EXPECT_NE(withText.find("3 Tr"), std::string::npos);
    const QString text = PdfText(withText);
    if (text.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is missing";
    EXPECT_EQ(text.simplified(), "Größe Übermaß (Preis)");

    // A fax's pages: the pictures are MakeFaxPdf's, the words are asked for by page index.
    QFile g3(QString(ZARVO_SOURCE_DATADIR) + "/demo/fax-fine.g3");
    ASSERT_TRUE(g3.open(QIODevice::ReadOnly));
    const QByteArray data = g3.readAll();
    const std::vector<FaxBytes> fax = {FaxBytes(), FaxBytes(data.begin(), data.end())};
    EXPECT_EQ(MakeFaxPdfWithText(fax, PaperA4, {}).bytes, MakeFaxPdf(fax, PaperA4).bytes);
    const FaxPdf pdf = MakeFaxPdfWithText(fax, PaperA4, [](int index, const PageBitmap&) {
        return std::vector<PdfTextWord>{{100, 100, 200, 30, "Seite" + std::to_string(index)}};
    });
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_TRUE(PdfText(pdf.bytes).contains("Seite1"));
}

TEST(FaxOcr, RecognisedWordsSitOnTheirBoxesAndReachThePdf)
{
    if (const std::string reason = OcrUnavailableReason(); !reason.empty())
        GTEST_SKIP() << reason;
    const QStringList lines = {"Rechnung für Herrn Müller", "Größe der Lieferung: zwölf Kartons"};
    FaxOcr ocr;
    for (const int linesPerInch : {196, 98}) {
        SCOPED_TRACE(linesPerInch);
        const test::FaxTextPage drawn = test::RenderFaxText(lines, "DejaVu Sans", 14, linesPerInch);
        const OcrResult result = ocr.recognise(drawn.page, linesPerInch == 196, 3);
        ASSERT_TRUE(result.ok()) << result.error;
        EXPECT_EQ(result.page.number, 3);
        EXPECT_EQ(QString::fromStdString(result.page.text()), lines.join('\n'));
        std::vector<PdfTextWord> words;
        for (const OcrWord& word : result.page.words) {
            words.push_back({word.x, word.y, word.width, word.height, word.text});
            const auto placed = std::find_if(drawn.words.begin(), drawn.words.end(), [&](const auto& p) {
                return p.text.startsWith(QString::fromStdString(word.text));
            });
            ASSERT_NE(placed, drawn.words.end()) << word.text;
            // In page lines, not in the doubled ones Tesseract saw.
            EXPECT_NEAR(word.y, placed->y, 3) << word.text;
            EXPECT_NEAR(word.y + word.height, placed->y + placed->height, 3) << word.text;
            EXPECT_NEAR(word.x, placed->x, 3) << word.text;
        }
        const std::vector<PdfFaxImage> images = {PdfImageOf(drawn.page)};
        const std::vector<std::vector<PdfTextWord>> pageWords = {words};
        const QString text = PdfText(FaxPdfDocument(images, PaperA4, pageWords));
        if (text.isEmpty())
            GTEST_SKIP() << "pdftotext (poppler-utils) is missing";
        EXPECT_EQ(text.simplified(), lines.join(' '));
    }
    EXPECT_FALSE(ocr.recognise(PageBitmap{}, true).ok());
}

TEST(FaxOcr, SwitchedOffSaysWhyInGerman)
{
    const QTemporaryDir emptyData;
    const struct {
        OcrSettings settings;
        const char* reason;
    } cases[] = {
        {{"xyz_abc", ""},
         "Texterkennung aus: Sprachdaten für xyz_abc fehlen (Debian-Paket tesseract-ocr-xyz-abc"},
        {{"deu+eng", emptyData.path().toStdString()},
         "Texterkennung aus: Sprachdaten für deu, eng fehlen (Debian-Pakete tesseract-ocr-deu "
         "tesseract-ocr-eng"},
        {{"../deu", ""}, "Texterkennung aus: Spracheinstellung „../deu“ ist ungültig"},
        {{"", ""}, "Texterkennung aus: Spracheinstellung „“ ist ungültig"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings.languages);
        EXPECT_EQ(OcrUnavailableReason(c.settings).rfind(c.reason, 0), 0u)
            << OcrUnavailableReason(c.settings);
        FaxOcr ocr(c.settings);
        EXPECT_EQ(ocr.unavailableReason(), OcrUnavailableReason(c.settings));
        const OcrResult result = ocr.recognise(PageBitmap(1728, 1100), false);
        EXPECT_EQ(result.error, ocr.unavailableReason());
    }
}

TEST(OcrTextFile, KeepsWordsAndSkipsWhatItCannotRead)
{
    const std::vector<OcrPage> pages = {
        {1, {{10, 20, 30, 12, 0, 91, "Straße"}, {50, 20, 40, 12, 0, 88, "Nr."}}},
        {3, {{5, 6, 7, 8, 2, 50, "a b"}}}};
    const std::string file = OcrTextFile(pages);
    EXPECT_EQ(file, "zarvo-ocr 1\n1\t0\t10\t20\t30\t12\t91\tStraße\n1\t0\t50\t20\t40\t12\t88\tNr.\n"
                    "3\t2\t5\t6\t7\t8\t50\ta b\n");
    const OcrTextRead read =
        ReadOcrTextFile(file + "# note\n\nx\t1\n0\t0\t1\t1\t1\t1\t1\tw\n2\t0\t1\t1\t1\t1\t1\t\n");
    EXPECT_TRUE(read.known);
    EXPECT_EQ(read.badLines, 3);
    ASSERT_EQ(read.pages.size(), 2u);
    EXPECT_EQ(read.pages[0].words, pages[0].words);
    EXPECT_EQ(read.pages[1].words, pages[1].words);
    EXPECT_EQ(read.pages[0].text(), "Straße Nr.");
}

} // namespace
} // namespace zarvo
