// A window's canvas on a real X server: the picture covers the client area, or the part asked
// for, and its one copy reaches the window at that place.
#include <gtest/gtest.h>

#include "platform/Canvas.h"
#include "platform/Window.h"
#include "platform/win32/window_record.h"

namespace {

using platform::Canvas;
using platform::Rgba;
using platform::Size;

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

platform::MessageResult PassOn(platform::NativeWindow w, platform::MessageId m, platform::WParam wp,
                               platform::LParam lp) {
    return platform::DefaultWindowProc(w, m, wp, lp);
}

TEST(WindowCanvasWin32, CoversItsPartOfTheClientAreaAndReachesTheWindow) {
    const platform::NativeWindow window =
        platform::CreateTopLevelWindow(nullptr, {40, 40}, {120, 80}, "drawing", {}, PassOn);
    ASSERT_TRUE(window) << "no window: the test needs a display";
    EXPECT_EQ(Canvas(window).GetSize(), (Size{120, 80}));
    EXPECT_EQ(Canvas(window, {100, 70, 50, 50}).GetSize(), (Size{20, 10}));
    EXPECT_EQ(Canvas(window, {200, 0, 10, 10}).GetSize(), (Size{}));
    platform::ShowWindow(window, true);
    {
        Canvas whole(window);
        whole.FillRect({0, 0, 120, 80}, kRed);
        whole.FillRect({10, 10, 5, 5}, kWhite);
    }
    {
        Canvas part(window, {60, 40, 10, 10});
        part.FillRect({0, 0, 120, 80}, {0, 0, 255, 255});
    }
    HWND hwnd = platform::backend::HandleOf(window);
    HDC dc = GetDC(hwnd);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 12, 12), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 60, 40), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 69, 49), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 70, 49), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 119, 79), RGB(255, 0, 0));
    ReleaseDC(hwnd, dc);
    platform::DestroyWindow(window);
    Canvas gone(window);  // a window that is gone only measures
    EXPECT_EQ(gone.GetSize(), (Size{}));
}

}  // namespace
