// SPDX-License-Identifier: GPL-3.0-or-later
// SplitPages on arbitrary bytes: no crash, and joining the pages again gives a fax that splits
// into the same pages.

#include "fax/FaxDocument.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zarvo::FaxDocument doc;
    doc.FaxData.assign(data, data + size);
    doc.SplitPages();
    if (doc.PageCount < 0 || static_cast<size_t>(doc.PageCount) > doc.Pages.size())
        std::abort();
    const std::vector<zarvo::FaxBytes> pages(doc.Pages.begin(), doc.Pages.begin() + doc.PageCount);
    doc.JoinPages();
    if (zarvo::SplitFaxPages(doc.FaxData) != pages)
        std::abort();
    return 0;
}
