// SPDX-License-Identifier: GPL-3.0-or-later
#include "BuildPaths.h"
#include "G3TestWriter.h"
#include "common/Errors.h"
#include "fax/FAXTIF.h"
#include "fax/FaxDocument.h"
#include "fax/FaxFileError.h"
#include "fax/FullPageDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

namespace zarvo {
namespace {

using test::BitWriter;
using test::ReadAll;
using test::ShippedCodes;
using test::TempDir;

struct IfdEntry {
    uint16_t tag, type;
    uint32_t count, value;
    bool operator==(const IfdEntry&) const = default;
};

struct Directory {
    uint32_t offset = 0;
    std::vector<IfdEntry> entries;
    uint32_t next = 0;
};

uint32_t Le(const std::vector<uint8_t>& f, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | f.at(at + static_cast<size_t>(i));
    return v;
}

// Follows the chain of directories from the header (at most 100, to survive a loop).
std::vector<Directory> ReadDirectories(const std::vector<uint8_t>& f)
{
    std::vector<Directory> dirs;
    for (uint32_t at = Le(f, 4, 4); at != 0 && dirs.size() < 100;) {
        Directory d;
        d.offset = at;
        const uint32_t n = Le(f, at, 2);
        for (uint32_t i = 0; i < n; ++i) {
            const size_t e = at + 2 + 12 * i;
            d.entries.push_back({static_cast<uint16_t>(Le(f, e, 2)), static_cast<uint16_t>(Le(f, e + 2, 2)),
                                 Le(f, e + 4, 4), Le(f, e + 8, 4)});
        }
        d.next = Le(f, at + 2 + 12 * n, 4);
        dirs.push_back(d);
        at = d.next;
    }
    return dirs;
}

// The width measurement written the plain way, on texts that shrink as codes are read: every pass
// tries all entries in table order. The writer must find exactly the same width.
int PlainWidth(const CodeTable& table, std::span<const uint8_t> page)
{
    const auto startsWith = [](const std::string& text, const std::string& code) {
        return !code.empty() && text.compare(0, code.size(), code) == 0;
    };
    size_t pos = 0;
    const std::string leading = NextLineBits(page, pos, "");
    if (leading.find("000000000001") == std::string::npos)
        return -1;
    std::string text = NextLineBits(page, pos, leading);
    while (text.find("000000000001") != std::string::npos) {
        bool white = true;
        int64_t sum = 0;
        for (bool matched = true; matched;) {
            matched = false;
            for (int i = 0; i <= table.LastCode; ++i) {
                const oneCode& c = table[i];
                if (c.Kind == CodeKind::WEOL || c.Kind == CodeKind::BEOL) {
                    if (startsWith(text, c.Code))
                        return sum > 0 && sum <= 0xFFFF ? static_cast<int>(sum) : -1;
                    continue;
                }
                const bool forWhite = c.Kind == CodeKind::WT || c.Kind == CodeKind::WM;
                const bool forBlack = c.Kind == CodeKind::BT || c.Kind == CodeKind::BM;
                if ((white && !forWhite) || (!white && !forBlack) || c.Bits == 0 || !startsWith(text, c.Code))
                    continue;
                sum += c.Run;
                text.erase(0, c.Bits);
                matched = true;
                if (c.Kind == CodeKind::WT || c.Kind == CodeKind::BT)
                    white = c.Kind == CodeKind::BT;
            }
        }
        text = NextLineBits(page, pos, text);
    }
    return -1;
}

class FaxTiffTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(LoadCodeTable(table).ok()); }

    // A page as a fax machine sends it: EOL before every line, then the six EOLs of RTC.
    FaxBytes page(const std::vector<std::vector<int>>& lines, bool byteAligned = false) const
    {
        BitWriter w;
        auto eol = [&] {
            if (byteAligned)
                while ((w.bitCount() + 12) % 8 != 0)
                    w.put("0");
            w.put(test::kEolBits);
        };
        for (const auto& runs : lines) {
            eol();
            w.put(codes.line(runs));
        }
        for (int i = 0; i < 6; ++i)
            eol();
        return w.data();
    }

