// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/PageDecoder.h"

#include "G3TestWriter.h"
#include "LinearScanDecoder.h"

#include <gtest/gtest.h>

namespace zarvo::test {

DecodedPage DecodeBoth(std::span<const uint8_t> page, const CodeTable& table, double zoom, int heightFactor,
                       std::vector<std::string>* statusOut)
{
    std::vector<std::string> statusFast, statusSlow;
    int linesFast = 0, linesSlow = 0;
    const DecodedPage fast =
        DecodePage(page, table, zoom, heightFactor,
                   {[&](const std::string& s) { statusFast.push_back(s); }, [&] { ++linesFast; }});
    const DecodedPage slow =
        LinearScanDecode(page, table, zoom, heightFactor,
                         {[&](const std::string& s) { statusSlow.push_back(s); }, [&] { ++linesSlow; }});
    EXPECT_EQ(fast.width, slow.width);
    EXPECT_EQ(fast.lines, slow.lines);
    EXPECT_EQ(fast.displayWidth, slow.displayWidth);
    EXPECT_EQ(fast.displayHeight, slow.displayHeight);
    EXPECT_EQ(fast.bitmap.width, slow.bitmap.width);
    EXPECT_EQ(fast.bitmap.height, slow.bitmap.height);
    EXPECT_TRUE(fast.bitmap.bits == slow.bitmap.bits) << "bitmaps differ";
    EXPECT_EQ(statusFast, statusSlow);
    EXPECT_EQ(linesFast, linesSlow);
    EXPECT_EQ(linesFast, fast.lines);
    if (statusOut)
        *statusOut = statusFast;
    return fast;
}

namespace {

class PageDecoderTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(LoadCodeTable(table).ok()); }

    DecodedPage decode(const BitWriter& page, std::vector<std::string>* status = nullptr)
    {
        return DecodeBoth(page.data(), table, 1.0, 1, status);
    }
    // Pixels x0..x1-1 of a row are black, the rest of the row is white.
    static void expectRow(const PageBitmap& image, int y, std::vector<std::pair<int, int>> black)
    {
        for (int x = 0; x < image.width; ++x) {
            bool want = false;
            for (auto [from, to] : black)
                want = want || (x >= from && x < to);
            ASSERT_EQ(image.black(x, y), want) << "x=" << x << " y=" << y;
        }
    }

    CodeTable table;
    ShippedCodes codes;
};

TEST_F(PageDecoderTest, TinyPagesDecodeNothing)
{
    for (std::vector<uint8_t> page : {std::vector<uint8_t>{}, {0x00}, {0x00, 0x10}, {0xFF, 0xFF}}) {
        std::vector<std::string> status;
        const DecodedPage result = DecodeBoth(page, table, 1.0, 1, &status);
        EXPECT_EQ(result.width, 0);
        EXPECT_EQ(result.lines, 0);
        EXPECT_EQ(result.bitmap.width, 0);
        EXPECT_EQ(result.bitmap.height, 0);
        EXPECT_EQ(status, std::vector<std::string>{"Dargestellt"});
    }
}

TEST_F(PageDecoderTest, PageWithoutEolIsCutToNothing)
{
    BitWriter page;
    for (int i = 0; i < 20; ++i)
        page.put(codes.line({100, 200, 1428}));
    const DecodedPage result = decode(page);
    EXPECT_EQ(result.width, 0);
    EXPECT_EQ(result.lines, 0);
    EXPECT_TRUE(result.bitmap.bits.empty());
}

TEST_F(PageDecoderTest, CodesBeforeFirstEolGoToRowZero)
{
    BitWriter page;
    page.put(codes.line({3, 5, 10})).put(kEolBits).put(codes.line({0, 2, 4})).put(kEolBits);
    page.put(codes.line({1, 1})).zeros(16); // an unfinished line is cut off
    const DecodedPage result = decode(page);
    EXPECT_EQ(result.width, 18);
    EXPECT_EQ(result.lines, 2);
    expectRow(result.bitmap, 0, {{3, 8}});
    expectRow(result.bitmap, 1, {{0, 2}});
}

