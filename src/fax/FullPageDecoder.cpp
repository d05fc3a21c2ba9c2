// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/FullPageDecoder.h"

#include "fax/FAXTIF.h"

#include <algorithm>
#include <map>

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

// Calls onLine with the bits of every complete coded line, as the line count walks the page: bits of
// all but the last byte, a line between two EOLs counts when it holds a one-bit. Stops when onLine
// returns false.
template <class OnLine> void ForEachCodedLine(std::span<const uint8_t> page, OnLine onLine)
{
    if (page.empty())
        return;
    const size_t bytes = page.size() - 1;
    std::vector<uint8_t> line;
    int zeros = 0;
    bool afterEol = false;
    bool hasCode = false;
    for (size_t i = 0; i < bytes; ++i) {
        for (int b = 7; b >= 0; --b) {
            const uint8_t bit = (page[i] >> b) & 1;
            if (bit == 0) {
                zeros = std::min(zeros + 1, 11);
                line.push_back(0);
                continue;
            }
            if (zeros >= 11) {
                if (afterEol && hasCode && !onLine(std::span<const uint8_t>(line)))
                    return;
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

int64_t FullPageDecoder::lineWidth(std::span<const uint8_t> bits) const
{
    int colour = kWhite;
    int64_t x = 0;
    uint32_t value = 0;
    int length = 0;
    size_t end = 0;       // just after the last code read
    bool runEnded = true; // the last code read was a terminating one
    for (size_t i = 0; i < bits.size(); ++i) {
        value = value << 1 | bits[i];
        ++length;
        const Code& code = m_codes[static_cast<size_t>(colour)][static_cast<size_t>(length)][value];
        if (code.run >= 0) {
            x += code.run;
            runEnded = code.terminating;
            if (code.terminating)
                colour = 1 - colour;
            value = 0;
            length = 0;
            end = i + 1;
        }
        else if (length >= m_longest) {
            break;
        }
    }
    // Whole: only the fill and the EOL's zeros are left after the last code.
    const bool whole = runEnded && std::all_of(bits.begin() + static_cast<std::ptrdiff_t>(end), bits.end(),
                                               [](uint8_t bit) { return bit == 0; });
    return whole ? x : -1;
}

int FullPageDecoder::pictureWidth(std::span<const uint8_t> page, int measured) const
{
    // The width at least half the lines decode whole to. The measurement takes the first line its
    // codes read, which line noise can make any width (a page 20 dots wide), and it leaves out the
    // extended make-up codes, so a page wider than 1728 dots whose lines all use them was cut. A page
    // of mostly noise keeps the measured width: a few of its lines read whole by chance.
    std::map<int64_t, int> counts;
    int lines = 0;
    ForEachCodedLine(page, [&](std::span<const uint8_t> line) {
        ++lines;
        const int64_t width = lineWidth(line);
        if (width > 0 && width <= 0xFFFF)
            ++counts[width];
        return true;
    });
    const auto atMeasured = counts.find(measured);
    if (atMeasured != counts.end() && 2 * atMeasured->second >= lines)
        return measured;
    for (const auto& [width, count] : counts)
        if (2 * count >= lines)
            return static_cast<int>(width);
    return measured;
}

PageBitmap FullPageDecoder::decode(std::span<const uint8_t> page) const
{
    const PageMeasure measure = MeasurePage(m_table, page);
    if (measure.lines <= 0)
        return {};
    const int width = pictureWidth(page, measure.width);
    if (width <= 0 || static_cast<size_t>(measure.lines) * static_cast<size_t>((width + 7) / 8) > kMaxBytes)
        return {};
    PageBitmap picture(width, measure.lines);
    int y = 0;
    ForEachCodedLine(page, [&](std::span<const uint8_t> line) {
        if (y >= picture.height)
            return false;
        decodeLine(line, picture, y++);
        return true;
    });
    return picture;
}

} // namespace zarvo
