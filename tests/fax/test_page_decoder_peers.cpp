// SPDX-License-Identifier: GPL-3.0-or-later
#include "BuildPaths.h"
#include "fax/PageDecoder.h"

#include "G3TestWriter.h"

#include <gtest/gtest.h>

#include <random>

namespace zarvo::test {
namespace {

// Source images for netpbm's pbmtog3, which writes the page as the modem would: EOL, lines each
// ended by an EOL, six EOLs at the end.
PageBitmap Pattern(const std::string& kind, int width, int height, unsigned seed)
{
    PageBitmap image(width, height);
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool black = false;
            if (kind == "blocks")
                black = ((x / 37) + (y / 11) + (x * y / 997)) % 3 == 0;
            else if (kind == "noise")
                black = rng() % 5 == 0;
            else if (kind == "stripes") // runs of 1 pixel: the densest coding there is
                black = (x + y) % 2 == 0;
            else if (kind == "black")
                black = true;
            else if (kind == "edges") // black at both borders, long runs between
                black = x < 3 || x >= width - 3 || y % 50 == 0;
            image.setBlack(x, y, black);
        }
    }
    return image;
}

struct PeerCase {
    const char* name;
    const char* kind;
    int width, height;
    const char* options; // for pbmtog3
};

class PageDecoderPeers : public ::testing::TestWithParam<PeerCase> {
  protected:
    void SetUp() override { ASSERT_TRUE(LoadCodeTable(table).ok()); }
    CodeTable table;
    TempDir dir;
};

// What pbmtog3 codes: the image cut or padded with white to 1728 columns, or kept as it is with
// -nofixedwidth.
bool ExpectedPixel(const PageBitmap& source, int codedWidth, int x, int y)
{
    return x < codedWidth && x < source.width && source.black(x, y);
}

TEST_P(PageDecoderPeers, PbmtoG3PageDecodesToTheSourceImage)
{
    const PeerCase& c = GetParam();
    const PageBitmap source = Pattern(c.kind, c.width, c.height, 17);
    WritePbm(dir.file("in.pbm"), source);
    RunCommand(std::string("pbmtog3 -quiet ") + c.options + " " + Quoted(dir.file("in.pbm")) + " > " +
               Quoted(dir.file("page.g3")));
    const std::vector<uint8_t> page = ReadAll(dir.file("page.g3"));
    const int codedWidth = std::string(c.options).find("nofixedwidth") != std::string::npos ? c.width : 1728;

    const DecodedPage result = DecodeBoth(page, table);
    ASSERT_EQ(result.width, codedWidth);
    ASSERT_EQ(result.lines, c.height + 5);
    const PageBitmap& image = result.bitmap;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const bool inside = y >= 1 && y <= c.height && x < kPageCanvasSide && y < kPageCanvasSide;
            const bool want = inside && ExpectedPixel(source, codedWidth, x, y - 1);
            ASSERT_EQ(image.black(x, y), want) << "x=" << x << " y=" << y;
        }
    }

    // netpbm's own decoder reads the same page; it has no white row 0 and stops at the end code.
    RunCommand("g3topbm -quiet " + Quoted(dir.file("page.g3")) + " > " + Quoted(dir.file("back.pbm")));
    const PageBitmap back = ReadPbm(dir.file("back.pbm"));
    ASSERT_EQ(back.width, codedWidth);
    ASSERT_EQ(back.height, c.height);
    for (int y = 0; y < back.height && y + 1 < kPageCanvasSide; ++y)
        for (int x = 0; x < back.width && x < kPageCanvasSide; ++x)
            ASSERT_EQ(image.black(x, y + 1), back.black(x, y)) << "x=" << x << " y=" << y;
}

INSTANTIATE_TEST_SUITE_P(Images, PageDecoderPeers,
                         ::testing::Values(PeerCase{"Blocks", "blocks", 1728, 120, ""},
                                           PeerCase{"Noise", "noise", 1728, 60, ""},
                                           PeerCase{"Stripes", "stripes", 1728, 20, ""},
                                           PeerCase{"AllBlack", "black", 1728, 8, ""},
                                           PeerCase{"NarrowPadded", "edges", 300, 40, ""},
                                           PeerCase{"WideCut", "blocks", 2048, 30, ""},
                                           PeerCase{"FillBitsAlign8", "noise", 1728, 30, "-align8"},
                                           PeerCase{"FillBitsAlign16", "edges", 1728, 30, "-align16"},
                                           PeerCase{"LinesOver2500", "edges", 3100, 25, "-nofixedwidth"},
                                           PeerCase{"MoreThan2500Lines", "edges", 1728, 2540, ""}),
                         [](const ::testing::TestParamInfo<PeerCase>& info) {
                             return std::string(info.param.name);
                         });

// The sample pages kept with the sources (and the demo pages when they are there) decode alike with
// both decoders and as netpbm decodes them.
TEST(PageDecoderPeersSamples, SamplePagesDecodeAsG3topbmDoes)
{
    CodeTable table;
    ASSERT_TRUE(LoadCodeTable(table).ok());
    TempDir dir;
    std::vector<std::filesystem::path> pages;
    for (const std::filesystem::path& folder : {std::filesystem::path(ZARVO_TEST_DATADIR) / "fax",
                                                std::filesystem::path(ZARVO_SOURCE_DATADIR) / "demo"}) {
        if (!std::filesystem::is_directory(folder))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().extension() == ".g3")
                pages.push_back(entry.path());
        }
    }
    ASSERT_FALSE(pages.empty());
    for (const std::filesystem::path& path : pages) {
        SCOPED_TRACE(path.string());
        const DecodedPage result = DecodeBoth(ReadAll(path), table);
        RunCommand("g3topbm -quiet " + Quoted(path) + " > " + Quoted(dir.file("back.pbm")));
        const PageBitmap back = ReadPbm(dir.file("back.pbm"));
        ASSERT_EQ(result.width, back.width);
        ASSERT_EQ(result.lines, back.height + 5);
        for (int y = 0; y < back.height && y + 1 < kPageCanvasSide; ++y) {
            const size_t stride = static_cast<size_t>(back.stride());
            ASSERT_TRUE(
                std::equal(back.bits.begin() + static_cast<std::ptrdiff_t>(y * stride),
                           back.bits.begin() + static_cast<std::ptrdiff_t>((y + 1) * stride),
                           result.bitmap.bits.begin() + static_cast<std::ptrdiff_t>((y + 1) * stride)))
                << "row " << y + 1;
        }
    }
}

// Damaged pbmtog3 pages: whatever comes out, both decoders agree on it.
TEST(PageDecoderPeersDamaged, MutatedPagesDecodeAlike)
{
    CodeTable table;
    ASSERT_TRUE(LoadCodeTable(table).ok());
    TempDir dir;
    WritePbm(dir.file("in.pbm"), Pattern("blocks", 1728, 80, 3));
    RunCommand("pbmtog3 -quiet " + Quoted(dir.file("in.pbm")) + " > " + Quoted(dir.file("page.g3")));
    const std::vector<uint8_t> clean = ReadAll(dir.file("page.g3"));
    std::mt19937 rng(5);
    for (int i = 0; i < 60; ++i) {
        std::vector<uint8_t> page = clean;
        for (int n = 1 + i % 4; n > 0; --n)
            page[rng() % page.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
        if (i % 5 == 0)
            page.resize(rng() % page.size());
        SCOPED_TRACE(i);
        DecodeBoth(page, table);
        if (HasFailure())
            return;
    }
}

} // namespace
} // namespace zarvo::test
