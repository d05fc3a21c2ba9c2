// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/FaxPrinting.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace zarvo {

int RoundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(std::nearbyint(value)); // the default rounding mode: halves to even
}

double AutoPrintFactor(const XPrintGeometry& g, QSize image)
{
    const double fx = static_cast<double>(g.PageWidth - g.LeftBorder() - g.RightBorder() - 1) / image.width();
    const double fy =
        static_cast<double>(g.PageHeight - g.TopBorder() - g.BottomBorder() - 1) / image.height();
    return std::min(fx, fy);
}

QRect PrintRectangle(const XPrintGeometry& g, QSize image, double printZoom, double randX, double randY)
{
    const double f = printZoom != 0 ? printZoom : AutoPrintFactor(g, image);
    const int left = g.LeftBorder() + 1 + RoundHalfEven(randX);
    const int top = g.TopBorder() + 1 + RoundHalfEven(randY);
    const int right = g.LeftBorder() + 1 + RoundHalfEven(image.width() * f) + RoundHalfEven(randX);
    const int bottom = g.TopBorder() + 1 + RoundHalfEven(image.height() * f) + RoundHalfEven(randY);
    return QRect(left, top, right - left, bottom - top);
}

std::vector<int> PrintSequence(int first, int last, int copies, bool collate, bool reverse)
{
    std::vector<int> pages;
    for (int i = first; i <= last; ++i)
        pages.push_back(i);
    if (reverse)
        std::reverse(pages.begin(), pages.end());
    std::vector<int> sequence;
    copies = std::max(1, copies);
    if (collate) {
        for (int c = 0; c < copies; ++c)
            sequence.insert(sequence.end(), pages.begin(), pages.end());
    }
    else {
        for (const int page : pages)
            sequence.insert(sequence.end(), static_cast<std::size_t>(copies), page);
    }
    return sequence;
}

} // namespace zarvo