    std::vector<uint8_t> exportFax(const FaxBytes& fax) const
    {
        FaxTiffWriter writer;
        writer.SetCodeTable(table);
        std::ostringstream out;
        writer.WriteFax(out, fax);
        const std::string s = out.str();
        return {s.begin(), s.end()};
    }

    CodeTable table;
    ShippedCodes codes;
};

TEST(FaxTiffBits, NextLineBitsWalksFromEolToEolReadingBit7First)
{
    BitWriter w;
    w.put("000000000001 1010 000000000001 11").padToByte();
    size_t pos = 0;
    const std::string first = NextLineBits(w.data(), pos, "");
    EXPECT_EQ(first, "0000000000011010");
    EXPECT_EQ(pos, 2u);
    const std::string second = NextLineBits(w.data(), pos, first);
    EXPECT_EQ(second, "1010"
                      "00000000"
                      "00011100");
    EXPECT_EQ(pos, 4u);
    // No EOL in the previous text: its first 11 characters go.
    size_t again = 2;
    EXPECT_EQ(NextLineBits(w.data(), again, "111111111111111"), "1111"
                                                                "00000000"
                                                                "00011100");
    // The data ends before another EOL: the text comes back without one and reading stops.
    const std::string tail = NextLineBits(w.data(), pos, second);
    EXPECT_EQ(tail, "1100");
    EXPECT_EQ(pos, 4u);
}

TEST_F(FaxTiffTest, MeasuresWidthAndCodedLines)
{
    struct Case {
        const char* name;
        FaxBytes data;
        int width;
        bool measured;
        int lines;
    };
    const std::vector<int> full = {1728};
    BitWriter noEol;
    noEol.put(codes.line(full)).put(codes.line(full));
    BitWriter oneEol;
    oneEol.put(test::kEolBits).put(codes.line({100, 28}));
    BitWriter mFirst; // the first line starts with an extended make-up code: measured on the next
    mFirst.put(test::kEolBits).put(codes.line({1792, 0, 8})).put(test::kEolBits).put(codes.line({700, 100}));
    mFirst.put(test::kEolBits).put(test::kEolBits);
    BitWriter junkFirst;
    junkFirst.put(test::kEolBits).put("0000 0000 11").put(test::kEolBits).put(codes.line({64, 2}));
    junkFirst.put(test::kEolBits).put(test::kEolBits);
    BitWriter empties; // EOL EOL: empty lines count no row, an empty first line gives no width
    empties.put(test::kEolBits).put(test::kEolBits).put(test::kEolBits).put(codes.line(full));
    empties.put(test::kEolBits).put("1").bytes({0x00});
    BitWriter huge; // wider than a 16-bit width can say
    huge.put(test::kEolBits);
    for (int i = 0; i < 40; ++i)
        huge.put(codes.code(CodeKind::WM, 1728));
    huge.put(codes.code(CodeKind::WT, 0)).put(test::kEolBits).put(test::kEolBits);

    BitWriter lastByte; // the closing EOL ends in the last byte, which the file does not get
    lastByte.put(test::kEolBits).put(codes.line(full)).put(test::kEolBits).padToByte();
    BitWriter lastByteAndOne = lastByte;
    lastByteAndOne.bytes({0x00});

    const Case cases[] = {
        {"standard", page({full, {10, 1700, 18}, full}), 1728, true, 3},
        {"aligned EOLs", page({full, full}, true), 1728, true, 2},
        {"narrow", page({{50, 20, 30}, {100}}), 100, true, 2},
        {"no EOL", noEol.data(), 1728, false, 0},
        {"line not ended", oneEol.data(), 1728, false, 0},
        {"M code first", mFirst.data(), 800, true, 2},
        {"junk first", junkFirst.data(), 66, true, 2},
        {"empty lines", empties.data(), 1728, false, 1},
        {"too wide", huge.data(), 1728, false, 1},
        {"empty", {}, 1728, false, 0},
        {"one byte", {0x00}, 1728, false, 0},
        {"EOL in the last byte", lastByte.data(), 1728, true, 0},
        {"one more byte", lastByteAndOne.data(), 1728, true, 1},
    };
    for (const Case& c : cases) {
        const PageMeasure m = MeasurePage(table, c.data);
        EXPECT_EQ(m.width, c.width) << c.name;
        EXPECT_EQ(m.widthMeasured, c.measured) << c.name;
        EXPECT_EQ(m.lines, c.lines) << c.name;
    }
}

