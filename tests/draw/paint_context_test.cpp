// The paint context's colours and primitives, read back from the server pixel by pixel.
#include <gtest/gtest.h>

#include <functional>

#include "draw/LwPaintContext.h"
#include "support/XTestHarness.h"
#include "toolkit/LwPanel.h"
#include "toolkit/LwWindow.h"

namespace {

using testsupport::PumpUntil;
using testsupport::ReadPixel;
using testsupport::ReadPixels;

constexpr LwColor kBackdrop{20, 40, 60, 255};
constexpr LwColor kRed{200, 0, 0, 255};
constexpr LwColor kGreen{0, 180, 0, 255};
constexpr LwColor kBlue{0, 0, 220, 255};

// Paints its backdrop, then whatever the test asks for.
class CanvasPanel : public LwPanel {
  public:
    CanvasPanel(LwObject* parent) : LwPanel(parent, {10, 10}, {40, 30}) {}

    std::function<void(LwPaintContext&)> draw;
    int paints = 0;

  protected:
    void OnPaint() override {
        ++paints;
        LwPaintContext context(this);
        context.SetFillColor(kBackdrop);
        context.DrawRect(LwRect{0, 0, 40, 30});
        context.SetFillColor(kLwEmpty);
        if (draw) {
            draw(context);
        }
    }
};

bool Same(LwColor a, LwColor b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

::testing::AssertionResult PixelIs(platform::NativeWindow w, int x, int y, LwColor expected) {
    const LwColor p = ReadPixel(w, x, y);
    if (Same(p, expected)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << x << ", " << y << ") is " << int(p.r) << "," << int(p.g) << "," << int(p.b)
           << ", expected " << int(expected.r) << "," << int(expected.g) << "," << int(expected.b);
}

class PaintContext : public testsupport::GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        window_ = std::make_unique<LwWindow>(nullptr, LwPoint{30, 30}, LwSize{60, 50}, "paint", 0);
        window_->SetBackgroundColor(LwGrey(10));
        panel_ = new CanvasPanel(window_.get());
        window_->Show(true);
        ASSERT_TRUE(testsupport::WaitUntilViewable(window_->GetNativeWindow()));
        testsupport::PumpFor(std::chrono::milliseconds(50));
    }

    // Paints the panel with `draw` and waits until the picture has reached the server.
    void Paint(std::function<void(LwPaintContext&)> draw) {
        panel_->draw = std::move(draw);
        const int before = panel_->paints;
        panel_->Invalidate();
        ASSERT_TRUE(PumpUntil([&] { return panel_->paints > before; }));
    }

    platform::NativeWindow W() const { return panel_->GetNativeWindow(); }

    std::unique_ptr<LwWindow> window_;
    CanvasPanel* panel_ = nullptr;
};

TEST_F(PaintContext, RectFillsThenOutlinesOnePixelInside) {
    Paint([](LwPaintContext& c) {
        c.SetFillColor(kRed);
        c.SetLineColor(kGreen, 1.0f);
        c.DrawRect(LwRect{5, 5, 10, 10});
    });
    for (int i = 5; i <= 14; ++i) {
        EXPECT_TRUE(PixelIs(W(), i, 5, kGreen));   // top row
        EXPECT_TRUE(PixelIs(W(), i, 14, kGreen));  // bottom row
        EXPECT_TRUE(PixelIs(W(), 5, i, kGreen));   // left column
        EXPECT_TRUE(PixelIs(W(), 14, i, kGreen));  // right column
        EXPECT_TRUE(PixelIs(W(), i, 15, kBackdrop));
        EXPECT_TRUE(PixelIs(W(), 15, i, kBackdrop));
        EXPECT_TRUE(PixelIs(W(), i, 4, kBackdrop));
        EXPECT_TRUE(PixelIs(W(), 4, i, kBackdrop));
    }
    const auto inside = ReadPixels(W(), LwRect{6, 6, 8, 8});
    for (const LwColor& p : inside) {
        EXPECT_TRUE(Same(p, kRed));
    }
}

TEST_F(PaintContext, EmptyColoursDrawNothingButOpaqueBlackFills) {
    Paint([](LwPaintContext& c) {
        c.SetFillColor(kRed);
        c.SetFillColor(kLwEmpty);  // replaces the red fill with none
        c.DrawRect(LwRect{0, 0, 10, 10});
        c.SetLineColor(kGreen, 1.0f);
        c.SetLineColor(kLwEmpty, 1.0f);
        c.DrawRect(LwRect{0, 0, 10, 10});
        c.DrawLine(0, 20, 30, 20);
        c.SetFillColor(kLwBlack);
        c.DrawRect(LwRect{20, 0, 5, 5});
    });
    EXPECT_TRUE(PixelIs(W(), 0, 0, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 5, 5, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 9, 9, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 15, 20, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 22, 2, kLwBlack));
    EXPECT_TRUE(PixelIs(W(), 25, 2, kBackdrop));
}

TEST_F(PaintContext, OutlineAloneLeavesTheInsideUntouched) {
    Paint([](LwPaintContext& c) {
        c.SetLineColor(kBlue, 1.0f);
        c.DrawRect(LwRect{0, 0, 10, 10});
    });
    EXPECT_TRUE(PixelIs(W(), 0, 0, kBlue));
    EXPECT_TRUE(PixelIs(W(), 9, 9, kBlue));
    EXPECT_TRUE(PixelIs(W(), 9, 0, kBlue));
    EXPECT_TRUE(PixelIs(W(), 5, 5, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 10, 10, kBackdrop));
}

TEST_F(PaintContext, LinesIncludeBothEndPoints) {
    Paint([](LwPaintContext& c) {
        c.SetLineColor(kRed, 1.0f);
        c.DrawLine(2, 3, 12, 3);
        c.DrawLine(30, 2, 30, 20);
        c.DrawLine(2, 10, 8, 16);
    });
    for (int x = 2; x <= 12; ++x) {
        EXPECT_TRUE(PixelIs(W(), x, 3, kRed));
    }
    EXPECT_TRUE(PixelIs(W(), 1, 3, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 13, 3, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 12, 2, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 12, 4, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 30, 2, kRed));
    EXPECT_TRUE(PixelIs(W(), 30, 20, kRed));
    EXPECT_TRUE(PixelIs(W(), 30, 21, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 2, 10, kRed));
    EXPECT_TRUE(PixelIs(W(), 5, 13, kRed));
    EXPECT_TRUE(PixelIs(W(), 8, 16, kRed));
    EXPECT_TRUE(PixelIs(W(), 9, 17, kBackdrop));
}

TEST_F(PaintContext, GradientRunsFromTopToBottomAndKeepsPenAndFill) {
    Paint([](LwPaintContext& c) {
        c.SetFillColor(kGreen);
        c.FillGradient(LwRect{0, 0, 20, 21}, LwColor{0, 0, 0, 255}, LwColor{200, 100, 0, 255});
        c.DrawRect(LwRect{25, 0, 5, 5});  // still the green fill
    });
    const auto column = ReadPixels(W(), LwRect{7, 0, 1, 21});
    ASSERT_EQ(column.size(), 21u);
    EXPECT_LE(column.front().r, 10);
    EXPECT_GE(column.back().r, 190);
    EXPECT_NEAR(column[10].r, 100, 12);
    for (size_t i = 1; i < column.size(); ++i) {
        EXPECT_GE(column[i].r, column[i - 1].r) << "row " << i;
        EXPECT_NEAR(column[i].g * 2, column[i].r, 3);  // the two channels move together
    }
    // The same colour across a row: the gradient is vertical.
    const auto row = ReadPixels(W(), LwRect{0, 10, 20, 1});
    for (const LwColor& p : row) {
        EXPECT_TRUE(Same(p, row.front()));
    }
    EXPECT_TRUE(PixelIs(W(), 20, 10, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 7, 21, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 27, 2, kGreen));
}

TEST_F(PaintContext, ClipLimitsLaterDrawing) {
    Paint([](LwPaintContext& c) {
        c.SetClip(LwRect{10, 10, 5, 4});
        c.SetFillColor(kRed);
        c.DrawRect(LwRect{0, 0, 40, 30});
    });
    EXPECT_TRUE(PixelIs(W(), 10, 10, kRed));
    EXPECT_TRUE(PixelIs(W(), 14, 13, kRed));
    EXPECT_TRUE(PixelIs(W(), 15, 13, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 14, 14, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 9, 10, kBackdrop));
    EXPECT_TRUE(PixelIs(W(), 0, 0, kBackdrop));
}

TEST_F(PaintContext, TranslucentFillBlendsOverWhatIsThere) {
    Paint([](LwPaintContext& c) {
        c.SetFillColor(LwColor{255, 255, 255, 128});
        c.DrawRect(LwRect{0, 0, 10, 10});
    });
    const LwColor p = ReadPixel(W(), 5, 5);
    EXPECT_NEAR(p.r, (255 * 128 + kBackdrop.r * 127) / 255, 2);
    EXPECT_NEAR(p.g, (255 * 128 + kBackdrop.g * 127) / 255, 2);
    EXPECT_NEAR(p.b, (255 * 128 + kBackdrop.b * 127) / 255, 2);
}

TEST_F(PaintContext, ContextsOutsideAPaintNeverReachTheWindow) {
    Paint([](LwPaintContext& c) {
        c.SetFillColor(kGreen);
        c.DrawRect(LwRect{0, 0, 40, 30});
    });
    {
        LwPaintContext measuring(nullptr);
        measuring.SetFillColor(kRed);
        measuring.DrawRect(LwRect{0, 0, 40, 30});
        LwPaintContext outside(panel_);  // nothing to repaint: draws off screen only
        outside.SetFillColor(kRed);
        outside.DrawRect(LwRect{0, 0, 40, 30});
    }
    EXPECT_TRUE(PixelIs(W(), 0, 0, kGreen));
    EXPECT_TRUE(PixelIs(W(), 39, 29, kGreen));
}

}  // namespace
