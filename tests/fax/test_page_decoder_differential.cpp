// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/PageDecoder.h"

#include "G3TestWriter.h"

#include <gtest/gtest.h>

#include <random>

namespace zarvo::test {
namespace {

// Every page here goes through DecodeBoth, which holds the table-driven decoder to the linear scan.

std::vector<uint8_t> RandomBytes(std::mt19937& rng, size_t size, int zeroPercent)
{
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> page(size);
    for (uint8_t& b : page)
        b = percent(rng) < zeroPercent ? 0 : static_cast<uint8_t>(byte(rng));
    return page;
}

// A plausible page: EOL-separated lines of random runs (some over 2500 pixels), fill bits, RTC.
std::vector<uint8_t> RandomPage(std::mt19937& rng, const ShippedCodes& codes)
{
    std::uniform_int_distribution<int> lineCount(0, 40);
    std::uniform_int_distribution<int> small(0, 80);
    std::uniform_int_distribution<int> large(0, 3000);
    std::uniform_int_distribution<int> percent(0, 99);
    BitWriter page;
    page.put(kEolBits);
    const int lines = lineCount(rng);
    for (int y = 0; y < lines; ++y) {
        std::vector<int> runs;
        int width = 0;
        while (width < 1728 && runs.size() < 200) {
            runs.push_back(percent(rng) < 90 ? small(rng) : large(rng));
            width += runs.back();
        }
        page.put(codes.line(runs));
        if (percent(rng) < 20)
            page.zeros(small(rng) % 16);
        page.put(kEolBits);
    }
    for (int i = 0; i < 5; ++i)
        page.put(kEolBits);
    return page.data();
}

void Mutate(std::mt19937& rng, std::vector<uint8_t>& page)
{
    std::uniform_int_distribution<int> kind(0, 4);
    std::uniform_int_distribution<int> count(1, 8);
    for (int n = count(rng); n > 0 && !page.empty(); --n) {
        std::uniform_int_distribution<size_t> at(0, page.size() - 1);
        switch (kind(rng)) {
        case 0:
            page[at(rng)] ^= static_cast<uint8_t>(1u << (rng() % 8));
            break;
        case 1:
            page[at(rng)] = static_cast<uint8_t>(rng());
            break;
        case 2:
            page.erase(page.begin() + static_cast<std::ptrdiff_t>(at(rng)));
            break;
        case 3:
            page.insert(page.begin() + static_cast<std::ptrdiff_t>(at(rng)), static_cast<uint8_t>(rng()));
            break;
        case 4:
            page.resize(at(rng));
            break;
        }
    }
}

// A random table text: random kinds (sometimes no header first), codes of 0 to 15 characters,
// lengths 0 to 24 (sometimes not the code's length), runs from -50 to 3000.
std::string RandomTableText(std::mt19937& rng)
{
    static const char* const headers[] = {"WT", "BT", "WM", "BM", "M", "WEOL", "BEOL"};
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> codeLength(1, 15);
    std::uniform_int_distribution<int> entries(0, kCodeTableSize);
    std::string text;
    if (percent(rng) < 80)
        text += std::string(headers[rng() % 7]) + "\n";
    for (int n = entries(rng); n > 0; --n) {
        if (percent(rng) < 10)
            text += std::string(headers[rng() % 7]) + "\n";
        std::string code;
        for (int k = codeLength(rng); k > 0; --k)
            code += percent(rng) < 70 ? '0' : '1';
        if (percent(rng) < 3)
            code.clear();
        int bits = static_cast<int>(code.size());
        if (percent(rng) < 10)
            bits = static_cast<int>(rng() % 25);
        const int run = percent(rng) < 5 ? -static_cast<int>(rng() % 50) : static_cast<int>(rng() % 3001);
        text += FormatCodeLine(code, bits, run) + "\n";
    }
    return text;
}

TEST(PageDecoderDifferential, RandomBytesWithShippedTable)
{
    CodeTable table;
    ASSERT_TRUE(LoadCodeTable(table).ok());
    std::mt19937 rng(4711);
    for (int i = 0; i < 300; ++i) {
        const std::vector<uint8_t> page = RandomBytes(rng, rng() % 700, static_cast<int>(rng() % 100));
        SCOPED_TRACE(i);
        DecodeBoth(page, table, 0.75, 1 + static_cast<int>(i % 2));
        if (HasFailure())
            return;
    }
}

TEST(PageDecoderDifferential, GeneratedAndMutatedPages)
{
    CodeTable table;
    ASSERT_TRUE(LoadCodeTable(table).ok());
    const ShippedCodes codes;
    std::mt19937 rng(1234);
    for (int i = 0; i < 200; ++i) {
        std::vector<uint8_t> page = RandomPage(rng, codes);
        SCOPED_TRACE(i);
        const DecodedPage clean = DecodeBoth(page, table);
        EXPECT_GE(clean.lines, 5);
        Mutate(rng, page);
        DecodeBoth(page, table);
        if (HasFailure())
            return;
    }
}

TEST(PageDecoderDifferential, RandomTablesOnRandomAndGeneratedPages)
{
    const ShippedCodes codes;
    std::mt19937 rng(99);
    int loaded = 0;
    for (int i = 0; i < 150; ++i) {
        CodeTable table;
        const std::string text = RandomTableText(rng);
        if (!LoadCodeTableText(table, text).ok())
            continue;
        ++loaded;
        SCOPED_TRACE(text);
        DecodeBoth(RandomBytes(rng, rng() % 400, 50), table);
        DecodeBoth(RandomPage(rng, codes), table);
        if (HasFailure())
            return;
    }
    EXPECT_GT(loaded, 100);
}

// A decoder built once serves many pages, and the one-shot form gives the same.
TEST(PageDecoderDifferential, ReusedDecoderMatchesOneShot)
{
    CodeTable table;
    ASSERT_TRUE(LoadCodeTable(table).ok());
    const ShippedCodes codes;
    const PageDecoder decoder(table);
    std::mt19937 rng(7);
    for (int i = 0; i < 20; ++i) {
        const std::vector<uint8_t> page = RandomPage(rng, codes);
        const DecodedPage once = DecodeBoth(page, table);
        const DecodedPage reused = decoder.decode(page);
        EXPECT_EQ(reused.bitmap.bits, once.bitmap.bits);
        EXPECT_EQ(reused.lines, once.lines);
    }
}

} // namespace
} // namespace zarvo::test