TEST_F(FaxTiffTest, PdfPictureTakesTheWidthMostLinesHave)
{
    // The TIFF keeps its measured width; the PDF's picture must not lose the page to one bad line.
    const std::vector<int> full = {1728};
    const struct {
        const char* name;
        FaxBytes data;
        int measured, picture;
    } cases[] = {
        {"noise, narrow first line", page({{12, 8}, full, {100, 1628}}), 20, 1728},
        {"wider than A4", page({{2400, 32}, {1900, 532}}), 1728, 2432},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MeasurePage(table, c.data).width, c.measured) << c.name;
        EXPECT_EQ(FullPageDecoder(table).decode(c.data).width, c.picture) << c.name;
    }
}

TEST_F(FaxTiffTest, WidthEqualsThePlainMeasurementOnDamagedPagesAndOtherTables)
{
    // Tables: the shipped one, and its code lines in shuffled order within shuffled sections.
    std::mt19937 rng(5);
    std::vector<CodeTable> tables = {table};
    for (int t = 0; t < 3; ++t) {
        std::vector<std::vector<std::string>> sections;
        std::istringstream in{std::string(G3Table())};
        for (std::string line; std::getline(in, line);) {
            if (line.empty() || line[0] != ' ')
                sections.emplace_back();
            sections.back().push_back(line);
        }
        std::shuffle(sections.begin(), sections.end(), rng);
        std::string text;
        for (auto& section : sections) {
            std::shuffle(section.begin() + 1, section.end(), rng);
            for (const std::string& line : section)
                text += line + "\n";
        }
        tables.emplace_back();
        ASSERT_TRUE(LoadCodeTableText(tables.back(), text).ok());
    }
    int measured = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<std::vector<int>> lines(4);
        for (auto& runs : lines) {
            int left = 1728;
            while (left > 0) {
                const int run = std::min(left, static_cast<int>(rng() % 300));
                runs.push_back(run);
                left -= run;
            }
        }
        FaxBytes data = page(lines, round % 2 == 0);
        for (int flips = static_cast<int>(rng() % 6); flips > 0; --flips)
            data[rng() % std::min<size_t>(data.size(), 60)] ^= static_cast<uint8_t>(1u << (rng() % 8));
        if (round % 10 == 0)
            for (uint8_t& b : data)
                b = static_cast<uint8_t>(rng());
        for (const CodeTable& t : tables) {
            const int plain = PlainWidth(t, data);
            const PageMeasure m = MeasurePage(t, data);
            ASSERT_EQ(m.widthMeasured ? m.width : -1, plain) << "round " << round;
            measured += m.widthMeasured;
        }
    }
    EXPECT_GT(measured, 300); // most damaged pages still have a readable line
}

TEST_F(FaxTiffTest, CodeOfLengthZeroCannotStallTheMeasurement)
{
    CodeTable zeroLength;
    ASSERT_TRUE(LoadCodeTableText(zeroLength, "WT\n" + FormatCodeLine("0", 0, 5) + "\n").ok());
    EXPECT_FALSE(MeasurePage(zeroLength, page({{1728}, {1728}})).widthMeasured);
}

