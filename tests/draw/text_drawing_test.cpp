// Drawn text read back from the X server: alignment inside a box, the zero box, wrapping, and
// text colours that draw nothing.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "draw/LwPaintContext.h"
#include "support/XTestHarness.h"
#include "toolkit/LwWindow.h"

namespace {

constexpr LwColor kBackground = LwGrey(20);
constexpr LwColor kInk = LwGrey(230);

// A window whose paint fills the background and then runs the test's drawing.
class CanvasWindow : public LwWindow {
  public:
    explicit CanvasWindow(std::function<void(LwPaintContext&)> draw)
        : LwWindow(nullptr, LwPoint{40, 40}, LwSize{320, 200}, "text", 0), draw_(std::move(draw)) {}

  protected:
    void OnPaint() override {
        LwPaintContext paint(this);
        paint.SetFillColor(kBackground);
        paint.DrawRect(LwRect{0, 0, 320, 200});
        draw_(paint);
    }

  private:
    std::function<void(LwPaintContext&)> draw_;
};

// Bounding box of every pixel that is not background.
struct Ink {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;  // right, bottom inclusive
    bool Empty() const { return right < 0; }
    int CentreX2() const { return left + right; }  // twice the centre, to stay in integers
    int CentreY2() const { return top + bottom; }
};

class TextDrawing : public testsupport::GuiTest {
  protected:
    std::vector<LwColor> DrawAndRead(std::function<void(LwPaintContext&)> draw) {
        CanvasWindow window(std::move(draw));
        Track(window.GetNativeWindow());
        window.Show(true);
        EXPECT_TRUE(testsupport::WaitUntilViewable(window.GetNativeWindow()));
        // The background corner shows once the paint has reached the server.
        EXPECT_TRUE(testsupport::PumpUntil([&] {
            return testsupport::ReadPixel(window.GetNativeWindow(), 319, 199) == kBackground;
        }));
        testsupport::Settle();
        std::vector<LwColor> pixels =
            testsupport::ReadPixels(window.GetNativeWindow(), LwRect{0, 0, 320, 200});
        window.Close();
        return pixels;
    }

    Ink DrawAndFindInk(std::function<void(LwPaintContext&)> draw) {
        const std::vector<LwColor> pixels = DrawAndRead(std::move(draw));
        Ink ink;
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 320; ++x) {
                if (pixels[y * 320 + x] != kBackground) {
                    ink.left = std::min(ink.left, x);
                    ink.right = std::max(ink.right, x);
                    ink.top = std::min(ink.top, y);
                    ink.bottom = std::max(ink.bottom, y);
                }
            }
        }
        return ink;
    }

    Ink DrawText(const char* text, LwRect box, int align, LwColor color = kInk, int style = 0) {
        return DrawAndFindInk([=](LwPaintContext& paint) {
            paint.SetFont(14.0f, "Verdana", style);
            paint.SetTextColor(color);
            paint.DrawText(text, box, align);
        });
    }

    LwSize Measure(const char* text, LwSize layout = {}) {
        LwPaintContext measure(nullptr);
        measure.SetFont(14.0f, "Verdana", 0);
        return measure.MeasureText(text, layout);
    }
};

const LwRect kBox{20, 30, 200, 100};

TEST_F(TextDrawing, TopLeftByDefaultAndInsideTheMeasuredBox) {
    const LwSize size = Measure("Hxxxxx");
    const Ink ink = DrawText("Hxxxxx", kBox, 0);
    ASSERT_FALSE(ink.Empty());
    EXPECT_NEAR(ink.left, kBox.x + 1, 1);  // H's stem sits at the start of its advance
    EXPECT_GE(ink.top, kBox.y);
    EXPECT_LE(ink.right, kBox.x + size.width);
    EXPECT_LE(ink.bottom, kBox.y + size.height);
}

TEST_F(TextDrawing, CentreAndRightAlignHorizontally) {
    const Ink left = DrawText("HHHH", kBox, 0);
    const Ink centre = DrawText("HHHH", kBox, AlignCenter);
    const Ink right = DrawText("HHHH", kBox, AlignRight);
    const int inkWidth = left.right - left.left;
    EXPECT_EQ(centre.right - centre.left, inkWidth);
    EXPECT_NEAR(centre.CentreX2(), 2 * kBox.x + kBox.width, 3);
    EXPECT_NEAR(right.right, kBox.Right() - 1, 2);
    EXPECT_EQ(centre.top, left.top);  // vertical position unchanged
    EXPECT_EQ(right.top, left.top);
}

TEST_F(TextDrawing, RightWinsOverCentre) {
    const Ink right = DrawText("HHHH", kBox, AlignRight);
    const Ink both = DrawText("HHHH", kBox, AlignCenter | AlignRight);
    EXPECT_EQ(both.left, right.left);
    EXPECT_EQ(both.right, right.right);
}

TEST_F(TextDrawing, MiddleCentresVertically) {
    const LwSize size = Measure("HHHH");
    const Ink top = DrawText("HHHH", kBox, 0);
    const Ink middle = DrawText("HHHH", kBox, AlignMiddle);
    EXPECT_NEAR(middle.top - top.top, (kBox.height - size.height) / 2, 1);
    const Ink both = DrawText("HHHH", kBox, AlignCenter | AlignMiddle);
    EXPECT_NEAR(both.CentreX2(), 2 * kBox.x + kBox.width, 3);
    EXPECT_EQ(both.top, middle.top);
}

