// What the wizard must show at a scale, checked alike on both backends: each test reads its
// pixels (0xRRGGBB) and windows' rectangles its own way and hands them in.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Window.h"
#include "toolkit/LwObject.h"

namespace testsupport {

// A pixel of a window's client area, as 0xRRGGBB.
using PixelAt = std::function<uint32_t(int x, int y)>;

inline constexpr uint32_t kWizardWindowGrey = 0x2D2D2D;
inline constexpr uint32_t kWizardLineGrey = 0x646464;
inline constexpr uint32_t kWizardFooterGrey = 0x464646;

// The pixel a logical edge falls on.
inline int EdgeAt(double scale, int logical) {
    return static_cast<int>(std::floor(logical * scale + 0.5));
}

// Every visible window below `top` lies exactly on the rounded edges of its logical rectangle in
// top's client area: siblings that meet in logical units then meet in pixels, and none overlaps
// another or leaves a gap. `pixelsOf` gives a window's client rectangle in pixels, all on one
// origin.
inline void ExpectWindowsOnRoundedEdges(
    LwObject* top, double scale,
    const std::function<platform::Rect(platform::NativeWindow)>& pixelsOf) {
    const platform::Rect client = pixelsOf(top->GetNativeWindow());
    const platform::Point logicalOrigin = platform::ClientToScreen(top->GetNativeWindow(), {0, 0});
    std::vector<LwObject*> pending(top->GetChildren().begin(), top->GetChildren().end());
    int checked = 0;
    while (!pending.empty()) {
        LwObject* object = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), object->GetChildren().begin(), object->GetChildren().end());
        const platform::NativeWindow w = object->GetNativeWindow();
        if (!platform::IsWindowVisible(w)) {
            continue;
        }
        const platform::Point at = platform::ClientToScreen(w, {0, 0});
        const platform::Size size = platform::GetClientSize(w);
        const platform::Rect logical{at.x - logicalOrigin.x, at.y - logicalOrigin.y, size.width,
                                     size.height};
        const platform::Rect pixels = pixelsOf(w);
        SCOPED_TRACE(testing::Message() << "logical " << logical.x << "," << logical.y << " "
                                        << logical.width << "x" << logical.height);
        EXPECT_EQ(pixels.x - client.x, EdgeAt(scale, logical.x));
        EXPECT_EQ(pixels.y - client.y, EdgeAt(scale, logical.y));
        EXPECT_EQ(pixels.Right() - client.x, EdgeAt(scale, logical.Right()));
        EXPECT_EQ(pixels.Bottom() - client.y, EdgeAt(scale, logical.Bottom()));
        ++checked;
    }
    EXPECT_GE(checked, 4);
}

// The frame of every page: the banner (160 units wide) ends where the window's grey starts, and
// the footer line (one unit, at 310) is whole rows of line grey across the window, the banner
// down to it and the footer below.
inline void ExpectFooterLineAndBannerAtScale(const PixelAt& pixel, double scale, int clientWidth) {
    const auto edge = [&](int logical) { return EdgeAt(scale, logical); };
    const int lineTop = edge(310);
    for (int x : {10, edge(300), clientWidth - 1}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(pixel(x, edge(311)), kWizardFooterGrey);
        for (int y = lineTop; y < edge(311); ++y) {
            EXPECT_EQ(pixel(x, y), kWizardLineGrey) << y;
        }
    }
    EXPECT_NE(pixel(10, lineTop - 1), kWizardWindowGrey);
    EXPECT_EQ(pixel(clientWidth - 1, lineTop - 1), kWizardWindowGrey);
    EXPECT_NE(pixel(edge(160) - 1, edge(100)), kWizardWindowGrey);
    EXPECT_EQ(pixel(edge(160), edge(100)), kWizardWindowGrey);
}

// On the licence page, between "I DO NOT ACCEPT" (170, 320, 100 × 30) and "I ACCEPT" (275, 320),
// the footer shows up to each button's rounded edge.
inline void ExpectFooterBetweenLicenceButtons(const PixelAt& pixel, double scale) {
    const auto edge = [&](int logical) { return EdgeAt(scale, logical); };
    for (int x = edge(270); x < edge(275); ++x) {
        EXPECT_EQ(pixel(x, edge(335)), kWizardFooterGrey) << x;
    }
    EXPECT_NE(pixel(edge(270) - 1, edge(335)), kWizardFooterGrey);
    EXPECT_NE(pixel(edge(275), edge(335)), kWizardFooterGrey);
}

// A focused check box at twice the size, from its top left: its focus mark's dots along the top
// are 2 × 2 pixels, every other one lit; its box is 28 pixels of the picture drawn at twice the
// size, the outline two pixels thick and sharp.
inline void ExpectCheckBoxAtTwiceTheSize(const PixelAt& pixel) {
    for (int column = 0; column < 8; ++column) {
        SCOPED_TRACE(column);
        const bool lit = (column / 2) % 2 == 0;
        EXPECT_EQ(pixel(36 + column, 0), pixel(36 + column, 1));  // both rows of a dot alike
        EXPECT_EQ(pixel(36 + column, 0) != kWizardWindowGrey, lit);
    }
    EXPECT_EQ(pixel(0, 14), pixel(1, 14));
    EXPECT_NE(pixel(1, 14), pixel(2, 14));
    EXPECT_NE(pixel(27, 14), kWizardWindowGrey);
    EXPECT_EQ(pixel(28, 14), kWizardWindowGrey);
}

}  // namespace testsupport
