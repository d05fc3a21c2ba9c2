// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/FullPageDecoder.h"

#include "fax/FAXTIF.h"

#include <algorithm>

namespace zarvo {

namespace {

constexpr int kWhite = 0;
constexpr int kBlack = 1;

void Paint(PageBitmap& picture, int y, int64_t from, int64_t to)
{
    const int64_t end = std::min<int64_t>(to, picture.width);
    for (int64_t x = std::max<int64_t>(from, 0); x < end; ++x)
        picture.setBlack(static_cast<int>(x), y);
}

} // namespace

FullPageDecoder::FullPageDecoder(const CodeTable& table) : m_table(table)
{
    for (ByLength& byLength : m_codes)
        for (int length = 1; length <= kMaxCodeBits; ++length)
            byLength[static_cast<size_t>(length)].assign(size_t{1} << length, Code{});
    for (int i = 0; i < std::min(table.count(), kCodeTableSize); ++i) {
        const oneCode& c = table[i];
        const auto length = static_cast<int>(c.Code.size());
        if (length == 0 || length > kMaxCodeBits || c.Code.find_first_not_of("01") != std::string::npos)
            continue;
        uint32_t value = 0;
        for (char bit : c.Code)
            value = value << 1 | (bit == '1');
        const bool white = c.Kind == CodeKind::WT || c.Kind == CodeKind::WM || c.Kind == CodeKind::M;
        const bool black = c.Kind == CodeKind::BT || c.Kind == CodeKind::BM || c.Kind == CodeKind::M;
        const Code code{c.Run, c.Kind == CodeKind::WT || c.Kind == CodeKind::BT};
        // The first entry of a code wins, as in the table's own order.
        for (const int colour : {kWhite, kBlack}) {
            if ((colour == kWhite ? white : black) &&
                m_codes[static_cast<size_t>(colour)][static_cast<size_t>(length)][value].run < 0)
                m_codes[static_cast<size_t>(colour)][static_cast<size_t>(length)][value] = code;
        }
        m_longest = std::max(m_longest, length);
    }
}

void FullPageDecoder::decodeLine(std::span<const uint8_t> bits, PageBitmap& picture, int y) const
{
    int colour = kWhite;
    int64_t x = 0;
    uint32_t value = 0;
    int length = 0;
    for (const uint8_t bit : bits) {
        value = value << 1 | bit;
        ++length;
        const Code& code = m_codes[static_cast<size_t>(colour)][static_cast<size_t>(length)][value];
        if (code.run >= 0) {
            if (colour == kBlack)
                Paint(picture, y, x, x + code.run);
            x += code.run;
            if (code.terminating)
                colour = 1 - colour;
            value = 0;
            length = 0;
            if (x >= picture.width)
                return;
        }
        else if (length >= m_longest) {
            return; // no code: the rest of the line stays white, as a reader resynchronises at the EOL
        }
    }
}

PageBitmap FullPageDecoder::decode(std::span<const uint8_t> page) const
{
    const PageMeasure measure = MeasurePage(m_table, page);
    if (measure.lines <= 0 || measure.width <= 0 ||
        static_cast<size_t>(measure.lines) * static_cast<size_t>((measure.width + 7) / 8) > kMaxBytes)
        return {};
    PageBitmap picture(measure.width, measure.lines);
    // The same walk as the line count: bits of all but the last byte, a line between two EOLs
    // counts when it holds a one-bit.
    const size_t bytes = page.size() - 1;
    std::vector<uint8_t> line;
    int zeros = 0;
    bool afterEol = false;
    bool hasCode = false;
    int y = 0;
    for (size_t i = 0; i < bytes && y < picture.height; ++i) {
        for (int b = 7; b >= 0; --b) {
            const uint8_t bit = (page[i] >> b) & 1;
            if (bit == 0) {
                zeros = std::min(zeros + 1, 11);
                line.push_back(0);
                continue;
            }
            if (zeros >= 11) {
                if (afterEol && hasCode && y < picture.height)
                    decodeLine(line, picture, y++);
                afterEol = true;
                hasCode = false;
                line.clear();
            }
            else {
                hasCode = true;
                line.push_back(1);
            }
            zeros = 0;
        }
    }
    return picture;
}

} // namespace zarvo
