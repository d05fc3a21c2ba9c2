// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>

namespace zarvo {

// The size rules of the fax viewer's image control, as plain functions: every zoom command sets
// the control's width and height and the picture is stretched into it. Rounding is half to even.

// The largest side a control may have: window systems refuse larger windows, and repeated zooming
// in must not ask for more.
inline constexpr int kMaxImageSide = 32767;

// Caps the size at kMaxImageSide a side, shrinking both sides by one factor (and below at 0).
QSize CapImageSize(QSize size);

QSize ZoomOut(QSize image);
QSize ZoomIn(QSize image);

// The whole page into the client area; the current size when the picture is empty or f is 0.
QSize FitPage(QSize picture, QSize client, int heightFactor, QSize current);
// The page's width into the client area; the current size when the picture is empty or f is 0.
QSize FitWidth(QSize picture, int clientWidth, int heightFactor, QSize current);
// The page at its physical size on a screen of `dotsPerInch` (a fax has 200 dots per inch).
QSize RealSize(QSize picture, double dotsPerInch, int heightFactor);
// The 200 x 100 dpi toggle: the height doubles when switched on and halves when switched off.
QSize ToggleHeight(QSize image, bool nowOn);

} // namespace zarvo
