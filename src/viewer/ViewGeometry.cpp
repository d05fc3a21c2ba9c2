// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ViewGeometry.h"

#include "fax/PageDecoder.h" // RoundDisplaySize

#include <algorithm>

namespace zarvo {

namespace {

int Twice(int side)
{
    return static_cast<int>(std::min<long long>(2LL * side, 2LL * kMaxImageSide));
}

QSize Scaled(QSize picture, double f, int heightFactor)
{
    return CapImageSize(QSize(RoundDisplaySize(picture.width() * f),
                              RoundDisplaySize(static_cast<double>(picture.height()) * f * heightFactor)));
}

} // namespace

QSize CapImageSize(QSize size)
{
    const int w = std::max(size.width(), 0);
    const int h = std::max(size.height(), 0);
    if (w <= kMaxImageSide && h <= kMaxImageSide)
        return QSize(w, h);
    // Both sides shrink by the same factor: a page capped side by side would lose its proportion.
    const double f = std::min(static_cast<double>(kMaxImageSide) / std::max(w, 1),
                              static_cast<double>(kMaxImageSide) / std::max(h, 1));
    return QSize(std::min(RoundDisplaySize(w * f), kMaxImageSide),
                 std::min(RoundDisplaySize(h * f), kMaxImageSide));
}

QSize ZoomOut(QSize image)
{
    return QSize(RoundDisplaySize(image.width() / 2.0), RoundDisplaySize(image.height() / 2.0));
}

QSize ZoomIn(QSize image)
{
    return CapImageSize(QSize(Twice(image.width()), Twice(image.height())));
}

QSize FitPage(QSize picture, QSize client, int heightFactor, QSize current)
{
    if (picture.width() == 0)
        return current;
    const double fx = static_cast<double>(client.width()) / picture.width();
    // An empty picture height gives an infinite fy: the width decides, as it would for any page.
    const double fy =
        static_cast<double>(client.height()) / (static_cast<double>(picture.height()) * heightFactor);
    const double f = std::min(fx, fy);
    if (f == 0)
        return current;
    return Scaled(picture, f, heightFactor);
}

QSize FitWidth(QSize picture, int clientWidth, int heightFactor, QSize current)
{
    if (picture.width() == 0)
        return current;
    const double f = static_cast<double>(clientWidth) / picture.width();
    if (f == 0)
        return current;
    return Scaled(picture, f, heightFactor);
}

QSize RealSize(QSize picture, double dotsPerInch, int heightFactor)
{
    return Scaled(picture, dotsPerInch / 200.0, heightFactor);
}

QSize ToggleHeight(QSize image, bool nowOn)
{
    return QSize(image.width(), nowOn ? Twice(image.height()) : RoundDisplaySize(image.height() / 2.0));
}

} // namespace zarvo
