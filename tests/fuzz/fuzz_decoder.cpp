// SPDX-License-Identifier: GPL-3.0-or-later
// Page data and code table text as they might arrive from a damaged fax or a hand-edited RFCG3.DAT:
// decoding must end without faults, and for small inputs the table-driven decoder must give exactly
// what the plain linear scan gives.
#include "../fax/LinearScanDecoder.cpp" // the reference decoder of the tests, compiled in here

#include "fax/PageDecoder.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void Decode(std::span<const uint8_t> page, const zarvo::CodeTable& table, double zoom, int factor,
            bool compare)
{
    std::vector<std::string> fastStatus, slowStatus;
    const zarvo::DecodedPage fast = zarvo::DecodePage(
        page, table, zoom, factor, {[&](const std::string& s) { fastStatus.push_back(s); }, {}});
    check(fast.bitmap.bits.size() == static_cast<size_t>(fast.bitmap.height) * fast.bitmap.stride());
    if (!compare || page.size() > 128) // the linear scan is slow; small pages find the disagreements
        return;
    const zarvo::DecodedPage slow = zarvo::test::LinearScanDecode(
        page, table, zoom, factor, {[&](const std::string& s) { slowStatus.push_back(s); }, {}});
    check(fast.width == slow.width && fast.lines == slow.lines);
    check(fast.displayWidth == slow.displayWidth && fast.displayHeight == slow.displayHeight);
    check(fast.bitmap.width == slow.bitmap.width && fast.bitmap.height == slow.bitmap.height);
    check(fast.bitmap.bits == slow.bitmap.bits);
    check(fastStatus == slowStatus);
}

} // namespace

// First byte: bit 0 the mode, bits 1 to 5 the zoom, bit 6 the height factor, bit 7 whether to hold
// the result against the linear scan. Mode 0: the rest is one page for the shipped table. Mode 1:
// the rest is table text, then a NUL byte, then the page.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const zarvo::CodeTable shipped = [] {
        zarvo::CodeTable table;
        check(zarvo::LoadCodeTable(table).ok());
        return table;
    }();
    const double zoom = ((data[0] >> 1) & 31) / 8.0;
    const bool compare = (data[0] & 0x80) != 0;
    const int factor = 1 + ((data[0] >> 6) & 1);
    const std::span<const uint8_t> rest(data + 1, size - 1);
    if ((data[0] & 1) == 0) {
        Decode(rest, shipped, zoom, factor, compare);
        return 0;
    }
    const void* nul = std::memchr(rest.data(), 0, rest.size());
    const size_t textSize =
        nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - rest.data()) : rest.size();
    zarvo::CodeTable table;
    const zarvo::CodeTableLoad load = zarvo::LoadCodeTableText(
        table, std::string_view(reinterpret_cast<const char*>(rest.data()), textSize));
    check(table.LastCode >= -1 && table.LastCode < zarvo::kCodeTableSize);
    check(load.ok() || !load.message.empty());
    if (load.ok())
        Decode(rest.subspan(std::min(textSize + 1, rest.size())), table, zoom, factor, compare);
    return 0;
}
