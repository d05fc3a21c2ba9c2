// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace zarvo {

struct PdfPlacement;

// A recognised word for the PDF's invisible text: its box in the page picture's pixels (x to the
// right, y down from the first line), its text in UTF-8.
struct PdfTextWord {
    int x = 0, y = 0, width = 0, height = 0;
    std::string text;
};

// A number as PDF writes it: at most two decimals, no trailing zeros, never the user's locale
// (a German one would write "595,28").
std::string PdfNumber(double v);

// The name the page resources give the text layer's font (Helvetica, WinAnsiEncoding).
inline constexpr std::string_view PdfTextFontName = "F0";
// The font's dictionary.
std::string PdfTextFontDictionary();

// UTF-8 as a PDF string in WinAnsiEncoding: "(...)" with ( ) \ escaped and every byte outside
// printable ASCII written in octal; characters WinAnsi lacks become "?", broken UTF-8 too.
std::string PdfWinAnsiString(std::string_view utf8);

// Content stream operators that put each word, invisible (text render mode 3), on its box of a
// page picture of `width` x `lines` pixels drawn at `at`: Helvetica at the box's height, stretched
// across (Tz) to the box's width, so that a viewer's selection covers the word in the picture.
// Empty when no word has text and a box.
std::string PdfInvisibleText(std::span<const PdfTextWord> words, const PdfPlacement& at, int width,
                             int lines);

} // namespace zarvo
