// SPDX-License-Identifier: GPL-3.0-or-later
// Faxes as PDF: the G4 coding judged by libtiff's decoder, the document by poppler's tools, the
// page placement and the paper by their figures, and whole-file writing.

#include "BuildPaths.h"
#include "G3TestWriter.h"
#include "fax/FAXTIF.h"
#include "fax/FaxFileError.h"
#include "fax/FaxPdf.h"
#include "fax/FullPageDecoder.h"
#include "fax/G4Encoder.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <bit>
#include <cmath>
#include <iterator>
#include <regex>
#include <sstream>

namespace zarvo {
namespace {

using test::Quoted;
using test::ReadAll;
using test::ReadPbm;
using test::TempDir;

std::string Output(const std::string& command, const TempDir& dir)
{
    const auto out = dir.file("tool.out");
    test::RunCommand(command + " >" + Quoted(out) + " 2>&1");
    const std::vector<uint8_t> bytes = ReadAll(out);
    return {bytes.begin(), bytes.end()};
}

// Our G4 data inside a TIFF, decoded row by row by libtiff (1 = black, as min-is-white stores it).
PageBitmap DecodeWithLibtiff(const std::vector<uint8_t>& g4, int width, int height, const TempDir& dir)
{
    const std::string name = dir.file("g4.tif").string();
    TIFF* out = TIFFOpen(name.c_str(), "w");
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height));
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(height));
    TIFFWriteRawStrip(out, 0, const_cast<uint8_t*>(g4.data()), static_cast<tmsize_t>(g4.size()));
    TIFFClose(out);

    PageBitmap image(width, height);
    TIFF* in = TIFFOpen(name.c_str(), "r");
    if (!in)
        return {};
    for (int y = 0; y < height; ++y)
        if (TIFFReadScanline(in, image.bits.data() + static_cast<size_t>(y) * image.stride(),
                             static_cast<uint32_t>(y), 0) != 1)
            image = {};
    TIFFClose(in);
    return image;
}

PageBitmap Drawn(int width, int height, const std::function<bool(int, int)>& black)
{
    PageBitmap image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setBlack(x, y, black(x, y));
    return image;
}

TEST(FaxPdfG4, LibtiffDecodesEveryPictureExactly)
{
    std::mt19937 rng(7);
    struct Case {
        const char* name;
        PageBitmap image;
    } cases[] = {
        {"white", PageBitmap(1728, 5)},
        {"black", Drawn(1728, 4, [](int, int) { return true; })},
        {"single pixels", Drawn(61, 40, [](int x, int y) { return (x + y) % 2 == 0; })},
        {"first and last column", Drawn(1728, 9, [](int x, int) { return x == 0 || x == 1727; })},
        {"noise", Drawn(203, 50, [&](int, int) { return rng() % 3 == 0; })},
        {"runs longer than 2560 (make-up loops)",
         Drawn(6000, 6, [](int x, int y) { return y % 2 ? x < 5300 : x >= 2624 && x < 5250; })},
        {"strokes: pass, vertical and horizontal modes",
         Drawn(1728, 300,
               [](int x, int y) {
                   return (x / 7 + y / 11) % 5 == 0 || (y > 100 && std::abs(x - 3 * y) < 4) ||
                          (y % 40 == 0 && x % 300 < 200);
               })},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::vector<uint8_t> g4 = EncodeG4(c.image);
        const PageBitmap back = DecodeWithLibtiff(g4, c.image.width, c.image.height, dir);
        EXPECT_EQ(back.bits, c.image.bits) << c.name;
        // Data ends with EOFB (two EOLs), then fewer than eight zero bits.
        ASSERT_GE(g4.size(), 4u);
        uint32_t tail = 0;
        for (size_t i = g4.size() - 4; i < g4.size(); ++i)
            tail = tail << 8 | g4[i];
        const int padding = std::countr_zero(tail);
        EXPECT_LT(padding, 8) << c.name;
        EXPECT_EQ((tail >> padding) & 0xFFFFFF, 0x001001u) << c.name;
    }
    // Bits of a row beyond the width are not part of the picture.
    PageBitmap padded(13, 3);
    for (uint8_t& b : padded.bits)
        b = 0x07;
    const PageBitmap clean = Drawn(13, 3, [](int x, int) { return x >= 5 && x < 8; });
    EXPECT_EQ(EncodeG4(padded), EncodeG4(clean));
}

// A fax of the demo pages: three normal pages and a fine one.
class FaxPdfPeersTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        for (const char* name : {"fax3-1.g3", "fax3-2.g3", "fax-fine.g3", "fax3-3.g3"})
            pages.push_back(ReadAll(std::filesystem::path(ZARVO_SOURCE_DATADIR) / "demo" / name));
        pages.insert(pages.begin() + 1, FaxBytes{}); // an empty page is left out
        pdf = dir.file("fax.pdf");
        ASSERT_EQ(SaveFaxAsPdf(pages, pdf.string(), PaperA4).pages, 4);
        pages.erase(pages.begin() + 1);
        ASSERT_TRUE(LoadCodeTable(table).ok());
    }

    TempDir dir;
    std::vector<FaxBytes> pages;
    std::filesystem::path pdf;
    CodeTable table;
};

