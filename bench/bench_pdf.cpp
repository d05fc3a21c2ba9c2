// SPDX-License-Identifier: GPL-3.0-or-later
// Time to write the demo's three-page fax as PDF, and its size against tiff2pdf of the same pages
// (from our own TIFF export) and against the pages' bitmaps as Flate would store them.
#include "BuildPaths.h"

#include "fax/FAXTIF.h"
#include "fax/FaxPdf.h"
#include "fax/G4Encoder.h"
#include "fax/PageDecoder.h"

#include <QByteArray>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

zarvo::FaxBytes ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

long long FileSize(const std::filesystem::path& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<long long>(size);
}

} // namespace

int main()
{
    std::vector<zarvo::FaxBytes> pages;
    for (int k = 1; k <= 3; ++k) {
        pages.push_back(ReadAll(std::filesystem::path(ZARVO_SOURCE_DATADIR) / "demo" /
                                ("fax3-" + std::to_string(k) + ".g3")));
        if (pages.back().empty()) {
            std::fprintf(stderr, "bench_pdf: data/demo/fax3-%d.g3 missing (scripts/make-demo)\n", k);
            return 1;
        }
    }
    const auto dir = std::filesystem::temp_directory_path() /
                     ("zarvo-bench-pdf-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    const auto pdf = dir / "fax.pdf";

    // Decode, encode, assemble and write whole, as the viewer and zarvo-convert do.
    constexpr int kRuns = 20;
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        zarvo::SaveFaxAsPdf(pages, pdf.string(), zarvo::PaperA4);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::vector<double> build;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        const zarvo::FaxPdf document = zarvo::MakeFaxPdf(pages, zarvo::PaperA4);
        build.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (document.pages != 3)
            return 1;
    }
    std::sort(ms.begin(), ms.end());
    std::sort(build.begin(), build.end());
    std::printf(
        "3-page demo fax to PDF file (decode, G4, write whole and flush): median %.1f ms, best %.1f ms"
        " over %d runs\n",
        ms[ms.size() / 2], ms.front(), kRuns);
    std::printf("  of that the document in memory (decode, G4): median %.1f ms, best %.1f ms\n",
                build[build.size() / 2], build.front());

    // The same pages through our TIFF export and libtiff's tiff2pdf.
    zarvo::CodeTable table;
    zarvo::LoadCodeTable(table);
    zarvo::FaxTiffWriter writer;
    writer.SetCodeTable(table);
    const auto tif = dir / "fax.tif", theirs = dir / "tiff2pdf.pdf";
    writer.SaveFaxAsTiff(zarvo::JoinFaxPages(pages), tif.string(), "");
    const std::string command = "tiff2pdf -o '" + theirs.string() + "' '" + tif.string() + "' 2>/dev/null";
    const bool tiff2pdf = std::system(command.c_str()) == 0;

    long long g4 = 0, flate = 0, raw = 0;
    for (const zarvo::FaxBytes& page : pages) {
        const zarvo::PageBitmap bitmap = zarvo::DecodePage(page, table).bitmap;
        g4 += static_cast<long long>(zarvo::EncodeG4(bitmap).size());
        const QByteArray bytes(reinterpret_cast<const char*>(bitmap.bits.data()),
                               static_cast<qsizetype>(bitmap.bits.size()));
        flate += qCompress(bytes, 9).size() - 4; // zlib stream without Qt's length prefix
        raw += static_cast<long long>(bitmap.bits.size());
    }
    std::printf("PDF file: ours %lld bytes", FileSize(pdf));
    if (tiff2pdf)
        std::printf(", tiff2pdf %lld bytes", FileSize(theirs));
    else
        std::printf(", tiff2pdf not available");
    std::printf(
        "\nImage data of the 3 pages: G4 %lld bytes, Flate (zlib 9) %lld bytes, raw 1-bit %lld bytes\n", g4,
        flate, raw);
    std::filesystem::remove_all(dir);
    return 0;
}
