// Pictures drawn through the paint context and read back: natural size, scaling, source
// rectangles copied one to one, alpha, and empty images.
#include <gtest/gtest.h>

#include <functional>

#include "draw/LwArtwork.h"
#include "draw/LwImage.h"
#include "draw/LwPaintContext.h"
#include "support/XTestHarness.h"
#include "toolkit/LwWindow.h"

namespace {

constexpr LwColor kBackground{0, 60, 0, 255};

class ImageWindow : public LwWindow {
  public:
    explicit ImageWindow(std::function<void(LwPaintContext&)> draw)
        : LwWindow(nullptr, LwPoint{30, 30}, LwSize{240, 340}, "images", 0),
          draw_(std::move(draw)) {}

  protected:
    void OnPaint() override {
        LwPaintContext paint(this);
        paint.SetFillColor(kBackground);
        paint.DrawRect(LwRect{0, 0, 240, 340});
        draw_(paint);
    }

  private:
    std::function<void(LwPaintContext&)> draw_;
};

LwColor FromArgb(uint32_t p) {
    return LwColor{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255};
}

class ImageDrawing : public testsupport::GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        banner_.LoadFromResource(kLwBannerImageId);
        strip_.LoadFromResource(kLwCheckStripImageId);
        skin_.LoadFromResource(kLwComboSkinImageId);
        ASSERT_FALSE(banner_.IsEmpty());
        ASSERT_FALSE(strip_.IsEmpty());
        ASSERT_FALSE(skin_.IsEmpty());
    }

    // Draws, then returns the window's whole client area as the server shows it.
    std::vector<LwColor> Draw(std::function<void(LwPaintContext&)> draw) {
        ImageWindow window(std::move(draw));
        Track(window.GetNativeWindow());
        window.Show(true);
        EXPECT_TRUE(testsupport::WaitUntilViewable(window.GetNativeWindow()));
        EXPECT_TRUE(testsupport::PumpUntil([&] {
            return testsupport::ReadPixel(window.GetNativeWindow(), 239, 339) == kBackground;
        }));
        testsupport::Settle();
        std::vector<LwColor> pixels =
            testsupport::ReadPixels(window.GetNativeWindow(), LwRect{0, 0, 240, 340});
        window.Close();
        return pixels;
    }
    static LwColor At(const std::vector<LwColor>& pixels, int x, int y) {
        return pixels[y * 240 + x];
    }
    LwColor Source(const LwImage& image, int x, int y) {
        return FromArgb(image.GetBitmap()->ArgbPixels()[y * image.GetSize().width + x]);
    }

    LwImage banner_, strip_, skin_;
};

TEST_F(ImageDrawing, ZeroOrNegativeSizeDrawsAtNaturalSize) {
    for (LwSize size : {LwSize{0, 0}, LwSize{50, 0}, LwSize{0, 50}, LwSize{-5, 80}}) {
        SCOPED_TRACE(size.width * 1000 + size.height);
        const auto pixels = Draw([&](LwPaintContext& p) { p.DrawImage(banner_, {10, 5}, size); });
        EXPECT_EQ(At(pixels, 10, 5), Source(banner_, 0, 0));
        EXPECT_EQ(At(pixels, 10 + 159, 5 + 309), Source(banner_, 159, 309));
        EXPECT_EQ(At(pixels, 10 + 80, 5 + 150), Source(banner_, 80, 150));
        EXPECT_EQ(At(pixels, 10 + 160, 100), kBackground);
        EXPECT_EQ(At(pixels, 100, 5 + 310), kBackground);
    }
}

TEST_F(ImageDrawing, GivenSizeScalesTheWholeImage) {
    const auto pixels = Draw([&](LwPaintContext& p) { p.DrawImage(banner_, {0, 0}, {80, 155}); });
    EXPECT_NE(At(pixels, 79, 154), kBackground);
    EXPECT_EQ(At(pixels, 80, 100), kBackground);
    EXPECT_EQ(At(pixels, 40, 155), kBackground);
}

TEST_F(ImageDrawing, EqualSizedPartsCopyPixelForPixel) {
    const auto pixels = Draw([&](LwPaintContext& p) {
        p.DrawImagePart(strip_, LwRect{0, 0, 14, 14}, LwRect{14, 0, 14, 14});  // checked
        p.DrawImagePart(strip_, LwRect{20, 0, 14, 14}, LwRect{0, 0, 14, 14});  // unchecked
    });
    for (int y = 0; y < 14; ++y) {
        for (int x = 0; x < 14; ++x) {
            ASSERT_EQ(At(pixels, x, y), Source(strip_, 14 + x, y)) << x << "," << y;
            ASSERT_EQ(At(pixels, 20 + x, y), Source(strip_, x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(At(pixels, 14, 5), kBackground);  // nothing beyond the destination
    EXPECT_EQ(At(pixels, 6, 6), (LwColor{165, 253, 253, 255}));
}

TEST_F(ImageDrawing, NarrowComboDrawsTheSkinTwiceWithTheButtonAtTheRightEdge) {
    // A 60-pixel combo box: the whole skin, then its right end drawn again from x = 10.
    const auto pixels = Draw([&](LwPaintContext& p) {
        p.SetClip(LwRect{0, 0, 60, 17});
        p.DrawImage(skin_, {0, 0}, {0, 0});
        p.DrawImagePart(skin_, LwRect{10, 0, 50, 17}, LwRect{62, 0, 50, 17});
    });
    for (int x = 10; x < 60; ++x) {
        for (int y = 1; y < 16; ++y) {  // the frame corners are blended with the background
            ASSERT_EQ(At(pixels, x, y), Source(skin_, 62 + x - 10, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(At(pixels, 5, 8), Source(skin_, 5, 8));  // the left cap stays
    EXPECT_EQ(At(pixels, 60, 8), kBackground);
}

TEST_F(ImageDrawing, AlphaBlendsOverWhatIsBelow) {
    const auto pixels = Draw([&](LwPaintContext& p) { p.DrawImage(skin_, {0, 0}, {0, 0}); });
    const uint32_t corner = skin_.GetBitmap()->ArgbPixels()[0];
    const int alpha = corner >> 24;
    ASSERT_GT(alpha, 0);
    ASSERT_LT(alpha, 255);
    const int expectedGreen = (((corner >> 8) & 255) * alpha + kBackground.g * (255 - alpha)) / 255;
    EXPECT_NEAR(At(pixels, 0, 0).g, expectedGreen, 2);
}

TEST_F(ImageDrawing, EmptyImageDrawsNothing) {
    LwImage empty;
    const auto pixels = Draw([&](LwPaintContext& p) {
        p.DrawImage(empty, {0, 0}, {100, 100});
        p.DrawImagePart(empty, LwRect{0, 0, 50, 50}, LwRect{0, 0, 50, 50});
    });
    for (LwColor c : pixels) {
        ASSERT_EQ(c, kBackground);
    }
}

TEST_F(ImageDrawing, SourceReachingPastTheImageDrawsOnlyWhatExists) {
    const auto pixels = Draw([&](LwPaintContext& p) {
        p.DrawImagePart(strip_, {0, 0, 20, 20}, {20, 0, 20, 20});
    });
    EXPECT_EQ(At(pixels, 0, 0), Source(strip_, 20, 0));
    EXPECT_EQ(At(pixels, 7, 13), Source(strip_, 27, 13));
    EXPECT_EQ(At(pixels, 8, 5), kBackground);
    EXPECT_EQ(At(pixels, 3, 14), kBackground);
}

}  // namespace