TEST_F(FaxPdfPeersTest, PopplerFindsA4PagesWhoseG4ImagesAreTheViewersPages)
{
    const std::string info = Output("pdfinfo -f 1 -l 4 " + Quoted(pdf), dir);
    EXPECT_FALSE(std::regex_search(info, std::regex("rror|arning"))) << info;
    EXPECT_EQ(
        Output("pdfinfo -f 1 -l 4 " + Quoted(pdf) + " | grep -c 'size:  595.28 x 841.89 pts (A4)'", dir),
        "4\n");
    EXPECT_EQ(Output("pdfimages -list " + Quoted(pdf) + " | grep -c ' gray    1   1  ccitt '", dir), "4\n");
    test::RunCommand("pdfimages " + Quoted(pdf) + " " + Quoted(dir.file("img")));
    // Each image is the whole page, row for row the TIFF's (FullPageDecoder is checked against libtiff).
    for (size_t k = 0; k < pages.size(); ++k) {
        const PageBitmap ours = FullPageDecoder(table).decode(pages[k]);
        EXPECT_EQ(ours.height, MeasurePage(table, pages[k]).lines) << k;
        const PageBitmap theirs = ReadPbm(dir.file("img-00" + std::to_string(k) + ".pbm"));
        EXPECT_EQ(theirs.width, ours.width) << k;
        EXPECT_EQ(theirs.height, ours.height) << k;
        EXPECT_TRUE(theirs.bits == ours.bits) << "page " << k;
    }
}

TEST_F(FaxPdfPeersTest, RenderedPageShowsThePictureAtItsTrueHeight)
{
    // At 1728 / 595.28 * 72 dots per inch a pixel column is a column of the page; a normal page of
    // 1148 lines is drawn 1148 * 204 / 98 rows high, the fine one 2291 * 204 / 196.
    const double dpi = 1728.0 / 595.28 * 72;
    test::RunCommand("pdftoppm -mono -r " + std::to_string(dpi) + " " + Quoted(pdf) + " " +
                     Quoted(dir.file("page")));
    for (const auto& [k, linesPerInch] : {std::pair{0, 98}, std::pair{2, 196}}) {
        const PageBitmap ours = FullPageDecoder(table).decode(pages[static_cast<size_t>(k)]);
        const PageBitmap shown = ReadPbm(dir.file("page-" + std::to_string(k + 1) + ".pbm"));
        EXPECT_EQ(shown.width, 1728);
        int lowest = -1; // the lowest row with black on the rendered page
        for (int y = 0; y < shown.height; ++y)
            for (int x = 0; x < shown.width && lowest < y; ++x)
                if (shown.black(x, y))
                    lowest = y;
        int lowestOurs = -1;
        for (int y = 0; y < ours.height; ++y)
            for (int x = 0; x < ours.width && lowestOurs < y; ++x)
                if (ours.black(x, y))
                    lowestOurs = y;
        const double expected = (lowestOurs + 0.5) * 204.0 / linesPerInch;
        EXPECT_NEAR(lowest, expected, 3.0) << "page " << k + 1;
    }
}

