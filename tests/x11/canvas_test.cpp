// Canvas pixels read back from the server: fills, outlines, lines, gradients, clipping, alpha.
#include <gtest/gtest.h>

#include "recorder.h"

namespace platformtest {
namespace {

using testsupport::ReadPixel;
using testsupport::ReadPixels;

constexpr Rgba kBlack{0, 0, 0, 255};
constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

// Paints a white window, then whatever the test draws on top, and shows the result.
class CanvasPixels : public PlatformTest {
  protected:
    void Draw(std::function<void(Canvas&)> scene) {
        log.handler = [scene](NativeWindow w, MessageId m, WParam,
                              LParam) -> std::optional<MessageResult> {
            if (m != kWmPaint) {
                return std::nullopt;
            }
            {
                Canvas canvas(w);
                canvas.FillRect({0, 0, 200, 120}, kWhite);
                scene(canvas);
            }
            ValidateWindow(w);
            return 0;
        };
        window = MakeTopLevel(log, {100, 100}, {200, 120});
        ShowWindow(window, true);
        ASSERT_TRUE(testsupport::WaitUntilViewable(window));
        testsupport::PumpFor(std::chrono::milliseconds(80));
        InvalidateWindow(window, false);
        UpdateWindow(window);
    }
    bool Is(int x, int y, Rgba color, int tolerance = 0) {
        return SameColor(ReadPixel(window, x, y), color, tolerance);
    }

