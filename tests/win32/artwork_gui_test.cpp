// The embedded artwork as a window shows it on the Win32 backend: the banner and a ticked check
// box, pixel for pixel as their PNGs decode. A runtime whose decoder fails (as a 32-bit GDI+
// does in a prefix without the 32-bit classes) leaves these places blank.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "controls/LwCheckBox.h"
#include "draw/LwArtwork.h"
#include "draw/LwImage.h"
#include "draw/LwPaintContext.h"
#include "platform/win32/window_record.h"
#include "toolkit/LwWindow.h"
#include "win32_test_support.h"

namespace {

constexpr LwPoint kBoxAt{200, 40};
constexpr int kBoxSide = 14;

class ArtworkWindow : public LwWindow {
  public:
    ArtworkWindow() : LwWindow(nullptr, LwPoint{30, 30}, LwSize{260, 320}, "artwork", 0) {
        banner.LoadFromResource(kLwBannerImageId);
        new LwCheckBox(this, kBoxAt, &ticked, nullptr);
    }
    void OnPaint() override {
        LwPaintContext paint(this);
        paint.SetFillColor(LwGrey(45));
        paint.DrawRect(LwRect{0, 0, GetSize().width, GetSize().height});
        paint.DrawImage(banner, LwPoint{0, 0}, LwSize{0, 0});
    }

    LwImage banner;
    bool ticked = true;
};

// The window's client area as the screen shows it, 0xRRGGBB per pixel, row by row.
std::vector<uint32_t> ScreenPixels(HWND window, int width, int height) {
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                                 static_cast<const uint32_t*>(bits) + width * height);
    for (uint32_t& p : pixels) {
        p &= 0xFFFFFF;
    }
    SelectObject(memory, old);
    DeleteObject(copy);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return pixels;
}

// The part of a `width`-wide picture at `from`, `size` wide and high, as 0xRRGGBB values.
std::vector<uint32_t> Part(const std::vector<uint32_t>& pixels, int width, LwPoint from,
                           LwSize size) {
    std::vector<uint32_t> part;
    for (int y = from.y; y < from.y + size.height; ++y) {
        for (int x = from.x; x < from.x + size.width; ++x) {
            part.push_back(pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF);
        }
    }
    return part;
}

std::vector<uint32_t> Part(const LwImage& picture, LwPoint from, LwSize size) {
    return Part(picture.GetBitmap()->ArgbPixels(), picture.GetSize().width, from, size);
}

TEST(ArtworkWin32, BannerAndTickedCheckBoxReachTheWindowAsDecoded) {
    ArtworkWindow window;
    ASSERT_FALSE(window.banner.IsEmpty()) << "the banner did not decode";
    LwImage strip;
    strip.LoadFromResource(kLwCheckStripImageId);
    ASSERT_FALSE(strip.IsEmpty()) << "the check box strip did not decode";
    window.Show(true);

    const LwSize bannerSize = window.banner.GetSize();
    const std::vector<uint32_t> banner = Part(window.banner, {0, 0}, bannerSize);
    const std::vector<uint32_t> tickedBox = Part(strip, {kBoxSide, 0}, {kBoxSide, kBoxSide});
    HWND hwnd = platform::backend::HandleOf(window.GetNativeWindow());
    std::vector<uint32_t> shown;
    const auto showsBoth = [&] {
        shown = ScreenPixels(hwnd, 260, 320);
        return Part(shown, 260, {0, 0}, bannerSize) == banner &&
               Part(shown, 260, kBoxAt, {kBoxSide, kBoxSide}) == tickedBox;
    };
    EXPECT_TRUE(wintest::WaitUntil(showsBoth));
}

}  // namespace
