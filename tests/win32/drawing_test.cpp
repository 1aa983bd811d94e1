// Drawing on GDI+ read back through GDI: shapes, gradients and clipping to the pixel, text that
// really reaches the picture whatever fonts the system lacks, and PNG decoding with exact alpha.
// Pictures are drawn off-screen: the tests run without a display (drawing_gui_test.cpp has the
// copy to a window).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Font.h"
#include "platform/Resources.h"
#include "platform/win32/canvas_impl.h"
#include "platform/win32/font_impl.h"

namespace {

using platform::Bitmap;
using platform::Canvas;
using platform::Font;
using platform::Point;
using platform::Rect;
using platform::Rgba;
using platform::Size;

constexpr Rgba kBlack{0, 0, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kRed{255, 0, 0, 255};

// A canvas drawing into a picture of its own, as a paint of a window at `area` would.
class Picture {
  public:
    explicit Picture(const Rect& area) : m_canvas(nullptr) {
        started = platform::backend::StartPicture(m_canvas.impl(), area);
    }
    Canvas& canvas() { return m_canvas; }
    // Picture coordinates; opaque, as the window gets it.
    Rgba At(int x, int y) {
        platform::Canvas::Impl& impl = m_canvas.impl();
        Gdiplus::DllExports::GdipFlush(impl.graphics, Gdiplus::FlushIntentionSync);
        const COLORREF c = GetPixel(impl.memoryDc, x, y);
        return {GetRValue(c), GetGValue(c), GetBValue(c), 255};
    }
    int Count(const Rect& r, bool (*test)(Rgba)) {
        int n = 0;
        for (int y = r.y; y < r.Bottom(); ++y) {
            for (int x = r.x; x < r.Right(); ++x) {
                n += test(At(x, y));
            }
        }
        return n;
    }
    Gdiplus::Status lastFailure() { return m_canvas.impl().lastFailure; }

    bool started = false;

  private:
    Canvas m_canvas;
};

bool Near(Rgba a, Rgba b, int tolerance = 0) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

bool IsRed(Rgba p) {
    return p == kRed;
}
bool IsInk(Rgba p) {
    return p.r + p.g + p.b < 3 * 160;
}

TEST(CanvasWin32, NewPictureIsBlackAndFillsCoverExactlyTheirPixels) {
    Picture picture({0, 0, 40, 30});
    ASSERT_TRUE(picture.started);
    EXPECT_EQ(picture.canvas().GetSize(), (Size{40, 30}));
    EXPECT_EQ(picture.Count({0, 0, 40, 30}, [](Rgba p) { return p == kBlack; }), 40 * 30);

    picture.canvas().FillRect({10, 20, 5, 4}, kRed);
    picture.canvas().FillRect({0, 0, 40, 30}, Rgba{});  // the empty colour draws nothing
    EXPECT_EQ(picture.Count({0, 0, 40, 30}, IsRed), 20);
    EXPECT_EQ(picture.At(10, 20), kRed);
    EXPECT_EQ(picture.At(14, 23), kRed);

    // Source over: 64/255 of red over blue, half black over white.
    picture.canvas().FillRect({0, 0, 8, 8}, {0, 0, 255, 255});
    picture.canvas().FillRect({0, 0, 8, 8}, {255, 0, 0, 64});
    picture.canvas().FillRect({30, 0, 8, 8}, kWhite);
    picture.canvas().FillRect({30, 0, 8, 8}, {0, 0, 0, 128});
    EXPECT_TRUE(Near(picture.At(3, 3), {64, 0, 191, 255}, 1));
    EXPECT_TRUE(Near(picture.At(33, 3), {127, 127, 127, 255}, 1));
    EXPECT_EQ(picture.lastFailure(), Gdiplus::Ok);
}

TEST(CanvasWin32, OutlinesAndLinesDrawBothEndsInWholePixels) {
    Picture picture({0, 0, 160, 80});
    ASSERT_TRUE(picture.started);
    Canvas& c = picture.canvas();
    c.StrokeRect({20, 30, 10, 5}, kRed, 1);
    c.DrawLine(5, 60, 15, 60, kRed, 1);
    c.DrawLine(50, 10, 50, 20, kRed, 1);
    c.DrawLine(70, 50, 80, 60, kRed, 1);
    c.StrokeRect({100, 10, 10, 5}, {255, 255, 255, 128}, 1);

    for (Point p : {Point{20, 30}, Point{30, 30}, Point{20, 35}, Point{30, 35}, Point{25, 30},
                    Point{25, 35}, Point{20, 33}, Point{30, 33}}) {
        EXPECT_EQ(picture.At(p.x, p.y), kRed) << p.x << "," << p.y;
    }
    EXPECT_EQ(picture.Count({19, 29, 13, 8}, IsRed), 2 * 11 + 2 * 4);
    EXPECT_EQ(picture.Count({0, 55, 20, 10}, IsRed), 11);
    EXPECT_EQ(picture.At(5, 60), kRed);
    EXPECT_EQ(picture.At(15, 60), kRed);
    EXPECT_EQ(picture.Count({45, 5, 10, 20}, IsRed), 11);
    int diagonal = 0;
    for (int i = 0; i <= 10; ++i) {
        diagonal += IsRed(picture.At(70 + i, 50 + i));
    }
    EXPECT_EQ(diagonal, 11);
    EXPECT_EQ(picture.Count({65, 45, 20, 20}, IsRed), 11);
    // A translucent outline blends each pixel once, corners too.
    EXPECT_TRUE(Near(picture.At(100, 10), {128, 128, 128, 255}, 1));
    EXPECT_EQ(picture.At(100, 10), picture.At(105, 10));
    EXPECT_EQ(picture.At(110, 15), picture.At(110, 12));
    EXPECT_EQ(picture.lastFailure(), Gdiplus::Ok);
}

TEST(CanvasWin32, GradientRunsFromTopToBottomColourInsideItsRectangle) {
    Picture picture({0, 0, 40, 120});
    ASSERT_TRUE(picture.started);
    picture.canvas().FillRect({0, 0, 40, 120}, kWhite);
    picture.canvas().FillVerticalGradient({10, 10, 20, 100}, kBlack, {200, 100, 0, 255});
    // The edge rows keep their own end's colour: flipped tiles never wrap to the other end.
    EXPECT_TRUE(Near(picture.At(15, 10), kBlack, 3));
    EXPECT_TRUE(Near(picture.At(15, 109), {200, 100, 0, 255}, 3));
    EXPECT_TRUE(Near(picture.At(15, 60), {101, 50, 0, 255}, 3));
    for (int y = 11; y < 110; ++y) {
        EXPECT_GE(picture.At(15, y).r, picture.At(15, y - 1).r) << y;
        EXPECT_EQ(picture.At(10, y), picture.At(29, y)) << y;
    }
    EXPECT_EQ(picture.At(9, 60), kWhite);
    EXPECT_EQ(picture.At(30, 60), kWhite);
    EXPECT_EQ(picture.At(15, 9), kWhite);
    EXPECT_EQ(picture.At(15, 110), kWhite);
    EXPECT_EQ(picture.lastFailure(), Gdiplus::Ok);
}

TEST(CanvasWin32, ClipReplacesAndPartialPictureKeepsClientCoordinates) {
    // The picture of the area (100, 50, 30, 20) of a larger client area.
    Picture picture({100, 50, 30, 20});
    ASSERT_TRUE(picture.started);
    Canvas& c = picture.canvas();
    EXPECT_EQ(c.GetSize(), (Size{30, 20}));
    c.FillRect({100, 50, 2, 2}, kWhite);
    c.SetClip({110, 55, 5, 5});
    c.FillRect({0, 0, 500, 500}, kRed);
    c.SetClip({120, 60, 3, 3});  // replaces, does not intersect
    c.FillRect({0, 0, 500, 500}, {0, 0, 255, 255});
    EXPECT_EQ(picture.At(0, 0), kWhite);
    EXPECT_EQ(picture.At(1, 1), kWhite);
    EXPECT_EQ(picture.At(2, 2), kBlack);
    EXPECT_EQ(picture.Count({0, 0, 30, 20}, IsRed), 25);
    EXPECT_EQ(picture.At(10, 5), kRed);
    EXPECT_EQ(picture.At(20, 10), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(picture.At(23, 13), kBlack);
}

TEST(CanvasWin32, MeasuringCanvasHasNoPictureButMeasures) {
    Canvas measuring(nullptr);
    EXPECT_EQ(measuring.GetSize(), (Size{}));
    measuring.FillRect({0, 0, 10, 10}, kRed);  // harmless
    const Font font("Verdana", 11, 0);
    const Size size = measuring.MeasureText(font, "Hello", {0, 0});
    EXPECT_GT(size.width, 10);
    EXPECT_GT(size.height, 8);
}

// Text -----------------------------------------------------------------------------------------

// Black text on white, so that ink is what the text put there.
class TextPicture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(picture.started);
        picture.canvas().FillRect({0, 0, 200, 100}, kWhite);
    }
    int Ink(const Rect& r) { return picture.Count(r, IsInk); }

    Picture picture{{0, 0, 200, 100}};
};

TEST_F(TextPicture, TextInksItsMeasuredBoxOnly) {
    const Font font("Verdana", 11, 0);
    ASSERT_TRUE(font.IsValid());
    const Size size = picture.canvas().MeasureText(font, "Hello world", {0, 0});
    picture.canvas().DrawText(font, "Hello world", {20, 30, 0, 0}, 0, kBlack);
    EXPECT_GT(Ink({20, 30, size.width, size.height}), 20);
    // Nothing beyond the measured box (a pixel or two of slack for anti-aliased edges).
    EXPECT_EQ(Ink({0, 0, 200, 28}), 0);
    EXPECT_EQ(Ink({0, 0, 18, 100}), 0);
    EXPECT_EQ(Ink({0, 30 + size.height + 1, 200, 100 - 31 - size.height}), 0);
    EXPECT_EQ(Ink({21 + size.width, 0, 200 - 21 - size.width, 100}), 0);
    EXPECT_EQ(picture.lastFailure(), Gdiplus::Ok);
}

TEST_F(TextPicture, MissingOrEmptyFamilyFallsBackToAnInstalledFontThatDraws) {
    for (const char* family : {"No Such Family 1234", "", "Verdana", "Tahoma"}) {
        const Font font(family, 12, platform::kFontBold);
        ASSERT_TRUE(font.IsValid()) << family;
        EXPECT_FALSE(font.ResolvedFamily().empty()) << family;
        EXPECT_EQ(font.impl().family.empty(), false);
        EXPECT_EQ(font.impl().sizePixels, 12.0f);
        picture.canvas().FillRect({0, 0, 200, 100}, kWhite);
        picture.canvas().DrawText(font, "Fallback", {10, 10, 150, 40}, 0, kBlack);
        EXPECT_GT(Ink({10, 10, 150, 40}), 20) << family << " as " << font.ResolvedFamily();
    }
}

TEST_F(TextPicture, StyleBitsBeyondTheThreeAreIgnoredAndBoldIsWider) {
    const Font regular("Verdana", 14, 0);
    const Font bold("Verdana", 14, 9);
    EXPECT_EQ(bold.impl().styleBits, platform::kFontBold);
    EXPECT_EQ(Font("Verdana", 14, 0xFF).impl().styleBits, 7);
    const std::string text = "Installation folder";
    EXPECT_GT(picture.canvas().MeasureText(bold, text, {0, 0}).width,
              picture.canvas().MeasureText(regular, text, {0, 0}).width);
}

TEST_F(TextPicture, MeasuringWrapsAtWordsInsideTheLayoutWidth) {
    const Font font("Tahoma", 11, 0);
    Canvas& c = picture.canvas();
    const std::string text = "one two three four five six seven eight";
    const Size line = c.MeasureText(font, text, {0, 0});
    const Size wrapped = c.MeasureText(font, text, {50, 1000});
    EXPECT_GT(line.width, 100);
    EXPECT_LE(wrapped.width, 50);
    EXPECT_GE(wrapped.height, 3 * line.height);
    // A line feed starts a new line.
    EXPECT_GE(c.MeasureText(font, "one\ntwo", {0, 0}).height, 2 * line.height - 1);
    EXPECT_EQ(c.MeasureText(font, "", {0, 0}), (Size{}));
    // Ill-formed UTF-8 becomes replacement characters, never a crash.
    c.MeasureText(font, "bad \xC3\x28 \xFF text", {0, 0});
    c.DrawText(font, "bad \xC3\x28 \xFF text", {0, 0, 200, 20}, 0, kBlack);
}

TEST_F(TextPicture, AlignmentPlacesTextInItsBox) {
    const Font font("Verdana", 11, 0);
    Canvas& c = picture.canvas();
    c.DrawText(font, "Right", {0, 0, 200, 20}, platform::kTextAlignRight, kBlack);
    EXPECT_EQ(Ink({0, 0, 140, 20}), 0);
    EXPECT_GT(Ink({140, 0, 60, 20}), 10);
    // Right wins over centre.
    c.DrawText(font, "Both", {0, 20, 200, 20},
               platform::kTextAlignCenter | platform::kTextAlignRight, kBlack);
    EXPECT_EQ(Ink({0, 20, 140, 20}), 0);
    // Centred both ways in (0, 40, 200, 60): ink around the middle, none near the edges.
    c.DrawText(font, "Mid", {0, 40, 200, 60},
               platform::kTextAlignCenter | platform::kTextAlignMiddle, kBlack);
    EXPECT_GT(Ink({80, 60, 40, 20}), 10);
    EXPECT_EQ(Ink({0, 40, 70, 60}) + Ink({130, 40, 70, 60}), 0);
    EXPECT_EQ(Ink({0, 40, 200, 12}) + Ink({0, 88, 200, 12}), 0);
}

TEST_F(TextPicture, InvalidFontOrEmptyColourDrawsNothing) {
    const Font none("Verdana", 0, 0);
    EXPECT_FALSE(none.IsValid());
    EXPECT_EQ(none.ResolvedFamily(), "");
    EXPECT_EQ(picture.canvas().MeasureText(none, "text", {0, 0}), (Size{}));
    picture.canvas().DrawText(none, "text", {0, 0, 200, 100}, 0, kBlack);
    picture.canvas().DrawText(Font("Verdana", 11, 0), "text", {0, 0, 200, 100}, 0, Rgba{});
    EXPECT_EQ(Ink({0, 0, 200, 100}), 0);
}

// Images ---------------------------------------------------------------------------------------

uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

std::string BigEndian(uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string Chunk(const std::string& type, const std::string& data) {
    return BigEndian(static_cast<uint32_t>(data.size())) + type + data +
           BigEndian(Crc32(type + data));
}

// An RGBA PNG of straight 0xAARRGGBB pixels, compressed with stored deflate blocks.
std::string EncodePng(int width, int height, const std::vector<uint32_t>& argb) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // no filter
        for (int x = 0; x < width; ++x) {
            const uint32_t p = argb[size_t(y) * width + x];
            raw += {char(p >> 16), char(p >> 8), char(p), char(p >> 24)};
        }
    }
    std::string zlib = "\x78\x01";
    uint32_t a = 1;
    uint32_t b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    const uint16_t length = static_cast<uint16_t>(raw.size());
    zlib += {'\x01', char(length), char(length >> 8), char(~length), char(~length >> 8)};
    zlib += raw + BigEndian((b << 16) | a);
    const std::string header =
        BigEndian(width) + BigEndian(height) + std::string("\x08\x06\0\0\0", 5);
    return "\x89PNG\r\n\x1A\n" + Chunk("IHDR", header) + Chunk("IDAT", zlib) + Chunk("IEND", "");
}

