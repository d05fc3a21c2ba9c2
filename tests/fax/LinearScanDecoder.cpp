// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinearScanDecoder.h"

#include <algorithm>
#include <climits>

namespace zarvo::test {

namespace {

class Scanner {
  public:
    Scanner(std::span<const uint8_t> page, const CodeTable& table) : page_(page), table_(table) {}

    int bit(uint64_t pos) const
    {
        const uint64_t byte = pos / 8;
        return byte < page_.size() ? (page_[byte] >> (7 - pos % 8)) & 1 : 0;
    }

    bool qualifies(const oneCode& code, bool white) const
    {
        if (code.Bits == 0)
            return false;
        switch (code.Kind) {
        case CodeKind::WT:
        case CodeKind::WM:
            return white;
        case CodeKind::BT:
        case CodeKind::BM:
            return !white;
        case CodeKind::M:
        case CodeKind::WEOL:
        case CodeKind::BEOL:
            return true;
        default:
            return false;
        }
    }

    // The next Bits bits read as a number equal Value. A one bit more than 16 places from the end
    // makes the number too big for any Value.
    bool matches(const oneCode& code, uint64_t pos) const
    {
        uint32_t number = 0;
        for (int k = 0; k < code.Bits; ++k) {
            const int b = bit(pos + static_cast<uint64_t>(k));
            if (b != 0 && code.Bits - k > 16)
                return false;
            number = number * 2 + static_cast<uint32_t>(b);
        }
        return number == code.Value;
    }

    // MatchCode: entries 0 to LastCode - 1 in order; -1 and one bit on when none matches.
    int matchCode(uint64_t& pos, bool white) const
    {
        for (int i = 0; i < table_.LastCode; ++i) {
            const oneCode& code = table_[i];
            if (qualifies(code, white) && matches(code, pos)) {
                pos += code.Bits;
                return i;
            }
        }
        pos += 1;
        return -1;
    }

  private:
    std::span<const uint8_t> page_;
    const CodeTable& table_;
};

} // namespace

DecodedPage LinearScanDecode(std::span<const uint8_t> page, const CodeTable& table, double zoom,
                             int heightFactor, const PageDecodeHooks& hooks)
{
    const Scanner scanner(page, table);
    PageBitmap canvas(kPageCanvasSide, kPageCanvasSide);
    const int64_t length = static_cast<int64_t>(page.size());
    uint64_t pos = 0;
    bool white = true;
    int64_t x = 0;
    int64_t y = 0;
    int64_t widest = 0;
    int eolRun = 0;

    bool more = true;
    while (more && static_cast<int64_t>(pos / 8) < length - 2 && eolRun < 5) {
        int found = -1;
        while (found < 0) {
            found = scanner.matchCode(pos, white);
            if (found < 0 && static_cast<int64_t>(pos / 8) > length - 2) {
                more = false;
                break;
            }
        }
        if (!more)
            break;
        const oneCode& code = table[found];
        const int64_t newX = x + code.Run;
        for (int64_t px = std::max<int64_t>(x, 0); px < newX && px < kPageCanvasSide; ++px) {
            if (y < kPageCanvasSide)
                canvas.setBlack(static_cast<int>(px), static_cast<int>(y), !white);
        }
        x = newX;
        switch (code.Kind) {
        case CodeKind::WT:
            white = false;
            eolRun = 0;
            break;
        case CodeKind::BT:
            white = true;
            eolRun = 0;
            break;
        case CodeKind::WEOL:
        case CodeKind::BEOL:
            ++eolRun;
            ++y;
            if (y % 10 == 0 && hooks.status)
                hooks.status("Lese Zeile:" + std::to_string(y));
            widest = std::max(widest, x);
            x = 0;
            white = true;
            if (hooks.afterLine)
                hooks.afterLine();
            break;
        default:
            break;
        }
    }
    if (hooks.status)
        hooks.status("Dargestellt");

    DecodedPage result;
    result.width = static_cast<int>(std::min<int64_t>(widest, INT_MAX));
    result.lines = static_cast<int>(std::min<int64_t>(y, INT_MAX));
    result.bitmap =
        PageBitmap(std::min(result.width, kPagePictureLimit), std::min(result.lines, kPagePictureLimit));
    result.displayWidth = RoundDisplaySize(static_cast<double>(result.bitmap.width) * zoom);
    result.displayHeight = RoundDisplaySize(static_cast<double>(heightFactor) *
                                            static_cast<double>(result.bitmap.height) * zoom);
    const int w = std::min(result.bitmap.width, kPageCanvasSide);
    const int h = std::min(result.bitmap.height, kPageCanvasSide);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col)
            if (canvas.black(col, row))
                result.bitmap.setBlack(col, row);
    return result;
}

} // namespace zarvo::test
