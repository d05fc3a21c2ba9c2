// SPDX-License-Identifier: GPL-3.0-or-later
// The TIFF export judged by libtiff and its tools, ImageMagick and our own page decoder.

#include "G3TestWriter.h"
#include "fax/FAXTIF.h"
#include "fax/FaxDocument.h"
#include "fax/FullPageDecoder.h"
#include "fax/PageDecoder.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <random>
#include <regex>
#include <sstream>

namespace zarvo {
namespace {

using test::Quoted;
using test::ReadAll;
using test::ReadPbm;
using test::TempDir;
using test::WritePbm;

struct ToolRun {
    int status = -1;
    std::string out, err;
};

ToolRun RunTool(const std::string& command, const TempDir& dir)
{
    const auto out = dir.file("tool.out"), err = dir.file("tool.err");
    ToolRun run;
    run.status = std::system((command + " >" + Quoted(out) + " 2>" + Quoted(err)).c_str());
    const std::vector<uint8_t> o = ReadAll(out), e = ReadAll(err);
    run.out.assign(o.begin(), o.end());
    run.err.assign(e.begin(), e.end());
    return run;
}

// Lines of `text` in which a tool reports an error or a warning.
std::string ErrorLines(const std::string& text)
{
    std::string errors;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.find("rror") != std::string::npos || line.find("arning") != std::string::npos)
            errors += line + "\n";
    return errors;
}

// A fax-like picture: blocks of "text" of random widths and a frame.
PageBitmap Picture(int height, unsigned seed)
{
    std::mt19937 rng(seed);
    PageBitmap image(1728, height);
    for (int y = 0; y < height; ++y) {
        const bool textRow = (y / 12) % 2 == 1;
        for (int x = 0; x < 1728; ++x) {
            const bool frame = x < 3 || x >= 1725 || y == 0 || y == height - 1;
            if (frame || (textRow && x > 100 && x < 1600 && rng() % 5 == 0))
                image.setBlack(x, y);
        }
    }
    return image;
}

int& errorCount()
{
    static int count = 0;
    return count;
}

class FaxTiffPeersTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadCodeTable(table).ok());
        // pbmtog3 in its three alignments; the second page is longer than one 1201-row strip.
        const int heights[] = {60, 1300, 25};
        const char* options[] = {"", "-align8", "-align16"};
        for (int k = 0; k < 3; ++k) {
            images.push_back(Picture(heights[k], 11u + static_cast<unsigned>(k)));
            const auto pbm = dir.file("p" + std::to_string(k) + ".pbm");
            const auto g3 = dir.file("p" + std::to_string(k) + ".g3");
            WritePbm(pbm, images.back());
            test::RunCommand(std::string("pbmtog3 ") + options[k] + " " + Quoted(pbm) + " > " + Quoted(g3) +
                             " 2>/dev/null");
            pages.push_back(ReadAll(g3));
        }
        tif = dir.file("fax.tif");
        FaxTiffWriter writer;
        writer.SetCodeTable(table);
        ASSERT_EQ(writer.SaveFaxAsTiff(JoinFaxPages(pages), tif.string(), "").pages, 3);
    }

    CodeTable table;
    TempDir dir;
    std::vector<PageBitmap> images;
    std::vector<FaxBytes> pages;
    std::filesystem::path tif;
};

