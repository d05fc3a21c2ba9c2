// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/PageDecoder.h"

#include "fax/BitReader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace zarvo {

namespace {

constexpr int kWhite = 0;
constexpr int kBlack = 1;
constexpr size_t kCanvasStride = (kPageCanvasSide + 7) / 8;

// Sets or clears pixels x0 (included) to x1 (excluded) of a packed row.
void FillRow(uint8_t* row, int x0, int x1, bool black)
{
    auto apply = [black](uint8_t& byte, uint8_t mask) {
        byte = black ? static_cast<uint8_t>(byte | mask) : static_cast<uint8_t>(byte & ~mask);
    };
    int first = x0 >> 3;
    const int last = (x1 - 1) >> 3;
    const uint8_t head = static_cast<uint8_t>(0xFFu >> (x0 & 7));
    const uint8_t tail = static_cast<uint8_t>(0xFFu << (7 - ((x1 - 1) & 7)));
    if (first == last) {
        apply(row[first], static_cast<uint8_t>(head & tail));
        return;
    }
    apply(row[first++], head);
    if (last > first)
        std::memset(row + first, black ? 0xFF : 0x00, static_cast<size_t>(last - first));
    apply(row[last], tail);
}

int ClampToInt(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, 0, INT_MAX));
}

} // namespace

