// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fax/CodeTable.h"
#include "fax/PageBitmap.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace zarvo {

class BitReader;

// What the page display reports while it decodes. Both may be empty. A hook may throw to abandon
// the page; the decoder holds nothing that could leak.
struct PageDecodeHooks {
    std::function<void(const std::string&)> status; // "Lese Zeile:<y>" every 10th line, "Dargestellt"
    std::function<void()> afterLine;                // after every EOL; the viewer processes events here
};

struct DecodedPage {
    PageBitmap bitmap;     // widest x lines, 1 = black; only the top-left 2500 x 2500 can be black
    int width = 0;         // widest: the longest line ended by an EOL
    int lines = 0;         // number of EOLs read
    int displayWidth = 0;  // round(bitmap.width * zoom)
    int displayHeight = 0; // round(heightFactor * bitmap.height * zoom)
};

// Canvas the runs are drawn on; pixels outside it are dropped.
inline constexpr int kPageCanvasSide = 2500;
// The cut picture never grows beyond this in either direction: past the canvas it would only be
// white, and hostile data could otherwise ask for gigabytes.
inline constexpr int kPagePictureLimit = 4 * kPageCanvasSide;

// Decodes pages with lookup tables built once from a loaded code table. Finds exactly the code the
// table's own order gives: for each colour and bit pattern the first qualifying entry that matches.
class PageDecoder {
  public:
    explicit PageDecoder(const CodeTable& table);

    DecodedPage decode(std::span<const uint8_t> page, double zoom = 1.0, int heightFactor = 1,
                       const PageDecodeHooks& hooks = {}) const;

  private:
    // What decoding needs of one entry.
    struct Entry {
        int32_t run = 0;
        CodeKind kind = CodeKind::None;
        uint8_t bits = 0;
        uint16_t value = 0;
    };
    static constexpr int kLookBits = 13; // the longest code of the shipped table
    // Per colour and next kLookBits bits: kNoCode when no entry matches; kLongCode | i when entry i,
    // longer than kLookBits, may match (the entries from i on are tried); else bits << 8 | i for the
    // matching entry i, so the read position can move on before the entry itself is read.
    static constexpr uint16_t kNoCode = 0xFFFF;
    static constexpr uint16_t kLongCode = 0x8000;

    static bool qualifies(const Entry& entry, int colour);
    int findLong(int colour, int first, const BitReader& reader) const;

    std::array<Entry, kCodeTableSize> entries_{};
    int tried_ = 0; // entries 0 .. tried_ - 1 are tried; the last loaded entry never is
    std::array<std::array<uint16_t, 1u << kLookBits>, 2> lookup_{};
};

// One-shot form of PageDecoder: the page display of the viewer as a plain function.
DecodedPage DecodePage(std::span<const uint8_t> page, const CodeTable& table, double zoom = 1.0,
                       int heightFactor = 1, const PageDecodeHooks& hooks = {});
DecodedPage DecodePage(std::string_view page, const CodeTable& table, double zoom = 1.0, int heightFactor = 1,
                       const PageDecodeHooks& hooks = {});

// Rounds to the nearest integer, halves to the even neighbour, clamped to 0..INT_MAX (NaN gives 0).
int RoundDisplaySize(double size);

} // namespace zarvo