std::unique_ptr<Bitmap> Decode(const std::string& png) {
    return Bitmap::DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size());
}

TEST(BitmapWin32, DecodedPixelsAndAlphaAreExactAndOwned) {
    const std::vector<uint32_t> pixels = {0xFFFF0000, 0xFF00FF00, 0x800000FF, 0x00000000,
                                          0x6E0E0E0F, 0x01FFFFFF, 0xFF123456, 0xC0ABCDEF};
    std::string png = EncodePng(4, 2, pixels);
    std::unique_ptr<Bitmap> bitmap = Decode(png);
    ASSERT_TRUE(bitmap);
    // The bytes may go as soon as the call returns.
    std::fill(png.begin(), png.end(), '\0');
    png.clear();
    png.shrink_to_fit();
    EXPECT_EQ(bitmap->GetSize(), (Size{4, 2}));
    EXPECT_EQ(bitmap->ArgbPixels(), pixels);
}

TEST(BitmapWin32, ResourceSkinDecodesWithItsTranslucentFrame) {
    platform::ResourceBlock block;
    ASSERT_TRUE(platform::FindResource(platform::kResourceTypeRcData, 501, &block));
    std::unique_ptr<Bitmap> skin = Bitmap::DecodePng(block.data, block.size);
    ASSERT_TRUE(skin);
    EXPECT_EQ(skin->GetSize(), (Size{112, 17}));
    const std::vector<uint32_t> pixels = skin->ArgbPixels();
    ASSERT_EQ(pixels.size(), 112u * 17u);
    // The frame is translucent (alpha 110), everything inside it opaque.
    EXPECT_EQ(pixels[0], 0x6E0E0E0Fu);
    EXPECT_EQ(pixels[16 * 112 + 111], 0x6E747577u);
    EXPECT_EQ(pixels[8 * 112 + 5], 0xFFCBC8C8u);
    for (uint32_t p : pixels) {
        ASSERT_TRUE(p >> 24 == 110 || p >> 24 == 255) << std::hex << p;
    }
}