// The normal page: EOL, lines each ended by an EOL, six EOLs at the end. Decoding stops at the fifth
// EOL of the end sequence, so a page of N lines is N + 5 rows high.
TEST_F(PageDecoderTest, NormalPageHasWhiteRowZeroAndFourWhiteRowsBelow)
{
    BitWriter page;
    page.put(kEolBits);
    for (int y = 1; y <= 12; ++y)
        page.put(codes.line({y, 100, 1728 - 100 - y})).put(kEolBits);
    for (int i = 0; i < 5; ++i)
        page.put(kEolBits);
    page.padToByte();
    std::vector<std::string> status;
    const DecodedPage result = decode(page, &status);
    EXPECT_EQ(result.width, 1728);
    EXPECT_EQ(result.lines, 12 + 5);
    expectRow(result.bitmap, 0, {});
    for (int y = 1; y <= 12; ++y)
        expectRow(result.bitmap, y, {{y, y + 100}});
    for (int y = 13; y < 17; ++y)
        expectRow(result.bitmap, y, {});
    EXPECT_EQ(status, (std::vector<std::string>{"Lese Zeile:10", "Dargestellt"}));
}

TEST_F(PageDecoderTest, FiveEolsWithoutTerminatingCodeEndThePageFourDoNot)
{
    for (int eols : {4, 5}) {
        BitWriter page;
        page.put(kEolBits).put(codes.line({10, 10})).put(kEolBits);
        for (int i = 1; i < eols; ++i) // make-up codes between the EOLs do not break the count
            page.put(codes.code(CodeKind::WM, 64)).put(codes.code(CodeKind::M, 1792)).put(kEolBits);
        page.put(codes.line({0, 7})).put(kEolBits).zeros(32);
        const DecodedPage result = decode(page);
        SCOPED_TRACE(eols);
        if (eols == 5) {
            EXPECT_EQ(result.lines, 6);
            EXPECT_EQ(result.width, 64 + 1792);
        }
        else {
            EXPECT_EQ(result.lines, 6);
            expectRow(result.bitmap, 5, {{0, 7}});
        }
    }
}

TEST_F(PageDecoderTest, ExtendedMakeUpCodesWorkInEitherColourAndKeepIt)
{
    BitWriter page;
    page.put(kEolBits);
    page.put(codes.code(CodeKind::M, 1792)).put(codes.code(CodeKind::WT, 8));   // white 1800
    page.put(codes.code(CodeKind::M, 2560)).put(codes.code(CodeKind::M, 1856)); // black, stays black
    page.put(codes.code(CodeKind::BT, 2)).put(kEolBits);                        // black 4418
    page.padToByte().bytes({0, 0, 0});
    const DecodedPage result = decode(page);
    EXPECT_EQ(result.width, 1800 + 2560 + 1856 + 2);
    EXPECT_EQ(result.lines, 2);
    expectRow(result.bitmap, 1, {{1800, kPageCanvasSide}}); // beyond the canvas nothing is drawn
}

TEST_F(PageDecoderTest, MakeUpBeforeEolIsDrawnAndCountsForWidest)
{
    BitWriter page;
    page.put(kEolBits).put(codes.code(CodeKind::WT, 5)).put(codes.code(CodeKind::BM, 128)).put(kEolBits);
    page.padToByte().bytes({0, 0});
    const DecodedPage result = decode(page);
    EXPECT_EQ(result.width, 133);
    expectRow(result.bitmap, 1, {{5, 133}});
}

