// The desktop's scale factor as the Linux backend reads it, and the grid that turns logical units
// into pixels at any factor.
#include <gtest/gtest.h>

#include "platform/pixel_grid.h"
#include "platform/x11/desktop_scale.h"

namespace {

using platform::PixelGrid;
using platform::x11::ScaleFromDesktop;

TEST(DesktopScale, XftDpiFromTheResourcesOverriddenByGdkScaleThenOurOwn) {
    const char* resources = "Xcursor.size:\t24\nXft.dpi:\t192\nXft.antialias:\t1\n";
    EXPECT_DOUBLE_EQ(ScaleFromDesktop(resources, nullptr, nullptr), 2.0);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop("Xft.dpi: 144\n", nullptr, nullptr), 1.5);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop("Xft.dpi:\t120.0", nullptr, nullptr), 1.25);
    // The database keeps the last line of a name.
    EXPECT_DOUBLE_EQ(ScaleFromDesktop("Xft.dpi: 96\nXft.dpi: 288\n", nullptr, nullptr), 3.0);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop(resources, "1", nullptr), 1.0);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop(nullptr, "3", nullptr), 3.0);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop(resources, "3", "1.75"), 1.75);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop(nullptr, nullptr, "4"), 4.0);
}

TEST(DesktopScale, WhatMakesNoSenseIsPassedOverAndTheResultStaysBetweenOneAndFour) {
    EXPECT_DOUBLE_EQ(ScaleFromDesktop(nullptr, nullptr, nullptr), 1.0);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop("", "", ""), 1.0);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop("Xft.dpi: 72\n", nullptr, nullptr), 1.0);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop("Xft.dpi: 960\n", nullptr, nullptr), 4.0);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop("Xft.dpi: lots\nXft.dpix: 192\n", nullptr, nullptr), 1.0);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop("Xft.dpi: 192", "1.5", nullptr), 2.0);  // GDK: whole only
    EXPECT_DOUBLE_EQ(ScaleFromDesktop("Xft.dpi: 192", "0", nullptr), 2.0);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop(nullptr, "2", "5"), 2.0);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop(nullptr, "2", "0.5"), 2.0);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop(nullptr, "2", "2x"), 2.0);
    EXPECT_DOUBLE_EQ(ScaleFromDesktop(nullptr, "2", "nan"), 2.0);
}

TEST(PixelGrid, RectanglesThatMeetInUnitsMeetInPixelsAndEveryPixelHasOneUnit) {
    for (double scale : {1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0}) {
        for (platform::Point origin :
             {platform::Point{0, 0}, platform::Point{7, 13}, platform::Point{-5, 3}}) {
            SCOPED_TRACE(testing::Message() << scale << " at " << origin.x << "," << origin.y);
            const PixelGrid grid(scale, origin);
            for (int x = -20; x < 40; ++x) {
                const platform::Rect left = grid.ToPixels(platform::Rect{x - 3, 0, 3, 1});
                const platform::Rect right = grid.ToPixels(platform::Rect{x, 0, 5, 1});
                ASSERT_EQ(left.Right(), right.x);
                ASSERT_GE(right.width, static_cast<int>(5 * scale));
                ASSERT_LE(right.width, static_cast<int>(5 * scale) + 1);
                ASSERT_EQ(grid.ToLogical(grid.ToPixels(platform::Point{x, x})),
                          (platform::Point{x, x}));
            }
            for (int pixel = -30; pixel < 60; ++pixel) {
                const int unit = grid.ToLogical({pixel, 0}).x;
                ASSERT_LE(grid.X(unit), pixel);
                ASSERT_GT(grid.X(unit + 1), pixel);
            }
        }
    }
}

}  // namespace
