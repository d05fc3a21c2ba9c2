// SPDX-License-Identifier: GPL-3.0-or-later
// The size rules of the viewer, the print component's integer geometry and the print rectangle,
// checked against worked examples.

#include "viewer/FaxPrinting.h"
#include "viewer/ViewGeometry.h"
#include "viewer/XPrintGeometry.h"

#include <gtest/gtest.h>

namespace zarvo {
namespace {

TEST(ViewGeometry, ZoomRoundsHalvesToEvenAndIsCapped)
{
    EXPECT_EQ(ZoomOut(QSize(1729, 1101)), QSize(864, 550)); // 864.5 -> 864, 550.5 -> 550
    EXPECT_EQ(ZoomOut(QSize(1731, 3)), QSize(866, 2));      // 865.5 -> 866, 1.5 -> 2
    EXPECT_EQ(ZoomIn(QSize(864, 550)), QSize(1728, 1100));
    EXPECT_EQ(ZoomOut(QSize(1, 1)), QSize(0, 0)); // zooming out may make the page vanish
    // At the cap both sides shrink by one factor: the page keeps its proportion, and zooming back
    // out returns close to where it started.
    const QSize starts[] = {QSize(1728, 2300), QSize(560, 744), QSize(3000, 10)};
    for (const QSize start : starts) {
        QSize s = start;
        for (int i = 0; i < 7; ++i)
            s = ZoomIn(s);
        EXPECT_LE(std::max(s.width(), s.height()), kMaxImageSide);
        EXPECT_NEAR(double(s.width()) / s.height(), double(start.width()) / start.height(),
                    0.01 * start.width() / start.height());
        for (int i = 0; i < 40; ++i)
            s = ZoomIn(s);
        EXPECT_EQ(std::max(s.width(), s.height()), kMaxImageSide);
    }
    QSize s(560, 744);
    for (int i = 0; i < 7; ++i)
        s = ZoomIn(s);
    for (int i = 0; i < 7; ++i)
        s = ZoomOut(s);
    EXPECT_NEAR(s.width(), 560 * 32767 / (744 * 128.0), 2);
    EXPECT_NEAR(s.height(), 256, 1);
}

TEST(FaxPrinting, PrintSequenceOrdersCopiesAndPages)
{
    const struct {
        int first, last, copies;
        bool collate, reverse;
        std::vector<int> pages;
    } cases[] = {
        {0, 2, 1, true, false, {0, 1, 2}},
        {0, 1, 2, true, false, {0, 1, 0, 1}},
        {0, 1, 2, false, false, {0, 0, 1, 1}},
        {1, 2, 2, true, true, {2, 1, 2, 1}},
        {0, 0, 0, true, false, {0}}, // no copies counts as one
        {2, 1, 3, true, false, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PrintSequence(c.first, c.last, c.copies, c.collate, c.reverse), c.pages)
            << c.first << ".." << c.last << " x" << c.copies;
}

TEST(ViewGeometry, FitPageAndWidth)
{
    const QSize picture(1728, 1100), client(864, 500), current(10, 10);
    EXPECT_EQ(FitPage(picture, client, 1, current), QSize(785, 500));
    EXPECT_EQ(FitWidth(picture, 864, 1, current), QSize(864, 550));
    EXPECT_EQ(FitWidth(picture, 864, 2, current), QSize(864, 1100));
    // Nothing shown, or no room: the size stays.
    EXPECT_EQ(FitPage(QSize(0, 0), client, 1, current), current);
    EXPECT_EQ(FitWidth(QSize(0, 0), 864, 1, current), current);
    EXPECT_EQ(FitPage(picture, QSize(0, 500), 1, current), current);
    EXPECT_EQ(FitPage(QSize(1728, 0), client, 1, current), QSize(864, 0));
}

TEST(ViewGeometry, RealSizeAndHeightToggle)
{
    EXPECT_EQ(RealSize(QSize(1728, 1100), 96, 1).width(), 829); // 829.44
    EXPECT_EQ(RealSize(QSize(1728, 1100), 96, 2).height(), 1056);
    for (int h : {0, 1, 2, 1099, 1100, 2291}) {
        const QSize on = ToggleHeight(QSize(864, h), true);
        EXPECT_EQ(on, QSize(864, 2 * h));
        EXPECT_EQ(ToggleHeight(on, false), QSize(864, h));
    }
}

TEST(XPrintGeometry, ConversionsAndScalingChange)
{
    XPrintGeometry g;
    g.SetScaling(TScaling::pscMetric10);
    g.MarginLeft = 100; // 10 mm
    g.SetScaling(TScaling::pscMil);
    EXPECT_EQ(g.MarginLeft, 393); // 100 * 300 / 254 = 118 dots, 118 * 1000 / 300 = 393
    EXPECT_EQ(g.UnitsPerInch, 1000);

    g.SetScaling(TScaling::pscMetric10);
    g.SetResolution(600, 600);
    EXPECT_EQ(g.ToDeviceX(-10), -23); // truncated toward zero
    EXPECT_EQ(g.FromDeviceY(7015), 2969);
    g.PhysicalOffsetX = 100;
    EXPECT_EQ(g.LeftBorder(), 42);

    g.SetScaling(TScaling::pscDot);
    EXPECT_EQ(g.ToDeviceX(12345), 12345);
    EXPECT_EQ(g.FromDeviceY(-7), -7);

    // A printer reporting no resolution is taken as 300 dpi.
    g.SetResolution(0, -5);
    EXPECT_EQ(g.DpiX, 300);
    EXPECT_EQ(g.DpiY, 300);
}

TEST(XPrintGeometry, MappingExtentsPageSizeAndFont)
{
    XPrintGeometry g;
    g.SetScaling(TScaling::pscMetric10);
    g.SetResolution(600, 600);
    g.PhysicalWidth = 4960;
    g.PhysicalHeight = 7016;
    g.PhysicalOffsetX = 100;
    g.PhysicalOffsetY = 50;
    const XPrintGeometry::Mapping m = g.SetupMapping();
    EXPECT_EQ(g.PageWidth, 2099);
    EXPECT_EQ(g.PageHeight, 2969);
    EXPECT_EQ(m.windowExtX, 3048);
    EXPECT_EQ(m.viewportExtX, 7200);
    EXPECT_EQ(m.originX, -100); // logical 0,0 at the paper's corner
    EXPECT_EQ(m.originY, -50);
    EXPECT_NEAR(m.scale(), 600.0 / 254.0, 1e-3);
    EXPECT_EQ(g.FontSizeFor(12, true, 600), 5);
    EXPECT_EQ(g.FontSizeFor(-12, false, 600), 12);

    XPrintGeometry h;
    h.SetScaling(TScaling::pscMetric100);
    h.SetResolution(300, 300);
    const XPrintGeometry::Mapping n = h.SetupMapping();
    EXPECT_EQ(n.windowExtX, 30480); // 60960 halved once
    EXPECT_EQ(n.viewportExtX, 3600);
    EXPECT_EQ(n.windowExtY, 30480);

    XPrintGeometry dots;
    dots.PhysicalWidth = 2480;
    dots.MarginLeft = 10;
    dots.MarginRight = 20;
    EXPECT_TRUE(dots.SetupMapping().isDot);
    EXPECT_EQ(dots.PageWidth, 2449);
}

TEST(FaxPrinting, RectangleFromZoomBordersAndOffsets)
{
    XPrintGeometry g;
    g.SetScaling(TScaling::pscMetric10);
    g.SetResolution(254, 254); // one dot per unit keeps the borders readable
    g.PhysicalWidth = 2100;
    g.PhysicalHeight = 2970;
    g.HorzRes = 2001;
    g.VertRes = 2801;
    g.PhysicalOffsetX = 40;
    g.PhysicalOffsetY = 60;
    g.SetupMapping();
    ASSERT_EQ(g.PageWidth - g.LeftBorder() - g.RightBorder(), 2000);
    ASSERT_EQ(g.PageHeight - g.TopBorder() - g.BottomBorder(), 2800);

    EXPECT_EQ(PrintRectangle(g, QSize(864, 1100), 0, 0, 0), QRect(41, 61, 1999, 2545));
    EXPECT_EQ(PrintRectangle(g, QSize(829, 1100), 1, 0, 0), QRect(41, 61, 829, 1100));
    EXPECT_EQ(PrintRectangle(g, QSize(829, 1100), 1, 150, 200.5), QRect(191, 261, 829, 1100));
    EXPECT_EQ(PrintRectangle(g, QSize(0, 0), 0, 0, 0), QRect(41, 61, 0, 0));
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
}

} // namespace
} // namespace zarvo