TEST_F(PageDecoderTest, LinesAndRowsBeyondTheCanvasAreCountedButWhite)
{
    BitWriter page;
    page.put(codes.line({10, 2990})).put(kEolBits);
    for (int y = 1; y < 2600; ++y)
        page.put(codes.line({y % 50, 1})).put(kEolBits);
    page.zeros(24);
    const DecodedPage result = decode(page);
    EXPECT_EQ(result.width, 3000);
    EXPECT_EQ(result.lines, 2600);
    ASSERT_EQ(result.bitmap.width, 3000);
    ASSERT_EQ(result.bitmap.height, 2600);
    expectRow(result.bitmap, 0, {{10, 2500}});
    expectRow(result.bitmap, 2499, {{2499 % 50, 2499 % 50 + 1}});
    expectRow(result.bitmap, 2500, {});
    expectRow(result.bitmap, 2599, {});
}

TEST_F(PageDecoderTest, FillBitsAndJunkAreSkippedBitByBit)
{
    BitWriter page;
    page.put(kEolBits).put(codes.line({4, 4})).zeros(37).put(kEolBits); // fill bits before the EOL
    page.put("1111111111").put(kEolBits); // white 7, black 2, white 7, then the EOL in black
    page.padToByte().bytes({0, 0});
    const DecodedPage result = decode(page);
    EXPECT_EQ(result.lines, 3);
    expectRow(result.bitmap, 1, {{4, 8}});
}

// A code may start in the second-to-last byte and run past the end, where bits read as 0; in the last
// byte nothing is looked for. An 11-bit EOL "10000000000" makes the positions easy to see.
TEST(PageDecoderEnd, SearchEndsAtTheSecondToLastByte)
{
    CodeTable table;
    ASSERT_TRUE(LoadCodeTableText(table, "WEOL\n" + FormatCodeLine("10000000000", 11, 0) + "\nBEOL\n" +
                                             FormatCodeLine("", 12, 0) + "\n")
                    .ok());
    struct Case {
        std::vector<uint8_t> page;
        int lines;
    };
    for (const Case& c : {Case{{0x00, 0x01, 0x00}, 1}, // starts in byte 1 = length - 2, ends past the end
                          Case{{0x00, 0x01, 0x01}, 0}, // the bit past byte 1 is a one: no match
                          Case{{0x00, 0x00, 0x80}, 0}, // starts in the last byte: not looked for
                          Case{{0x80, 0x00, 0x00, 0x00}, 1}, // found at once
                          Case{{0x80, 0x00}, 0}}) {          // two bytes: nothing at all
        EXPECT_EQ(DecodeBoth(c.page, table).lines, c.lines) << testing::PrintToString(c.page);
    }
}

TEST_F(PageDecoderTest, StatusEveryTenthLineAndHookAfterEveryLine)
{
    BitWriter page;
    for (int y = 0; y < 35; ++y)
        page.put(codes.line({1, 1})).put(kEolBits);
    page.zeros(24);
    std::vector<std::string> status;
    const DecodedPage result = decode(page, &status);
    EXPECT_EQ(result.lines, 35);
    EXPECT_EQ(status,
              (std::vector<std::string>{"Lese Zeile:10", "Lese Zeile:20", "Lese Zeile:30", "Dargestellt"}));
}

TEST_F(PageDecoderTest, HookMayThrowToAbandonThePage)
{
    BitWriter page;
    for (int y = 0; y < 30; ++y)
        page.put(codes.line({5, 5})).put(kEolBits);
    page.zeros(24);
    int lines = 0;
    EXPECT_THROW(DecodePage(page.data(), table, 1.0, 1,
                            {nullptr,
                             [&] {
                                 if (++lines == 3)
                                     throw std::runtime_error("closed");
                             }}),
                 std::runtime_error);
    EXPECT_EQ(lines, 3);
}

