// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace zarvo {

// What saving a fax as a TIFF or PDF file did: the pages that went into the file, and the fax's
// pages that could not be drawn (no data, or not one complete line - line noise) and so are
// missing from it. A caller that keeps only the file must not count such a fax as saved whole.
struct FaxSaveReport {
    int pages = 0;
    std::vector<int> undrawable; // 1-based numbers of the fax's pages, ascending
    bool alreadyThere = false;   // the file held these very bytes already (nothing written)
    bool Whole() const { return undrawable.empty(); }
};

// "Seite 2 nicht darstellbar" / "Seiten 2, 4 nicht darstellbar"; empty for no page.
std::string UndrawablePagesText(const std::vector<int>& pages);

} // namespace zarvo