TEST_F(FaxTiffTest, OnePageLayout)
{
    const FaxBytes p = page({{1728}, {100, 1628}, {1728}});
    const uint32_t L = static_cast<uint32_t>(p.size());
    const std::vector<uint8_t> f = exportFax(JoinFaxPages(std::vector<FaxBytes>{p}));

    ASSERT_EQ(f.size(), 8 + 222 + L - 1);
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 8),
              (std::vector<uint8_t>{'I', 'I', 42, 0, 8, 0, 0, 0}));
    const std::vector<Directory> dirs = ReadDirectories(f);
    ASSERT_EQ(dirs.size(), 1u);
    const std::vector<IfdEntry> want = {
        {254, 4, 1, 2},       {256, 4, 1, 1728}, {257, 3, 1, 3},     {258, 3, 1, 1},
        {259, 3, 1, 3},       {262, 3, 1, 0},    {266, 3, 1, 1},     {273, 4, 1, 230},
        {277, 3, 1, 1},       {278, 3, 1, 1201}, {279, 4, 1, L - 1}, {282, 5, 1, 8 + 206},
        {283, 5, 1, 8 + 214}, {292, 4, 1, 0},    {296, 3, 1, 2},     {297, 3, 2, 0 | 1u << 16},
    };
    EXPECT_EQ(dirs[0].entries, want);
    EXPECT_EQ(dirs[0].next, 0u);
    EXPECT_EQ(Le(f, 8 + 198, 4), 0u);
    EXPECT_EQ(Le(f, 8 + 202, 4), 3u * 1728);
    EXPECT_EQ(Le(f, 8 + 206, 4), 204u); // a normal page: 204 dpi across, 98 lines per inch
    EXPECT_EQ(Le(f, 8 + 214, 4), 98u);
    for (size_t at : {8 + 206, 8 + 214})
        EXPECT_EQ(Le(f, at + 4, 4), 1u);
    EXPECT_TRUE(std::equal(p.begin(), p.end() - 1, f.begin() + 230));
}

TEST_F(FaxTiffTest, DirectoriesChainBehindEachPage)
{
    // Page lengths chosen so that directories also start at odd positions.
    std::vector<FaxBytes> pages = {page({{1728}}), page({{1728}, {1728}}), page({{64, 1664}})};
    pages[1].push_back(0x00);
    const std::vector<uint8_t> f = exportFax(JoinFaxPages(pages));
    const std::vector<Directory> dirs = ReadDirectories(f);
    ASSERT_EQ(dirs.size(), 3u);
    uint32_t expect = 8;
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(dirs[k].offset, expect);
        expect += 222 + static_cast<uint32_t>(pages[k].size()) - 1;
        EXPECT_EQ(dirs[k].next, k == 2 ? 0u : expect);
        EXPECT_EQ(dirs[k].entries[7].value, dirs[k].offset + 222); // strip offset
        EXPECT_EQ(dirs[k].entries[15], (IfdEntry{297, 3, 2, static_cast<uint32_t>(k) | 3u << 16}));
        EXPECT_TRUE(std::is_sorted(dirs[k].entries.begin(), dirs[k].entries.end(),
                                   [](const IfdEntry& a, const IfdEntry& b) { return a.tag <= b.tag; }));
    }
    EXPECT_EQ(f.size(), expect);
    EXPECT_TRUE(std::any_of(dirs.begin(), dirs.end(), [](const Directory& d) { return d.offset % 2; }));
}

TEST_F(FaxTiffTest, LineCountDecidesTheVerticalResolution)
{
    struct Case {
        int lines;
        uint32_t linesPerInch;
    } const cases[] = {{1, 98}, {1150, 98}, {1600, 98}, {1601, 196}, {2300, 196}, {70000, 196}};
    for (const Case& c : cases) {
        const std::vector<uint8_t> f = exportFax(JoinFaxPages(std::vector<FaxBytes>{
            page(std::vector<std::vector<int>>(static_cast<size_t>(c.lines), std::vector<int>{1728}))}));
        // Image length and rows per strip: SHORT while the count fits, the true count as LONG above.
        const uint16_t type = c.lines > 0xFFFF ? 4 : 3;
        const std::vector<IfdEntry> entries = ReadDirectories(f).at(0).entries;
        ASSERT_EQ(entries.at(2), (IfdEntry{257, type, 1, static_cast<uint32_t>(c.lines)}));
        EXPECT_EQ(entries.at(9).type, type) << c.lines;
        EXPECT_EQ(Le(f, 8 + 206, 4), 204u) << c.lines;
        EXPECT_EQ(Le(f, 8 + 214, 4), c.linesPerInch) << c.lines;
    }
}

