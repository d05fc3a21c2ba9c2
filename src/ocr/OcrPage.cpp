// SPDX-License-Identifier: GPL-3.0-or-later
#include "ocr/OcrPage.h"

namespace zarvo {

std::string OcrPage::text() const
{
    std::string out;
    for (size_t k = 0; k < words.size(); ++k) {
        if (k > 0)
            out += words[k].line != words[k - 1].line ? '\n' : ' ';
        out += words[k].text;
    }
    return out;
}

} // namespace zarvo
