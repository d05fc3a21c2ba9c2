// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/XPrintGeometry.h"

#include <algorithm>
#include <cstdlib>

namespace zarvo {

namespace {

// The component's arithmetic is 32-bit: a product that overflows wraps instead of being undefined.
int32_t Mul32(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

int32_t Div(int32_t a, int32_t b)
{
    if (b == 0)
        return 0;
    if (a == INT32_MIN && b == -1)
        return INT32_MIN;
    return a / b; // C++ truncates toward zero
}

} // namespace

int32_t UnitsPerInchOf(TScaling scaling)
{
    switch (scaling) {
    case TScaling::pscDot:
        return 1;
    case TScaling::pscMil:
        return 1000;
    case TScaling::pscMetric10:
        return 254;
    case TScaling::pscMetric100:
        return 2540;
    }
    return 1;
}

void XPrintGeometry::SetResolution(int32_t dpiX, int32_t dpiY)
{
    DpiX = dpiX > 0 ? dpiX : 300;
    DpiY = dpiY > 0 ? dpiY : 300;
}

int32_t XPrintGeometry::ToDeviceX(int32_t v) const
{
    return Scaling == TScaling::pscDot ? v : Div(Mul32(v, DpiX), UnitsPerInch);
}

int32_t XPrintGeometry::ToDeviceY(int32_t v) const
{
    return Scaling == TScaling::pscDot ? v : Div(Mul32(v, DpiY), UnitsPerInch);
}

int32_t XPrintGeometry::FromDeviceX(int32_t v) const
{
    return Scaling == TScaling::pscDot ? v : Div(Mul32(v, UnitsPerInch), DpiX);
}

int32_t XPrintGeometry::FromDeviceY(int32_t v) const
{
    return Scaling == TScaling::pscDot ? v : Div(Mul32(v, UnitsPerInch), DpiY);
}

void XPrintGeometry::SetScaling(TScaling scaling)
{
    const int32_t left = ToDeviceX(MarginLeft), right = ToDeviceX(MarginRight);
    const int32_t top = ToDeviceY(MarginTop), bottom = ToDeviceY(MarginBottom);
    Scaling = scaling;
    UnitsPerInch = UnitsPerInchOf(scaling);
    MarginLeft = FromDeviceX(left);
    MarginRight = FromDeviceX(right);
    MarginTop = FromDeviceY(top);
    MarginBottom = FromDeviceY(bottom);
}

int32_t XPrintGeometry::LeftBorder() const
{
    return FromDeviceX(PhysicalOffsetX);
}
int32_t XPrintGeometry::RightBorder() const
{
    return FromDeviceX(PhysicalWidth - HorzRes - PhysicalOffsetX);
}
int32_t XPrintGeometry::TopBorder() const
{
    return FromDeviceY(PhysicalOffsetY);
}
int32_t XPrintGeometry::BottomBorder() const
{
    return FromDeviceY(PhysicalHeight - VertRes - PhysicalOffsetY);
}

double XPrintGeometry::Mapping::scale() const
{
    if (isDot)
        return 1.0;
    const double sx = static_cast<double>(viewportExtX) / windowExtX;
    const double sy = static_cast<double>(viewportExtY) / windowExtY;
    return std::min(sx, sy);
}

XPrintGeometry::Mapping XPrintGeometry::SetupMapping()
{
    Mapping m;
    if (Scaling == TScaling::pscDot) {
        PageWidth = PhysicalWidth - MarginLeft - MarginRight - 1;
        PageHeight = PhysicalHeight - MarginTop - MarginBottom - 1;
        return m;
    }
    PageWidth =
        Div(Mul32(PhysicalWidth - ToDeviceX(MarginLeft) - ToDeviceX(MarginRight) - 1, UnitsPerInch), DpiX);
    PageHeight =
        Div(Mul32(PhysicalHeight - ToDeviceY(MarginTop) - ToDeviceY(MarginBottom) - 1, UnitsPerInch), DpiY);
    m.isDot = false;
    m.windowExtX = Mul32(Div(7200, DpiX), UnitsPerInch);
    m.viewportExtX = 7200;
    while (m.windowExtX > 32767) {
        m.windowExtX /= 2;
        m.viewportExtX /= 2;
    }
    m.windowExtY = Mul32(Div(7200, DpiY), UnitsPerInch);
    m.viewportExtY = 7200;
    while (m.windowExtY > 32767) {
        m.windowExtY /= 2;
        m.viewportExtY /= 2;
    }
    // Above 7200 dpi the window extent would be 0; a mapping needs a non-zero extent.
    m.windowExtX = std::max(m.windowExtX, 1);
    m.windowExtY = std::max(m.windowExtY, 1);
    m.originX = Div(Mul32(MarginLeft, DpiX), UnitsPerInch) - PhysicalOffsetX;
    m.originY = Div(Mul32(MarginTop, DpiY), UnitsPerInch) - PhysicalOffsetY;
    return m;
}

int32_t XPrintGeometry::FontSizeFor(int32_t size, bool printing, int32_t pixelsPerInch) const
{
    const int32_t magnitude = std::abs(size);
    if (Scaling == TScaling::pscDot || !printing)
        return magnitude;
    return Div(Mul32(magnitude, UnitsPerInch), pixelsPerInch > 0 ? pixelsPerInch : 300);
}

} // namespace zarvo