TEST_F(PageDecoderTest, DisplaySizeUsesZoomAndHeightFactorRoundingHalvesToEven)
{
    BitWriter page;
    page.put(kEolBits).put(codes.line({1729})).put(kEolBits);
    for (int y = 0; y < 6; ++y)
        page.put(codes.line({0, 3})).put(kEolBits);
    page.zeros(24); // 1729 wide, 8 EOLs
    struct Case {
        double zoom;
        int heightFactor;
    };
    const DecodedPage base = decode(page);
    ASSERT_EQ(base.width, 1729);
    ASSERT_EQ(base.lines, 8);
    for (Case c : {Case{0.5, 1}, Case{0.5, 2}, Case{1.25, 2}, Case{0.0625, 1}, Case{0, 2}, Case{-1, 1}}) {
        const DecodedPage r = DecodeBoth(page.data(), table, c.zoom, c.heightFactor);
        EXPECT_EQ(r.displayWidth, RoundDisplaySize(1729 * c.zoom));
        EXPECT_EQ(r.displayHeight, RoundDisplaySize(c.heightFactor * 8 * c.zoom));
    }
    EXPECT_EQ(RoundDisplaySize(864.5), 864);

    // Past the picture limit the display shows the cut picture, not the counted size.
    BitWriter huge;
    huge.put(kEolBits).put(codes.line({4 * 2560 + 5})).put(kEolBits);
    for (int y = 0; y < kPagePictureLimit + 10; ++y)
        huge.put(codes.line({0})).put(kEolBits);
    huge.zeros(24);
    const DecodedPage cut = DecodeBoth(huge.data(), table, 0.5, 2, nullptr);
    ASSERT_EQ(cut.width, 4 * 2560 + 5);
    ASSERT_GT(cut.lines, kPagePictureLimit);
    EXPECT_EQ(cut.bitmap.width, kPagePictureLimit);
    EXPECT_EQ(cut.bitmap.height, kPagePictureLimit);
    EXPECT_EQ(cut.displayWidth, kPagePictureLimit / 2);
    EXPECT_EQ(cut.displayHeight, kPagePictureLimit);
    EXPECT_EQ(RoundDisplaySize(865.5), 866);
    EXPECT_EQ(RoundDisplaySize(829.44), 829);
    EXPECT_EQ(RoundDisplaySize(-3), 0);
    EXPECT_EQ(RoundDisplaySize(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(RoundDisplaySize(1e300), std::numeric_limits<int>::max());
}

// Tables other than the shipped one decode exactly as their order says.
TEST(PageDecoderCustomTable, LastEntryIsNeverTried)
{
    CodeTable table;
    ASSERT_TRUE(LoadCodeTableText(table, "WT\n" + FormatCodeLine("1", 1, 3) + "\nWEOL\n" +
                                             FormatCodeLine("01", 2, 0) + "\n")
                    .ok());
    const std::vector<uint8_t> page = {0x5A, 0x5A, 0x5A, 0x5A};
    const DecodedPage result = DecodeBoth(page, table);
    EXPECT_EQ(result.lines, 0);
}

TEST(PageDecoderCustomTable, EarlierEntryWinsOverLongerLaterOne)
{
    // White "0" comes before the EOL "0001" in table order, so in white the EOL is never seen; in
    // black it is. "00001" is a white run and an EOL.
    CodeTable table;
    ASSERT_TRUE(LoadCodeTableText(table, "WT\n" + FormatCodeLine("0", 1, 4) + "\nBT\n" +
                                             FormatCodeLine("1", 1, 2) + "\nWEOL\n" +
                                             FormatCodeLine("0001", 4, 0) + "\nBEOL\n" +
                                             FormatCodeLine("", 12, 0) + "\n")
                    .ok());
    BitWriter page;
    for (int i = 0; i < 8; ++i)
        page.put("00001");
    const DecodedPage result = DecodeBoth(page.data(), table);
    EXPECT_EQ(result.lines, 5); // groups starting before byte 3
    EXPECT_EQ(result.width, 4);
}

TEST(PageDecoderCustomTable, CodesLongerThanTheLookupAndOddEntries)
{
    // A 14-bit white code before a 4-bit one it begins with, a code whose Value is wider than its
    // length (never matches), a zero-length code (never matches: it would consume nothing) and a
    // 20-bit EOL (19 zeros, then Value 1).
    const std::string text = "WT\n" + FormatCodeLine("00000000000011", 14, 9) + "\n" +
                             FormatCodeLine("0000", 4, 1) + "\n" + FormatCodeLine("111", 2, 50) + "\n" +
                             FormatCodeLine("1", 0, 50) + "\n" + FormatCodeLine("1", 1, 2) + "\nBT\n" +
                             FormatCodeLine("1", 1, 3) + "\n" + FormatCodeLine("01", 2, 5) + "\nWEOL\n" +
                             FormatCodeLine("1", 20, 0) + "\nBEOL\n" + FormatCodeLine("", 12, 0) + "\n";
    CodeTable table;
    ASSERT_TRUE(LoadCodeTableText(table, text).ok());
    const std::string eol(19, '0');
    BitWriter page;
    page.put("00000000000011").put("1").put("0000").put(eol + "1"); // W9 B3 W1, EOL in black: 13
    page.put("1").put("01").put("1").put(eol + "1");                // W2 B5 W2, EOL in black: 9
    page.zeros(40);
    const DecodedPage result = DecodeBoth(page.data(), table);
    EXPECT_EQ(result.lines, 2);
    EXPECT_EQ(result.width, 13);
}

TEST(PageDecoderCustomTable, CodesOfFourteenOrFifteenBitsWiderThanTheirLengthNeverMatch)
{
    // A 15-character code starting with 1 but a length column of 14: its Value does not fit its
    // length, so it never matches, in either colour. Such entries once landed outside the lookup
    // table. With 15 the same code is a proper long code.
    for (int bits : {14, 15}) {
        SCOPED_TRACE(bits);
        const std::string wide = "110110110110110";
        CodeTable table;
        ASSERT_TRUE(LoadCodeTableText(table, "WT\n" + FormatCodeLine(wide, bits, 3) + "\n" +
                                                 FormatCodeLine("1", 1, 4) + "\nBT\n" +
                                                 FormatCodeLine(wide, bits, 5) + "\n" +
                                                 FormatCodeLine("1", 1, 6) + "\nWEOL\n" +
                                                 FormatCodeLine("000000000001", 12, 0) + "\nBEOL\n" +
                                                 FormatCodeLine("", 12, 0) + "\n")
                        .ok());
        BitWriter page;
        for (int line = 0; line < 3; ++line)
            page.put(kEolBits).put(wide).put("1").put(wide).put("1");
        page.put(kEolBits).zeros(24);
        const DecodedPage result = DecodeBoth(page.data(), table);
        EXPECT_EQ(result.lines, 4);
    }
}

TEST(PageDecoderCustomTable, NegativeRunsLetWhiteRunsClearBlackPixels)
{
    CodeTable table;
    ASSERT_TRUE(LoadCodeTableText(table, "WT\n" + FormatCodeLine("10", 2, 5) + "\n" +
                                             FormatCodeLine("11", 2, -8) + "\n" +
                                             FormatCodeLine("011", 3, 7) + "\nBT\n" +
                                             FormatCodeLine("10", 2, 6) + "\n" + FormatCodeLine("11", 2, -3) +
                                             "\nWEOL\n" + FormatCodeLine("000000000001", 12, 0) + "\nBEOL\n" +
                                             FormatCodeLine("", 12, 0) + "\n")
                    .ok());
    BitWriter page;
    // W5, B6 (black 5..11), W-8 (x 3), B-3 (x 0), W7 (white 0..7 over black 5..7), B6 (black 7..13).
    page.put(kEolBits).put("10").put("10").put("11").put("11").put("011").put("10").put(kEolBits).zeros(24);
    const DecodedPage result = DecodeBoth(page.data(), table);
    ASSERT_EQ(result.lines, 2);
    ASSERT_EQ(result.width, 13);
    for (int x = 0; x < 13; ++x)
        EXPECT_EQ(result.bitmap.black(x, 1), x >= 7) << x;
}

} // namespace
} // namespace zarvo::test