TEST(FaxPdfLayout, PlacementAndPaper)
{
    struct Case {
        int width, lines;
        PdfPaper paper;
        PdfPlacement want;
    } const cases[] = {
        // A normal page: full width, rows stretched to their true height, at the top.
        {1728, 1143, PaperA4, {0, 22.24, 595.28, 819.65}},
        // A fine page of the same paper length is as high.
        {1728, 2286, PaperA4, {0, 22.24, 595.28, 819.65}},
        // On Letter the same page is longer than the paper: shrunk to its height, centred across.
        {1728, 1143, PaperLetter, {18.40, 0, 575.20, 792}},
        {1728, 0, PaperA4, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const PdfPlacement at = PlaceFaxPage(c.width, c.lines, c.paper);
        EXPECT_NEAR(at.x, c.want.x, 0.01) << c.lines;
        EXPECT_NEAR(at.y, c.want.y, 0.01) << c.lines;
        EXPECT_NEAR(at.width, c.want.width, 0.01) << c.lines;
        EXPECT_NEAR(at.height, c.want.height, 0.01) << c.lines;
    }

    struct Locale {
        const char *all, *paper, *lang;
        PdfPaper want;
    } const locales[] = {
        {nullptr, nullptr, nullptr, PaperA4},
        {nullptr, nullptr, "de_DE.UTF-8", PaperA4},
        {nullptr, nullptr, "en_US.UTF-8", PaperLetter},
        {nullptr, "fr_CA.UTF-8", "de_DE.UTF-8", PaperLetter},
        {"C", "en_US.UTF-8", "en_US", PaperA4},
        {"", "es_MX@euro", nullptr, PaperLetter},
        {nullptr, "", "en_GB", PaperA4},
        {nullptr, nullptr, "POSIX", PaperA4},
    };
    for (const Locale& l : locales)
        EXPECT_EQ(PaperForEnvironment(l.all, l.paper, l.lang), l.want)
            << (l.all ? l.all : "-") << " " << (l.paper ? l.paper : "-") << " " << (l.lang ? l.lang : "-");
}

TEST(FaxPdfFiles, LongPagesKeepEveryRowAtTheTiffResolution)
{
    // Pages past the viewer's 2500 rows, and around the line count that decides the resolution:
    // the image has exactly the TIFF's rows, its last one black, and the TIFF's lines per inch.
    const test::ShippedCodes codes;
    for (const auto& [lines, linesPerInch] :
         {std::pair{1598, 98}, std::pair{1601, 196}, std::pair{3000, 196}}) {
        test::BitWriter page;
        for (int y = 0; y < lines; ++y)
            page.put(test::kEolBits)
                .put(codes.line(y + 1 == lines ? std::vector<int>{0, 1728} : std::vector<int>{1728}));
        for (int i = 0; i < 6; ++i)
            page.put(test::kEolBits);
        TempDir dir;
        const std::filesystem::path pdf = dir.file("long.pdf");
        ASSERT_EQ(SaveFaxAsPdf(std::vector<FaxBytes>{page.data()}, pdf.string(), PaperA4).pages, 1);
        test::RunCommand("pdfimages " + Quoted(pdf) + " " + Quoted(dir.file("img")));
        const PageBitmap image = ReadPbm(dir.file("img-000.pbm"));
        ASSERT_EQ(image.height, lines);
        EXPECT_TRUE(image.black(0, lines - 1) && image.black(1727, lines - 1)) << lines;
        // pdfimages -list: "... object ID x-ppi y-ppi size ratio"; x-ppi / y-ppi = 204 / lines per inch.
        std::istringstream row(Output("pdfimages -list " + Quoted(pdf) + " | tail -1", dir));
        std::vector<std::string> cols{std::istream_iterator<std::string>(row), {}};
        ASSERT_GE(cols.size(), 14u);
        EXPECT_NEAR(std::stod(cols[12]) / std::stod(cols[13]), 204.0 / linesPerInch, 0.03) << lines;
    }
}

TEST(FaxPdfFiles, WrittenWholeAndOnlyOverWhatMayBeReplaced)
{
    TempDir dir;
    const std::vector<FaxBytes> fax = {
        ReadAll(std::filesystem::path(ZARVO_SOURCE_DATADIR) / "demo" / "fax3-1.g3")};
    const std::string target = dir.file("a.pdf").string();
    const auto put = [](const std::string& name, const std::string& text) { std::ofstream(name) << text; };
    const auto text = [](const std::string& name) {
        const std::vector<uint8_t> bytes = ReadAll(name);
        return std::string(bytes.begin(), bytes.end());
    };
    const std::string pdf = MakeFaxPdf(fax, PaperA4).bytes;

    // The viewer replaces; the batch never does, but finds its own earlier file good.
    put(target, "old");
    EXPECT_EQ(SaveFaxAsPdf(fax, target, PaperA4).pages, 1);
    EXPECT_EQ(text(target), pdf);
    put(target, "old");
    EXPECT_THROW(SaveFaxAsPdf(fax, target, PaperA4, Existing::Refuse), FaxFileError);
    EXPECT_THROW(SaveFaxAsPdf(fax, target, PaperA4, Existing::AcceptSame), FaxFileError);
    EXPECT_EQ(text(target), "old");
    put(target, pdf);
    bool alreadyThere = false;
    EXPECT_EQ(SaveFaxAsPdf(fax, target, PaperA4, Existing::AcceptSame, &alreadyThere).pages, 1);
    EXPECT_TRUE(alreadyThere);

    // A target that cannot be written stays as it was, and no temporary file is left behind.
    std::filesystem::create_directory(dir.file("folder.pdf"));
    EXPECT_THROW(SaveFaxAsPdf(fax, dir.file("folder.pdf").string(), PaperA4), FaxFileError);
    EXPECT_THROW(SaveFaxAsPdf(fax, dir.file("missing/b.pdf").string(), PaperA4), FaxFileError);
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.file("")))
        ++entries;
    EXPECT_EQ(entries, 2u); // a.pdf and folder.pdf

    // A fax without a page to show writes nothing and leaves an earlier file alone.
    EXPECT_EQ(SaveFaxAsPdf(std::vector<FaxBytes>{{}, {0x00}}, target, PaperA4).undrawable,
              (std::vector<int>{1, 2}));
    EXPECT_EQ(text(target), pdf);
}

} // namespace
} // namespace zarvo