TEST_F(FaxTiffTest, PagesWithoutACompleteLineAreLeftOut)
{
    const FaxBytes good = page({{1728}});
    BitWriter noLine;
    noLine.put(test::kEolBits).put(test::kEolBits).put(test::kEolBits);
    const std::vector<FaxBytes> pages = {{}, good, {0x42}, noLine.data(), good};
    const std::vector<Directory> dirs = ReadDirectories(exportFax(JoinFaxPages(pages)));
    EXPECT_EQ(dirs.size(), 2u);
    // The caller hears which of the fax's pages are missing.
    FaxTiffWriter reporter;
    reporter.SetCodeTable(table);
    std::ostringstream sink;
    const FaxSaveReport report = reporter.WriteFax(sink, JoinFaxPages(pages));
    EXPECT_EQ(report.pages, 2);
    EXPECT_EQ(report.undrawable, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(UndrawablePagesText(report.undrawable), "Seiten 1, 3, 4 nicht darstellbar");

    EXPECT_TRUE(exportFax(JoinFaxPages(std::vector<FaxBytes>{{}, {0x42}, noLine.data()})).empty());
    TempDir dir;
    FaxTiffWriter writer;
    writer.SetCodeTable(table);
    std::ofstream(dir.file("none.tif")) << "an earlier fax";
    EXPECT_EQ(writer.SaveFaxAsTiff(FaxBytes{0x10, 0x03}, dir.file("none.tif").string(), "").pages, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.tif"))) << "no file, not the earlier one";
    EXPECT_THROW(writer.SaveFaxAsTiff(JoinFaxPages(std::vector<FaxBytes>{good}),
                                      dir.file("no/dir/x.tif").string(), ""),
                 FaxFileError);
}

TEST_F(FaxTiffTest, CodeFileIsLoadedOnceAndAFailureLeavesTheStandardWidth)
{
    TempDir dir;
    const FaxBytes fax = JoinFaxPages(std::vector<FaxBytes>{page({{100, 28}, {128}})});
    const std::string tif = dir.file("out.tif").string();
    const std::string missing = dir.file("RFCG3.DAT").string();

    FaxTiffWriter writer;
    std::ofstream(tif) << "an earlier fax";
    try {
        writer.SaveFaxAsTiff(fax, tif, missing);
        FAIL() << "no error";
    }
    catch (const FaxFileError& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
    EXPECT_TRUE(writer.Loaded());
    EXPECT_FALSE(std::filesystem::exists(tif)); // stopped before the file was made; the old one is gone

    // The next export does not retry; it measures nothing and writes the standard width.
    ASSERT_EQ(writer.SaveFaxAsTiff(fax, tif, missing).pages, 1);
    const std::vector<Directory> dirs = ReadDirectories(ReadAll(tif));
    ASSERT_EQ(dirs.size(), 1u);
    EXPECT_EQ(dirs[0].entries[1].value, 1728u);
    EXPECT_EQ(dirs[0].entries[2].value, 2u);

    // A working table file measures the real width; loading it once is enough.
    FaxTiffWriter good;
    good.LoadCodeFile(std::string(ZARVO_SOURCE_DATADIR) + "/RFCG3.DAT");
    ASSERT_EQ(good.SaveFaxAsTiff(fax, tif, missing).pages, 1);
    EXPECT_EQ(ReadDirectories(ReadAll(tif))[0].entries[1].value, 128u);
}

TEST_F(FaxTiffTest, MalformedCodeFileIsAConversionError)
{
    TempDir dir;
    const auto bad = dir.file("bad.dat");
    {
        std::ofstream out(bad);
        std::string badRun = FormatCodeLine("0111", 4, 2);
        badRun.back() = 'x';
        out << "WT\n" << FormatCodeLine("00110101", 8, 0) << "\n" << badRun << "\n";
    }
    FaxTiffWriter writer;
    EXPECT_THROW(writer.LoadCodeFile(bad.string()), ConvertError);
    EXPECT_EQ(writer.Table().LastCode, -1);
}

} // namespace
} // namespace zarvo
