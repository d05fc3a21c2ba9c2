// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/FaxSaveReport.h"

namespace zarvo {

std::string UndrawablePagesText(const std::vector<int>& pages)
{
    if (pages.empty())
        return {};
    std::string text = pages.size() == 1 ? "Seite " : "Seiten ";
    for (size_t i = 0; i < pages.size(); ++i)
        text += (i ? ", " : "") + std::to_string(pages[i]);
    return text + " nicht darstellbar";
}

} // namespace zarvo