TEST(BitmapWin32, BytesThatAreNoPngGiveNoBitmap) {
    const std::string png = EncodePng(2, 2, {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000});
    EXPECT_FALSE(Decode(""));
    EXPECT_FALSE(Decode("GIF89a not a png at all"));
    EXPECT_FALSE(Decode(png.substr(0, 30)));
    EXPECT_FALSE(Bitmap::DecodePng(nullptr, 10));
    // A bitmap file is an image GDI+ reads, but not a PNG.
    std::string bmp = png;
    bmp.replace(0, 8, "BM\0\0\0\0\0\0");
    EXPECT_FALSE(Decode(bmp));
    // Why, for the report of a picture left out: the call that failed and its status.
    std::string why;
    const std::string truncated = png.substr(0, 30);
    EXPECT_FALSE(Bitmap::DecodePng(reinterpret_cast<const uint8_t*>(truncated.data()),
                                   truncated.size(), &why));
    EXPECT_EQ(why.rfind("GdipCreateBitmapFromStream: status ", 0), 0u) << why;
    EXPECT_FALSE(Bitmap::DecodePng(reinterpret_cast<const uint8_t*>(bmp.data()), bmp.size(), &why));
    EXPECT_EQ(why, "not a PNG");
}

TEST(BitmapWin32, DrawingCopiesOneToOneAndScalesIntoTheDestination) {
    std::vector<uint32_t> pixels(8 * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = 0xFF008000u | static_cast<uint32_t>(i * 7) << 16 | static_cast<uint32_t>(i);
    }
    const std::unique_ptr<Bitmap> bitmap = Decode(EncodePng(8, 4, pixels));
    ASSERT_TRUE(bitmap);
    Picture picture({0, 0, 60, 40});
    ASSERT_TRUE(picture.started);
    Canvas& c = picture.canvas();
    c.DrawBitmap(*bitmap, {10, 10, 8, 4}, {0, 0, 8, 4});
    c.DrawBitmap(*bitmap, {30, 10, 3, 2}, {5, 2, 3, 2});  // a part, as skins are cut
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            const uint32_t p = pixels[size_t(y) * 8 + x];
            EXPECT_EQ(picture.At(10 + x, 10 + y), (Rgba{uint8_t(p >> 16), 0x80, uint8_t(p), 255}))
                << x << "," << y;
        }
    }
    EXPECT_EQ(picture.At(30, 10), picture.At(15, 12));
    EXPECT_EQ(picture.At(32, 11), picture.At(17, 13));
    EXPECT_EQ(picture.At(33, 10), kBlack);
    EXPECT_EQ(picture.At(9, 10), kBlack);
    EXPECT_EQ(picture.At(18, 10), kBlack);
    // Scaled to twice the size: fills the destination, nothing beyond it.
    c.DrawBitmap(*bitmap, {10, 20, 16, 8}, {0, 0, 8, 4});
    EXPECT_EQ(picture.Count({10, 20, 16, 8}, [](Rgba p) { return p == kBlack; }), 0);
    EXPECT_EQ(picture.At(26, 24), kBlack);
    EXPECT_EQ(picture.At(10, 28), kBlack);
    // Shapes after a picture still land on whole pixels.
    c.FillRect({40, 30, 3, 3}, kRed);
    c.DrawLine(40, 36, 45, 36, kRed, 1);
    EXPECT_EQ(picture.Count({35, 25, 20, 15}, IsRed), 9 + 6);
    EXPECT_EQ(picture.lastFailure(), Gdiplus::Ok);
}

}  // namespace