int RoundDisplaySize(double size)
{
    if (!(size > 0)) // also NaN
        return 0;
    if (size >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(std::nearbyint(size)); // the default rounding mode: halves to even
}

bool PageDecoder::qualifies(const Entry& entry, int colour)
{
    if (entry.bits == 0) // would match without consuming anything, and decoding would never end
        return false;
    switch (entry.kind) {
    case CodeKind::WT:
    case CodeKind::WM:
        return colour == kWhite;
    case CodeKind::BT:
    case CodeKind::BM:
        return colour == kBlack;
    case CodeKind::M:
    case CodeKind::WEOL:
    case CodeKind::BEOL:
        return true;
    case CodeKind::None:
        break;
    }
    return false;
}

PageDecoder::PageDecoder(const CodeTable& table)
{
    const int loaded = std::clamp(table.count(), 0, kCodeTableSize);
    for (int i = 0; i < loaded; ++i) {
        const oneCode& code = table[i];
        entries_[static_cast<size_t>(i)] = Entry{code.Run, code.Kind, code.Bits, code.Value};
    }
    tried_ = std::max(loaded - 1, 0);

    // Later entries first, so that for every pattern the earliest entry in table order wins.
    for (int colour : {kWhite, kBlack}) {
        auto& lookup = lookup_[static_cast<size_t>(colour)];
        lookup.fill(kNoCode);
        for (int i = tried_ - 1; i >= 0; --i) {
            const Entry& entry = entries_[static_cast<size_t>(i)];
            if (!qualifies(entry, colour))
                continue;
            if (entry.bits < 16 && entry.value >> entry.bits != 0) // wider than its length: never equal
                continue;
            if (entry.bits <= kLookBits) {
                const int shift = kLookBits - entry.bits;
                const size_t from = static_cast<size_t>(entry.value) << shift;
                const size_t to = static_cast<size_t>(entry.value + 1) << shift;
                std::fill(lookup.begin() + static_cast<ptrdiff_t>(from),
                          lookup.begin() + static_cast<ptrdiff_t>(to),
                          static_cast<uint16_t>(entry.bits << 8 | i));
            }
            else {
                // The first kLookBits of the entry's bits: leading zeros, then the top of Value.
                const int below = entry.bits - kLookBits;
                const size_t head = below >= 16 ? 0 : static_cast<size_t>(entry.value >> below);
                lookup[head] = static_cast<uint16_t>(kLongCode | i);
            }
        }
    }
}

// The slow path for tables with codes longer than kLookBits: entries from `first` on, in table order.
int PageDecoder::findLong(int colour, int first, const BitReader& reader) const
{
    for (int i = first; i < tried_; ++i) {
        const Entry& entry = entries_[static_cast<size_t>(i)];
        if (!qualifies(entry, colour))
            continue;
        // The next `bits` bits as a number equal Value: all but the last 16 are zero and the
        // last 16 equal it (for codes of up to 16 bits, simply the whole code).
        const int high = std::max(entry.bits - 16, 0);
        bool match = true;
        for (int done = 0; match && done < high; done += 32)
            match = reader.peekAt(reader.position() + static_cast<uint64_t>(done),
                                  std::min(32, high - done)) == 0;
        const int low = entry.bits - high;
        if (match && reader.peekAt(reader.position() + static_cast<uint64_t>(high), low) == entry.value)
            return i;
    }
    return -1;
}

DecodedPage PageDecoder::decode(std::span<const uint8_t> page, double zoom, int heightFactor,
                                const PageDecodeHooks& hooks) const
{
    const int64_t length = static_cast<int64_t>(page.size());
    BitReader reader(page);
    std::vector<uint8_t> canvas;              // rows 0 .. as far as drawn, kCanvasStride bytes each
    std::vector<uint8_t> line(kCanvasStride); // the current row; goes into the canvas at its EOL
    bool drawn = false;
    int colour = kWhite;
    int64_t x = 0;
    int64_t y = 0;
    int64_t widest = 0;
    int eolRun = 0;
    bool backwards = false; // a negative run in this line: white runs may now cover black pixels

    const uint64_t decodeBefore = length > 2 ? static_cast<uint64_t>(length - 2) : 0;
    while (reader.byteIndex() < decodeBefore && eolRun < 5) {
        int found = -1;
        int bits = 0;
        for (;;) {
            const uint16_t hit = lookup_[static_cast<size_t>(colour)][reader.peek(kLookBits)];
            if (hit < kLongCode) {
                found = hit & 0xFF;
                bits = hit >> 8;
                break;
            }
            if (hit != kNoCode) {
                found = findLong(colour, hit & 0xFF, reader);
                if (found >= 0) {
                    bits = entries_[static_cast<size_t>(found)].bits;
                    break;
                }
            }
            reader.skip(1);
            if (reader.byteIndex() > decodeBefore)
                break;
        }
        if (found < 0)
            break;
        reader.skip(static_cast<uint64_t>(bits));
        const Entry& entry = entries_[static_cast<size_t>(found)];

        const int64_t newX = x + entry.run;
        if (entry.run < 0)
            backwards = true;
        if (newX > x && y < kPageCanvasSide && (colour == kBlack || backwards)) {
            const int64_t x0 = std::max<int64_t>(x, 0);
            const int64_t x1 = std::min<int64_t>(newX, kPageCanvasSide);
            if (x0 < x1) {
                FillRow(line.data(), static_cast<int>(x0), static_cast<int>(x1), colour == kBlack);
                drawn = true;
            }
        }
        x = newX;

        switch (entry.kind) {
        case CodeKind::WT:
            colour = kBlack;
            eolRun = 0;
            break;
        case CodeKind::BT:
            colour = kWhite;
            eolRun = 0;
            break;
        case CodeKind::WEOL:
        case CodeKind::BEOL: {
            if (drawn) {
                canvas.resize(static_cast<size_t>(y + 1) * kCanvasStride);
                std::memcpy(canvas.data() + static_cast<size_t>(y) * kCanvasStride, line.data(),
                            kCanvasStride);
                std::fill(line.begin(), line.end(), uint8_t{0});
                drawn = false;
            }
            backwards = false;
            ++eolRun;
            ++y;
            if (y % 10 == 0 && hooks.status)
                hooks.status("Lese Zeile:" + std::to_string(y));
            widest = std::max(widest, x);
            x = 0;
            colour = kWhite;
            if (hooks.afterLine)
                hooks.afterLine();
            break;
        }
        default:
            break; // make-up codes: the colour stays, the EOL count goes on
        }
    }
    // Runs after the last EOL belong to row y, which the cut below leaves out.

    if (hooks.status)
        hooks.status("Dargestellt");

    DecodedPage result;
    result.width = ClampToInt(widest);
    result.lines = ClampToInt(y);
    result.bitmap =
        PageBitmap(std::min(result.width, kPagePictureLimit), std::min(result.lines, kPagePictureLimit));
    // The display shows the picture that exists, so its size follows the cut picture, not the counts.
    result.displayWidth = RoundDisplaySize(static_cast<double>(result.bitmap.width) * zoom);
    result.displayHeight = RoundDisplaySize(static_cast<double>(heightFactor) *
                                            static_cast<double>(result.bitmap.height) * zoom);

    PageBitmap& bitmap = result.bitmap;
    const size_t drawnRows = canvas.size() / kCanvasStride;
    const size_t rows = std::min(drawnRows, static_cast<size_t>(bitmap.height));
    const size_t copy = std::min(kCanvasStride, static_cast<size_t>(bitmap.stride()));
    const int cutBits = bitmap.width & 7;
    for (size_t r = 0; r < rows && copy > 0; ++r) {
        uint8_t* out = bitmap.bits.data() + r * static_cast<size_t>(bitmap.stride());
        std::memcpy(out, canvas.data() + r * kCanvasStride, copy);
        if (bitmap.width < kPageCanvasSide && cutBits != 0)
            out[copy - 1] &= static_cast<uint8_t>(0xFFu << (8 - cutBits));
    }
    return result;
}

DecodedPage DecodePage(std::span<const uint8_t> page, const CodeTable& table, double zoom, int heightFactor,
                       const PageDecodeHooks& hooks)
{
    return PageDecoder(table).decode(page, zoom, heightFactor, hooks);
}

DecodedPage DecodePage(std::string_view page, const CodeTable& table, double zoom, int heightFactor,
                       const PageDecodeHooks& hooks)
{
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(page.data()), page.size());
    return DecodePage(bytes, table, zoom, heightFactor, hooks);
}

} // namespace zarvo
