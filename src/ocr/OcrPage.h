// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace zarvo {

// One recognised word: its box in the fax page's own pixels (x to the right, y down from the
// page's first line; a normal page's lines are not doubled here), Tesseract's confidence (0-100)
// and its text in UTF-8 (never empty, no white space).
struct OcrWord {
    int x = 0, y = 0, width = 0, height = 0;
    int line = 0; // 0-based text line of the page, in reading order
    int confidence = 0;
    std::string text;
    bool operator==(const OcrWord&) const = default;
};

// The text of one fax page.
struct OcrPage {
    int number = 0; // 1-based page of the fax
    std::vector<OcrWord> words;

    // The page as plain text: the words of a line separated by a space, lines by "\n".
    std::string text() const;
};

} // namespace zarvo