TEST_F(TextDrawing, ZeroBoxDrawsUnwrappedAndUnclippedFromItsCorner) {
    const char* text = "words that would wrap in a small box";
    const LwSize size = Measure(text);
    ASSERT_GT(size.width, 200);
    ASSERT_LT(size.width, 280);
    const Ink ink = DrawText(text, LwRect{30, 50, 0, 0}, 0);
    EXPECT_NEAR(ink.left, 30, 2);
    EXPECT_GT(ink.right, 30 + size.width - 8);  // one line, all of it
    EXPECT_LT(ink.bottom - ink.top, size.height);
    EXPECT_GE(ink.top, 50);
}

TEST_F(TextDrawing, WrapsInsideTheBoxWidth) {
    const char* text = "wrap these words inside a narrow box please";
    const LwRect box{40, 20, 90, 170};
    const LwSize size = Measure(text, LwSize{box.width, box.height});
    const Ink ink = DrawText(text, box, 0);
    EXPECT_LE(ink.right, box.Right());
    EXPECT_GT(ink.bottom - ink.top, Measure("Ag").height * 2);
    EXPECT_LE(ink.bottom, box.y + size.height);
}

TEST_F(TextDrawing, AWordWrappedInsideGetsNoHyphen) {
    // A name of upright strokes only, too long for its box: it breaks inside, and every inked
    // column of the first line is a stroke from its top. A hyphen would ink the middle alone.
    const std::string name(40, 'I');
    const std::vector<LwColor> pixels = DrawAndRead([&](LwPaintContext& paint) {
        paint.SetFont(14.0f, "Verdana", 0);
        paint.SetTextColor(kInk);
        paint.DrawText(name.c_str(), LwRect{10, 10, 100, 150}, 0);
    });
    const auto inked = [&](int x, int y) { return pixels[y * 320 + x].r > 120; };
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < 200 && (top < 0 || bottom < 0); ++y) {
        bool any = false;
        for (int x = 0; x < 320; ++x) {
            any = any || inked(x, y);
        }
        if (any && top < 0) {
            top = y;
        } else if (!any && top >= 0) {
            bottom = y - 1;
        }
    }
    ASSERT_GT(bottom, top + 6) << "no first line drawn";
    const int middle = (top + bottom) / 2;
    int strokes = 0;
    for (int x = 0; x < 320; ++x) {
        strokes += inked(x, top + 1) && (x == 0 || !inked(x - 1, top + 1));
        EXPECT_FALSE(inked(x, middle) && !inked(x, top + 1)) << "ink at mid height only, x " << x;
    }
    EXPECT_GT(strokes, 5);
    EXPECT_LT(strokes, 40) << "the name was not wrapped";
}

TEST_F(TextDrawing, TransparentOrMissingColourAndEmptyTextDrawNothing) {
    EXPECT_TRUE(DrawText("HHHH", kBox, 0, LwColor{0, 0, 0, 0}).Empty());
    EXPECT_TRUE(DrawText("", kBox, 0).Empty());
    EXPECT_TRUE(DrawAndFindInk([](LwPaintContext& paint) {
                    paint.SetFont(14.0f, "Verdana", 0);  // no text colour set
                    paint.DrawText("HHHH", kBox, 0);
                }).Empty());
    EXPECT_TRUE(DrawAndFindInk([](LwPaintContext& paint) {
                    paint.SetTextColor(kInk);  // no font set
                    paint.DrawText("HHHH", kBox, 0);
                }).Empty());
}

TEST_F(TextDrawing, InvalidUtf8DrawsReplacementsWithoutCrashing) {
    EXPECT_FALSE(DrawText("\xff\xfe\xfd", kBox, AlignCenter | AlignMiddle).Empty());
}

TEST_F(TextDrawing, BoldIsWiderThanRegular) {
    const Ink regular = DrawText("HHHHHH", kBox, 0, kInk, 0);
    const Ink bold = DrawText("HHHHHH", kBox, 0, kInk, 1 | 8);
    EXPECT_GT(bold.right - bold.left, regular.right - regular.left);
}

TEST_F(TextDrawing, IdeographsOfAFolderNameDrawAsGlyphsNotAsMissingGlyphBoxes) {
    // "一" is one horizontal stroke: drawn, a thin bar; where no font has it, a box of hex
    // digits as tall as the line.
    const Ink one = DrawAndFindInk([](LwPaintContext& paint) {
        paint.SetFont(40.0f, "Verdana", 0);
        paint.SetTextColor(kInk);
        paint.DrawText("\u4E00", LwRect{20, 20, 0, 0}, 0);
    });
    ASSERT_FALSE(one.Empty());
    EXPECT_GT(one.right - one.left, 25);
    EXPECT_LT(one.bottom - one.top, 10);
    const Ink name = DrawText("\u65E5\u672C", LwRect{20, 20, 0, 0}, 0);  // "日本"
    EXPECT_FALSE(name.Empty());
}

}  // namespace
