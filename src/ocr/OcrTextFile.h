// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ocr/OcrPage.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo {

// The recognised text kept beside an archived fax, so that rebuilding the index needs no second
// recognition. UTF-8 text, lines ended by "\n":
//   zarvo-ocr 1                                   first line: format name and version
//   page<TAB>line<TAB>x<TAB>y<TAB>w<TAB>h<TAB>conf<TAB>word
// one line per word, pages and words in order; page is the fax's 1-based page, line the 0-based
// text line within the page, x y w h the word's box in the page's own pixels, conf Tesseract's
// confidence 0-100. A tab or line break inside a word is written as a space. Readers skip empty
// lines and lines starting with "#", and count (but otherwise skip) lines they cannot read, so a
// later version may add fields after the word's.
inline constexpr std::string_view OcrTextFileHeader = "zarvo-ocr 1";

std::string OcrTextFile(std::span<const OcrPage> pages);

struct OcrTextRead {
    std::vector<OcrPage> pages; // by page number, ascending; pages without words are not listed
    int badLines = 0;           // lines that could not be read
    bool known = false;         // the first line is OcrTextFileHeader
};
OcrTextRead ReadOcrTextFile(std::string_view file);

} // namespace zarvo
