// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/PdfTextLayer.h"

#include "fax/PdfWriter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <optional>

namespace zarvo {

namespace {

// Helvetica's advance widths (1/1000 em) of WinAnsiEncoding codes 32 to 255, from Adobe's metrics;
// 0 for the codes WinAnsi leaves empty.
constexpr std::array<uint16_t, 224> kHelveticaWidths = {
    278,  278, 355, 556, 556, 889,  667,  191,  333, 333,  389, 584, 278,  333, 278, 278, // 32
    556,  556, 556, 556, 556, 556,  556,  556,  556, 556,  278, 278, 584,  584, 584, 556, // 48
    1015, 667, 667, 722, 722, 667,  611,  778,  722, 278,  500, 667, 556,  833, 722, 778, // 64
    667,  778, 722, 667, 611, 722,  667,  944,  667, 667,  611, 278, 278,  278, 333, 556, // 80
    333,  556, 556, 500, 556, 556,  278,  556,  556, 222,  222, 500, 222,  833, 556, 556, // 96
    556,  556, 333, 500, 278, 556,  500,  722,  500, 500,  500, 334, 260,  334, 584, 0,   // 112
    556,  0,   222, 556, 333, 1000, 556,  556,  333, 1000, 667, 333, 1000, 0,   611, 0,   // 128
    0,    222, 222, 333, 333, 350,  556,  1000, 333, 1000, 500, 333, 944,  0,   500, 667, // 144
    278,  333, 556, 556, 556, 556,  260,  556,  333, 737,  370, 556, 584,  333, 737, 333, // 160
    400,  584, 333, 333, 333, 556,  537,  278,  333, 333,  365, 556, 834,  834, 834, 611, // 176
    667,  667, 667, 667, 667, 667,  1000, 722,  667, 667,  667, 667, 278,  278, 278, 278, // 192
    722,  722, 778, 778, 778, 778,  778,  584,  778, 722,  722, 722, 722,  667, 667, 611, // 208
    556,  556, 556, 556, 556, 556,  889,  500,  556, 556,  556, 556, 278,  278, 278, 278, // 224
    556,  556, 556, 556, 556, 556,  556,  584,  611, 556,  556, 556, 556,  500, 556, 500, // 240
};

// The characters of WinAnsi codes 0x80 to 0x9F (0 where the code is empty); the rest of the
// upper half is Latin-1.
constexpr std::array<char32_t, 32> kWinAnsi80 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The next character of UTF-8 text; nullopt for a broken sequence (one byte is consumed).
std::optional<char32_t> NextChar(std::string_view text, size_t& at)
{
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    const int extra = lead >= 0xF0 && lead < 0xF8   ? 3
                      : lead >= 0xE0                ? 2
                      : lead >= 0xC2 && lead < 0xE0 ? 1
                                                    : -1;
    if (extra < 0 || at + static_cast<size_t>(extra) > text.size())
        return std::nullopt;
    char32_t c = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        const auto next = static_cast<unsigned char>(text[at]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        c = c << 6 | (next & 0x3F);
        ++at;
    }
    return c;
}

unsigned char WinAnsiCode(char32_t c)
{
    if ((c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF))
        return static_cast<unsigned char>(c);
    for (size_t k = 0; k < kWinAnsi80.size(); ++k)
        if (kWinAnsi80[k] != 0 && kWinAnsi80[k] == c)
            return static_cast<unsigned char>(0x80 + k);
    return '?';
}

std::string WinAnsiBytes(std::string_view utf8)
{
    std::string bytes;
    for (size_t at = 0; at < utf8.size();) {
        const std::optional<char32_t> c = NextChar(utf8, at);
        bytes += static_cast<char>(c ? WinAnsiCode(*c) : '?');
    }
    return bytes;
}

} // namespace

std::string PdfNumber(double v)
{
    std::array<char, 32> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, 2);
    std::string text(buf.data(), r.ptr);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string PdfTextFontDictionary()
{
    return "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";
}

std::string PdfWinAnsiString(std::string_view utf8)
{
    std::string out = "(";
    for (const char byte : WinAnsiBytes(utf8)) {
        const auto code = static_cast<unsigned char>(byte);
        if (byte == '(' || byte == ')' || byte == '\\') {
            out += '\\';
            out += byte;
        }
        else if (code >= 0x20 && code < 0x7F) {
            out += byte;
        }
        else {
            const char octal[] = {'\\', static_cast<char>('0' + (code >> 6)),
                                  static_cast<char>('0' + (code >> 3 & 7)),
                                  static_cast<char>('0' + (code & 7))};
            out.append(octal, sizeof octal);
        }
    }
    return out + ")";
}

std::string PdfInvisibleText(std::span<const PdfTextWord> words, const PdfPlacement& at, int width, int lines)
{
    if (width <= 0 || lines <= 0)
        return {};
    const double sx = at.width / width, sy = at.height / lines;
    std::string ops;
    for (const PdfTextWord& word : words) {
        const std::string bytes = WinAnsiBytes(word.text);
        int units = 0; // the word's width in 1/1000 of the font size
        for (const char byte : bytes)
            units += kHelveticaWidths[static_cast<unsigned char>(byte) - 32u]; // never below a space
        if (units <= 0 || word.width <= 0 || word.height <= 0)
            continue;
        const double size = std::max(word.height * sy, 1.0);
        const double left = at.x + word.x * sx;
        // Helvetica reaches 0.21 em below its baseline: set the baseline a little above the box's
        // bottom, so a word with and one without descenders both stay near their box.
        const double baseline = at.y + at.height - (word.y + word.height) * sy + 0.15 * size;
        const double stretch = 100.0 * (word.width * sx) / (units * size / 1000.0);
        ops += "/" + std::string(PdfTextFontName) + " " + PdfNumber(size) + " Tf " + PdfNumber(stretch) +
               " Tz 1 0 0 1 " + PdfNumber(left) + " " + PdfNumber(baseline) + " Tm " +
               PdfWinAnsiString(word.text) + " Tj\n";
    }
    return ops.empty() ? std::string() : "BT 3 Tr\n" + ops + "ET";
}

} // namespace zarvo
