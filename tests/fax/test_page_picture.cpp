// SPDX-License-Identifier: GPL-3.0-or-later
#include "G3TestWriter.h"
#include "fax/FaxDocument.h"
#include "fax/FaxFileError.h"
#include "fax/PagePicture.h"

#include <gtest/gtest.h>

namespace zarvo {
namespace {

using test::Quoted;
using test::ReadAll;
using test::ReadPbm;
using test::RunCommand;
using test::TempDir;

// A page with solid blocks, thin lines and single pixels, wide enough to have a padded BMP row.
PageBitmap Pattern(int width, int height)
{
    PageBitmap page(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool block = (x / 16 + y / 16) % 2 == 0;
            const bool line = x == 40 || y == 5;
            if (block || line)
                page.setBlack(x, y);
        }
    return page;
}

// Every row of `page` `factor` times.
PageBitmap Stretched(const PageBitmap& page, int factor)
{
    PageBitmap out(page.width, page.height * factor);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < page.width; ++x)
            out.setBlack(x, y, page.black(x, y / factor));
    return out;
}

std::string Identify(const std::filesystem::path& file, const std::string& format)
{
    const std::string command = "identify -format '" + format + "' " + Quoted(file);
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {};
    std::string out;
    char buf[256];
    while (size_t n = std::fread(buf, 1, sizeof buf, pipe))
        out.append(buf, n);
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return out;
}

// ImageMagick's reading of the picture, thresholded back to black and white.
PageBitmap ReadBack(const TempDir& dir, const std::filesystem::path& picture)
{
    const auto pbm = dir.file("back.pbm");
    RunCommand("convert " + Quoted(picture) + " -colorspace Gray -threshold 50% " + Quoted(pbm));
    return ReadPbm(pbm);
}

struct PictureCase {
    const char* file;
    uint8_t factor;
};

class PagePictureTest : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PagePictureTest, ReadsBackWithTheRightSizeAndColours)
{
    TempDir dir;
    const PageBitmap page = Pattern(141, 37);
    const auto file = dir.file(GetParam().file);
    SavePagePicture(page, GetParam().factor, file.string());

    const int factor = GetParam().factor;
    EXPECT_EQ(Identify(file, "%w %h"), "141 " + std::to_string(37 * factor));
    const PageBitmap back = ReadBack(dir, file);
    const PageBitmap want = Stretched(page, factor);
    ASSERT_EQ(back.width, want.width);
    ASSERT_EQ(back.height, want.height);
    int wrong = 0;
    for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x)
            wrong += back.black(x, y) != want.black(x, y);
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, PagePictureTest,
                         ::testing::Values(PictureCase{"page.bmp", 1}, PictureCase{"page.BMP", 2},
                                           PictureCase{"page.jpg", 1}, PictureCase{"page.JPG", 2}));

TEST(PagePictureTest, JpegIsBaselineColourAtQuality90)
{
    TempDir dir;
    const auto file = dir.file("q.jpg");
    WritePageJpeg(Pattern(64, 64), 1, file.string());
    const std::vector<uint8_t> jpg = ReadAll(file);
    // The frame header: SOF0 (baseline) and three components; no progressive SOF2.
    bool baseline = false, progressive = false;
    for (size_t i = 0; i + 9 < jpg.size(); ++i) {
        if (jpg[i] == 0xFF && jpg[i + 1] == 0xC0) {
            baseline = true;
            EXPECT_EQ(jpg[i + 9], 3) << "components";
        }
        progressive |= jpg[i] == 0xFF && jpg[i + 1] == 0xC2;
    }
    EXPECT_TRUE(baseline);
    EXPECT_FALSE(progressive);
    EXPECT_EQ(Identify(file, "%Q"), "90");
}

TEST(PagePictureTest, DocumentSavesTheShownPageWithItsHeightFactor)
{
    TempDir dir;
    FaxDocument doc;
    doc.Image = Pattern(20, 10);
    doc.HeightFactor = 2;
    doc.SaveFile(dir.file("shown.Bmp").string());
    EXPECT_EQ(Identify(dir.file("shown.Bmp"), "%w %h"), "20 20");
}

TEST(PagePictureTest, RefusesWhatNoPictureCanHold)
{
    TempDir dir;
    EXPECT_THROW(SavePagePicture(PageBitmap{}, 1, dir.file("empty.bmp").string()), FaxFileError);
    EXPECT_THROW(SavePagePicture(PageBitmap(0, 5), 1, dir.file("empty.jpg").string()), FaxFileError);
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("")));
    // Taller than JPEG can code once the rows are doubled.
    EXPECT_THROW(WritePageJpeg(PageBitmap(8, 40000), 2, dir.file("tall.jpg").string()), FaxFileError);
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("")));
    EXPECT_THROW(SavePagePicture(Pattern(8, 8), 1, dir.file("no/dir/p.jpg").string()), FaxFileError);
}

} // namespace
} // namespace zarvo
