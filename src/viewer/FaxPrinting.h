// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/XPrintGeometry.h"

#include <QRect>
#include <QSize>

#include <vector>

namespace zarvo {

// Where a fax page lands on paper, in logical units: the image control's size scaled by the print
// zoom (or, with zoom 0, as large as the printable area allows, keeping the shown aspect), moved
// by the offsets and placed 1 unit inside the printable area's top-left corner. The rectangle's
// width and height are right - left and bottom - top.
QRect PrintRectangle(const XPrintGeometry& geometry, QSize image, double printZoom, double randX,
                     double randY);

// The automatic print factor: the smaller of the two ratios of usable size to image size.
double AutoPrintFactor(const XPrintGeometry& geometry, QSize image);

// The pages a job prints, in order: first..last (reversed with `reverse`), `copies` times, as whole
// runs with `collate`, else each page `copies` times in a row.
std::vector<int> PrintSequence(int first, int last, int copies, bool collate, bool reverse);

// Rounds to the nearest integer, halves to the even neighbour; clamped to the int range, NaN 0.
int RoundHalfEven(double value);

} // namespace zarvo