    Recorder log;
    NativeWindow window = nullptr;
};

TEST_F(CanvasPixels, FillCoversExactlyTheRectangle) {
    Draw([](Canvas& c) { c.FillRect({10, 20, 5, 4}, kRed); });
    EXPECT_TRUE(Is(10, 20, kRed));
    EXPECT_TRUE(Is(14, 23, kRed));
    EXPECT_TRUE(Is(15, 23, kWhite));
    EXPECT_TRUE(Is(14, 24, kWhite));
    EXPECT_TRUE(Is(9, 20, kWhite));
    EXPECT_TRUE(Is(10, 19, kWhite));
    int red = 0;
    for (Rgba p : ReadPixels(window, {0, 0, 40, 40})) {
        red += SameColor(p, kRed);
    }
    EXPECT_EQ(red, 20);
}

TEST_F(CanvasPixels, EmptyColourDrawsNothing) {
    Draw([](Canvas& c) {
        c.FillRect({0, 0, 50, 50}, Rgba{});
        c.StrokeRect({0, 0, 50, 50}, Rgba{}, 1);
        c.DrawLine(0, 0, 50, 50, Rgba{}, 1);
    });
    EXPECT_TRUE(Is(0, 0, kWhite));
    EXPECT_TRUE(Is(25, 25, kWhite));
}

TEST_F(CanvasPixels, OutlineDrawsBothCornerPixels) {
    Draw([](Canvas& c) { c.StrokeRect({20, 30, 10, 5}, kRed, 1); });
    for (Point p : {Point{20, 30}, Point{30, 30}, Point{20, 35}, Point{30, 35}, Point{25, 30},
                    Point{25, 35}, Point{20, 33}, Point{30, 33}}) {
        EXPECT_TRUE(Is(p.x, p.y, kRed)) << p.x << "," << p.y;
    }
    for (Point p : {Point{21, 31}, Point{29, 34}, Point{31, 30}, Point{20, 36}, Point{19, 30},
                    Point{20, 29}}) {
        EXPECT_TRUE(Is(p.x, p.y, kWhite)) << p.x << "," << p.y;
    }
}

TEST_F(CanvasPixels, TranslucentOutlineBlendsEachPixelOnce) {
    Draw([](Canvas& c) { c.StrokeRect({20, 30, 10, 5}, Rgba{0, 0, 0, 128}, 1); });
    const Rgba corner = ReadPixel(window, 20, 30);
    const Rgba edge = ReadPixel(window, 25, 30);
    EXPECT_TRUE(SameColor(corner, edge));
    EXPECT_TRUE(SameColor(corner, {127, 127, 127, 255}, 1));
}

TEST_F(CanvasPixels, LinesDrawBothEndPoints) {
    Draw([](Canvas& c) {
        c.DrawLine(5, 40, 15, 40, kRed, 1);
        c.DrawLine(50, 10, 50, 20, kRed, 1);
        c.DrawLine(70, 50, 80, 60, kRed, 1);
        c.DrawLine(120, 60, 100, 50, kRed, 1);
    });
    EXPECT_TRUE(Is(5, 40, kRed));
    EXPECT_TRUE(Is(15, 40, kRed));
    EXPECT_TRUE(Is(16, 40, kWhite));
    EXPECT_TRUE(Is(4, 40, kWhite));
    EXPECT_TRUE(Is(10, 41, kWhite));
    EXPECT_TRUE(Is(50, 10, kRed));
    EXPECT_TRUE(Is(50, 20, kRed));
    EXPECT_TRUE(Is(50, 21, kWhite));
    // The diagonal is one pixel per step, end points included.
    int diagonal = 0;
    for (int i = 0; i <= 10; ++i) {
        diagonal += Is(70 + i, 50 + i, kRed);
    }
    EXPECT_EQ(diagonal, 11);
    EXPECT_TRUE(Is(71, 50, kWhite));
    int shallow = 0;
    for (Rgba p : ReadPixels(window, {95, 45, 30, 20})) {
        shallow += SameColor(p, kRed);
    }
    EXPECT_EQ(shallow, 21);
    EXPECT_TRUE(Is(120, 60, kRed));
    EXPECT_TRUE(Is(100, 50, kRed));
}

TEST_F(CanvasPixels, ThickLinesAreBandsCentredOnTheLine) {
    Draw([](Canvas& c) {
        c.StrokeRect({40, 40, 20, 20}, kRed, 3);
        c.DrawLine(100, 30, 140, 50, Rgba{0, 0, 0, 128}, 3);
    });
    EXPECT_TRUE(Is(39, 39, kRed));
    EXPECT_TRUE(Is(41, 41, kRed));
    EXPECT_TRUE(Is(61, 61, kRed));
    EXPECT_TRUE(Is(42, 42, kWhite));
    EXPECT_TRUE(Is(38, 38, kWhite));
    EXPECT_TRUE(Is(62, 50, kWhite));
    // A translucent thick line blends every covered pixel exactly once.
    int covered = 0;
    for (Rgba p : ReadPixels(window, {95, 25, 50, 30})) {
        if (!SameColor(p, kWhite)) {
            EXPECT_TRUE(SameColor(p, {127, 127, 127, 255}, 1));
            ++covered;
        }
    }
    EXPECT_EQ(covered, 41 * 3);
}

TEST_F(CanvasPixels, GradientRunsFromTopToBottomColour) {
    Draw([](Canvas& c) { c.FillVerticalGradient({10, 10, 20, 100}, kBlack, {200, 100, 0, 255}); });
    const std::vector<Rgba> column = ReadPixels(window, {15, 10, 1, 100});
    ASSERT_EQ(column.size(), 100u);
    // The edge rows keep their own end's colour (no wrap to the other end).
    EXPECT_TRUE(SameColor(column.front(), kBlack, 2));
    EXPECT_TRUE(SameColor(column.back(), {200, 100, 0, 255}, 2));
    EXPECT_TRUE(SameColor(column[50], {101, 50, 0, 255}, 2));
    for (size_t i = 1; i < column.size(); ++i) {
        EXPECT_GE(column[i].r, column[i - 1].r) << i;
    }
    // Every pixel of a row is the same, and nothing lies outside the rectangle.
    const std::vector<Rgba> row = ReadPixels(window, {10, 60, 20, 1});
    for (Rgba p : row) {
        EXPECT_EQ(p, row.front());
    }
    EXPECT_TRUE(Is(9, 60, kWhite));
    EXPECT_TRUE(Is(30, 60, kWhite));
    EXPECT_TRUE(Is(15, 9, kWhite));
    EXPECT_TRUE(Is(15, 110, kWhite));
}

TEST_F(CanvasPixels, ClipLimitsLaterDrawing) {
    Draw([](Canvas& c) {
        c.SetClip({10, 10, 20, 20});
        c.FillRect({0, 0, 200, 120}, kRed);
        c.SetClip({100, 50, 5, 5});  // replaces, does not intersect
        c.FillRect({0, 0, 200, 120}, kBlack);
    });
    EXPECT_TRUE(Is(10, 10, kRed));
    EXPECT_TRUE(Is(29, 29, kRed));
    EXPECT_TRUE(Is(30, 30, kWhite));
    EXPECT_TRUE(Is(9, 10, kWhite));
    EXPECT_TRUE(Is(100, 50, kBlack));
    EXPECT_TRUE(Is(105, 50, kWhite));
}

TEST_F(CanvasPixels, AlphaColoursBlendSourceOver) {
    Draw([](Canvas& c) {
        c.FillRect({0, 0, 50, 50}, {0, 0, 255, 255});
        c.FillRect({0, 0, 50, 50}, {255, 0, 0, 64});
        c.FillRect({60, 0, 20, 20}, {0, 0, 0, 0x80});
    });
    // 64/255 of red over blue.
    EXPECT_TRUE(Is(10, 10, {64, 0, 191, 255}, 1));
    EXPECT_TRUE(Is(65, 5, {127, 127, 127, 255}, 1));
}

TEST_F(CanvasPixels, CanvasIsTheClientSize) {
    Size seen;
    Draw([&seen](Canvas& c) { seen = c.GetSize(); });
    EXPECT_EQ(seen, (Size{200, 120}));
}

TEST_F(CanvasPixels, AReusedPictureNeverShowsAnEarlierPaint) {
    log.paintColor = kRed;
    ShowAndSettle(window = MakeTopLevel(log, {100, 100}, {200, 120}), log);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return Is(150, 100, kRed); }));

    // Painters that cover only a corner: the rest of the picture is black, as a new bitmap is.
    auto corner = [](NativeWindow w, MessageId m, WParam, LParam) -> std::optional<MessageResult> {
        if (m != kWmPaint) {
            return std::nullopt;
        }
        {
            Canvas canvas(w);
            canvas.FillRect({0, 0, 10, 10}, kWhite);
        }
        ValidateWindow(w);
        return 0;
    };
    Recorder other;
    other.handler = corner;
    NativeWindow second = MakeTopLevel(other, {330, 100}, {150, 100});
    ShowWindow(second, true);
    ASSERT_TRUE(testsupport::WaitUntilViewable(second));
    ASSERT_TRUE(testsupport::PumpUntil(
        [&] { return SameColor(ReadPixel(second, 5, 5), kWhite) && other.Count(kWmPaint) > 0; }));
    EXPECT_TRUE(SameColor(ReadPixel(second, 100, 80), kBlack));

    // The same window at another size.
    log.handler = corner;
    MoveWindow(window, {100, 100}, {180, 110}, true);
    UpdateWindow(window);
    testsupport::Settle();
    EXPECT_TRUE(Is(5, 5, kWhite));
    EXPECT_TRUE(Is(150, 100, kBlack));
}

class CanvasWithoutWindow : public PlatformTest {};

TEST_F(CanvasWithoutWindow, MeasuringCanvasAndGoneWindowsDrawNowhere) {
    {
        Canvas measuring(nullptr);
        EXPECT_EQ(measuring.GetSize(), (Size{}));
        measuring.FillRect({0, 0, 10, 10}, kRed);
        measuring.DrawLine(0, 0, 10, 10, kRed, 1);
    }
    Recorder log;
    NativeWindow w = MakeTopLevel(log);
    DestroyWindow(w);
    Canvas gone(w);
    EXPECT_EQ(gone.GetSize(), (Size{}));
    gone.FillVerticalGradient({0, 0, 10, 10}, kRed, kBlack);
}

}  // namespace
}  // namespace platformtest
