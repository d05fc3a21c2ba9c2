// SPDX-License-Identifier: GPL-3.0-or-later
// The TIFF export on arbitrary faxes and code tables: it ends, stays in bounds, and what it writes
// is a chain of directories that each point at their own page data.

#include "fax/CodeTable.h"
#include "fax/FAXTIF.h"

#include <cstdlib>
#include <sstream>
#include <string_view>

namespace {

uint32_t Le(const std::string& f, size_t at, int bytes)
{
    if (at + static_cast<size_t>(bytes) > f.size())
        std::abort();
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(f[at + static_cast<size_t>(i)]);
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the table: the shipped one, none (a failed load), or a table text
    // taken from the input up to its first 0xFF byte.
    zarvo::CodeTable table;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        zarvo::LoadCodeTable(table);
        break;
    case 1:
        break;
    default: {
        const size_t cut = std::min(rest.find('\xFF'), rest.size());
        if (!zarvo::LoadCodeTableText(table, rest.substr(0, cut)).ok())
            table = zarvo::CodeTable{};
        rest.remove_prefix(std::min(cut + 1, rest.size()));
    }
    }
    const std::span<const uint8_t> fax(reinterpret_cast<const uint8_t*>(rest.data()), rest.size());

    const zarvo::PageMeasure m = zarvo::MeasurePage(table, fax);
    if (m.width <= 0 || m.width > 0xFFFF || m.lines < 0)
        std::abort();

    zarvo::FaxTiffWriter writer;
    writer.SetCodeTable(table);
    std::ostringstream out;
    const int pages = writer.WriteFax(out, fax).pages;
    const std::string f = out.str();
    if (pages == 0) {
        if (!f.empty())
            std::abort();
        return 0;
    }
    int seen = 0;
    for (uint32_t at = Le(f, 4, 4); at != 0; at = Le(f, at + 194, 4)) {
        if (++seen > pages || Le(f, at, 2) != 16)
            std::abort();
        const uint32_t width = Le(f, at + 2 + 12 + 8, 4), length = Le(f, at + 2 + 24 + 8, 4);
        const uint32_t offset = Le(f, at + 2 + 84 + 8, 4), count = Le(f, at + 2 + 120 + 8, 4);
        if (width == 0 || length == 0 || offset != at + 222 || offset + count > f.size())
            std::abort();
    }
    if (seen != pages)
        std::abort();
    return 0;
}
