// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace zarvo {

// Logical units of the print component.
enum class TScaling { pscDot, pscMil, pscMetric10, pscMetric100 };

// Logical units per inch: 1 for dots, 1000 for mils, 254 for 1/10 mm, 2540 for 1/100 mm.
int32_t UnitsPerInchOf(TScaling scaling);

// The print component's integer geometry, free of any printer: conversions between logical units
// and printer dots (32-bit products, quotients truncated toward zero), the usable page size, the
// non-printable borders and the isotropic mapping that puts logical 0,0 at the top-left margin
// corner of the physical page.
struct XPrintGeometry {
    TScaling Scaling = TScaling::pscDot;
    int32_t UnitsPerInch = 1;
    int32_t MarginLeft = 0, MarginTop = 0, MarginRight = 0, MarginBottom = 0;
    // A printer reports these when a job starts; 300 dpi until then.
    int32_t DpiX = 300, DpiY = 300;
    int32_t PhysicalWidth = 0, PhysicalHeight = 0;    // the paper, in dots
    int32_t HorzRes = 0, VertRes = 0;                 // the printable area, in dots
    int32_t PhysicalOffsetX = 0, PhysicalOffsetY = 0; // printable area from the paper's corner
    int32_t PageWidth = 0, PageHeight = 0;            // between the margins, logical units

    // A printer that reports no resolution is taken as 300 dpi, so nothing divides by zero.
    void SetResolution(int32_t dpiX, int32_t dpiY);

    int32_t ToDeviceX(int32_t v) const;
    int32_t ToDeviceY(int32_t v) const;
    int32_t FromDeviceX(int32_t v) const;
    int32_t FromDeviceY(int32_t v) const;

    // Converts the margins through dots into the new unit. The caller ignores it during a job.
    void SetScaling(TScaling scaling);

    int32_t LeftBorder() const;
    int32_t RightBorder() const;
    int32_t TopBorder() const;
    int32_t BottomBorder() const;

    // The mapping of a job: window and viewport extents and the viewport origin in dots from the
    // printable area's corner. With pscDot the device mapping stays as it is (isDot).
    struct Mapping {
        bool isDot = true;
        int32_t windowExtX = 1, windowExtY = 1;
        int32_t viewportExtX = 1, viewportExtY = 1;
        int32_t originX = 0, originY = 0;
        // Dots per logical unit in both directions: the smaller of the two ratios, as an
        // isotropic mapping keeps units square.
        double scale() const;
    };
    // Sets PageWidth and PageHeight and returns the mapping.
    Mapping SetupMapping();

    // The font size that keeps `size` points under the mapping, for a font of `pixelsPerInch`.
    int32_t FontSizeFor(int32_t size, bool printing, int32_t pixelsPerInch) const;
};

} // namespace zarvo
