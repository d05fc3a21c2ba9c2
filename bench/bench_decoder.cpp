// SPDX-License-Identifier: GPL-3.0-or-later
// Pages per second of the page decoder, table-driven and as a linear scan over the code table,
// on the demo pages (or the sample pages of the tests) and on a dense synthetic page.
#include "../tests/fax/LinearScanDecoder.cpp" // the reference decoder of the tests
#include "BuildPaths.h"

#include "fax/CodeTable.h"
#include "fax/PageDecoder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Page {
    std::string name;
    std::vector<uint8_t> data;
};

std::vector<Page> PagesIn(const std::filesystem::path& dir)
{
    std::vector<Page> pages;
    if (!std::filesystem::is_directory(dir))
        return pages;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".g3")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        pages.push_back({entry.path().filename().string(),
                         {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}});
    }
    std::sort(pages.begin(), pages.end(), [](const Page& a, const Page& b) { return a.name < b.name; });
    return pages;
}

// Appends T.4 codes as bits, most significant first.
class Bits {
  public:
    void put(const std::string& code)
    {
        for (char c : code) {
            if (count_ % 8 == 0)
                data.push_back(0);
            if (c == '1')
                data.back() = static_cast<uint8_t>(data.back() | (0x80 >> (count_ % 8)));
            ++count_;
        }
    }
    std::vector<uint8_t> data;

  private:
    size_t count_ = 0;
};

// A standard-resolution page of 1143 lines, each 1728 pixels of runs of 1 to 8 pixels: about as
// many codes per line as a fax line can hold.
std::vector<uint8_t> DensePage(const zarvo::CodeTable& table)
{
    std::map<std::pair<zarvo::CodeKind, int>, std::string> codes;
    for (int i = 0; i <= table.LastCode; ++i)
        codes[{table[i].Kind, table[i].Run}] = table[i].Code;
    const std::string eol = "000000000001";
    std::mt19937 rng(1);
    Bits bits;
    bits.put(eol);
    for (int y = 0; y < 1143; ++y) {
        bool white = true;
        for (int x = 0; x < 1728;) {
            const int run = std::min(1 + static_cast<int>(rng() % 8), 1728 - x);
            bits.put(codes.at({white ? zarvo::CodeKind::WT : zarvo::CodeKind::BT, run}));
            x += run;
            white = !white;
        }
        bits.put(eol);
    }
    for (int i = 0; i < 5; ++i)
        bits.put(eol);
    return bits.data;
}

// Decodes the page repeatedly for at least `seconds` and returns pages per second.
template <typename Decode> double PagesPerSecond(const Decode& decode, double seconds)
{
    int runs = 0;
    const Clock::time_point start = Clock::now();
    double elapsed = 0;
    do {
        decode();
        ++runs;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds);
    return runs / elapsed;
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    zarvo::CodeTable table;
    if (!zarvo::LoadCodeTable(table).ok())
        return 1;

    const std::filesystem::path source(ZARVO_SOURCE_DIR);
    std::vector<Page> pages = PagesIn(source / "data" / "demo");
    if (pages.empty())
        pages = PagesIn(source / "tests" / "data" / "fax");
    pages.push_back({"dense synthetic", DensePage(table)});

    const zarvo::PageDecoder decoder(table);
    std::printf("%-22s %9s %7s %11s %11s %11s %8s\n", "page", "bytes", "lines", "ours/s", "once/s",
                "linear/s", "ratio");
    for (const Page& page : pages) {
        const zarvo::DecodedPage ours = decoder.decode(page.data);
        const zarvo::DecodedPage linear = zarvo::test::LinearScanDecode(page.data, table);
        if (ours.bitmap.bits != linear.bitmap.bits || ours.lines != linear.lines ||
            ours.width != linear.width) {
            std::fprintf(stderr, "%s: the decoders disagree\n", page.name.c_str());
            return 1;
        }
        // "ours" reuses one decoder; "once" builds the lookup tables for every page as DecodePage does.
        const double fast = PagesPerSecond([&] { (void)decoder.decode(page.data); }, seconds);
        const double once = PagesPerSecond([&] { (void)zarvo::DecodePage(page.data, table); }, seconds);
        const double slow =
            PagesPerSecond([&] { (void)zarvo::test::LinearScanDecode(page.data, table); }, seconds);
        std::printf("%-22s %9zu %7d %11.1f %11.1f %11.2f %8.1f\n", page.name.c_str(), page.data.size(),
                    ours.lines, fast, once, slow, once / slow);
    }
    return 0;
}