TEST_F(FaxTiffPeersTest, ToolsReadEveryPageWithoutErrors)
{
    const ToolRun info = RunTool("tiffinfo " + Quoted(tif), dir);
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(ErrorLines(info.err), "");
    const std::regex size("Image Width: (\\d+) Image Length: (\\d+)");
    std::vector<std::string> sizes;
    for (std::sregex_iterator it(info.out.begin(), info.out.end(), size), end; it != end; ++it)
        sizes.push_back((*it)[1].str() + "x" + (*it)[2].str());
    EXPECT_EQ(sizes, (std::vector<std::string>{"1728x60", "1728x1300", "1728x25"}));
    size_t resolutions = 0;
    for (size_t at = 0; (at = info.out.find("Resolution: 204, 98 pixels/inch", at)) != std::string::npos;
         ++at)
        ++resolutions;
    EXPECT_EQ(resolutions, 3u);
    EXPECT_NE(info.out.find("Compression Scheme: CCITT Group 3"), std::string::npos);

    const ToolRun copy = RunTool("tiffcp -c none " + Quoted(tif) + " " + Quoted(dir.file("plain.tif")), dir);
    EXPECT_EQ(copy.status, 0);
    EXPECT_EQ(ErrorLines(copy.err), "");
    const ToolRun pdf = RunTool("tiff2pdf -o " + Quoted(dir.file("fax.pdf")) + " " + Quoted(tif), dir);
    EXPECT_EQ(pdf.status, 0);
    EXPECT_EQ(ErrorLines(pdf.err), "");
    // tiff2pdf sizes each page by its resolution: a normal page at its full height, not half of it.
    const ToolRun sizes2 = RunTool("pdfinfo -f 2 -l 2 " + Quoted(dir.file("fax.pdf")), dir);
    EXPECT_NE(sizes2.out.find("Page    2 size:  609.882 x 955.102 pts"), std::string::npos) << sizes2.out;
    const ToolRun magick = RunTool("identify -format '%wx%h\\n' " + Quoted(tif), dir);
    EXPECT_EQ(magick.status, 0);
    EXPECT_EQ(magick.out, "1728x60\n1728x1300\n1728x25\n");
    EXPECT_EQ(ErrorLines(magick.err), "");
}

TEST_F(FaxTiffPeersTest, LibtiffRowsEqualTheSourceAndOurDecoder)
{
    errorCount() = 0;
    const TIFFErrorHandler previousError =
        TIFFSetErrorHandler([](const char*, const char*, va_list) { ++errorCount(); });
    const TIFFErrorHandler previousWarning =
        TIFFSetWarningHandler([](const char*, const char*, va_list) { ++errorCount(); });
    TIFF* in = TIFFOpen(tif.string().c_str(), "r");
    ASSERT_NE(in, nullptr);
    for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(TIFFSetDirectory(in, static_cast<tdir_t>(k)), 1);
        uint32_t width = 0, height = 0;
        TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(in, TIFFTAG_IMAGELENGTH, &height);
        const PageBitmap& source = images[static_cast<size_t>(k)];
        ASSERT_EQ(width, 1728u);
        ASSERT_EQ(static_cast<int>(height), source.height);
        const DecodedPage ours = DecodePage(pages[static_cast<size_t>(k)], table);
        ASSERT_EQ(ours.bitmap.height, source.height + 5);
        // The whole-page decoder of the PDF finds exactly the TIFF's rows.
        const PageBitmap full = FullPageDecoder(table).decode(pages[static_cast<size_t>(k)]);
        ASSERT_EQ(full.height, static_cast<int>(height));
        ASSERT_EQ(full.width, 1728);
        std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(in)));
        int rowsDiffering = 0;
        for (uint32_t y = 0; y < height; ++y) {
            ASSERT_EQ(TIFFReadScanline(in, row.data(), y, 0), 1) << "page " << k << " row " << y;
            const int yy = static_cast<int>(y);
            for (int x = 0; x < 1728; ++x) {
                const bool black = (row[static_cast<size_t>(x / 8)] >> (7 - x % 8)) & 1; // min-is-white
                if (black != source.black(x, yy) || black != ours.bitmap.black(x, yy + 1) ||
                    black != full.black(x, yy)) {
                    ++rowsDiffering;
                    break;
                }
            }
        }
        EXPECT_EQ(rowsDiffering, 0) << "page " << k;
    }
    TIFFClose(in);
    TIFFSetErrorHandler(previousError);
    TIFFSetWarningHandler(previousWarning);
    EXPECT_EQ(errorCount(), 0);
}

} // namespace
} // namespace zarvo
