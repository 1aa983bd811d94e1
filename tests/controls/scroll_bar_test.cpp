// The scroll bar on the X server: the smooth step sequences, the wheel through input preview,
// the thumb's painted pixels, drags under capture, the held arrow's repeat, the position
// correction, and content that is gone, empty, or longer than a too-short track can show.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "controls/LwScrollBar.h"
#include "hosted_test.h"
#include "support/XTestHarness.h"
#include "toolkit/LwWindow.h"

namespace {

using namespace std::chrono_literals;
using testsupport::PumpFor;
using testsupport::PumpUntil;
using testsupport::ReadPixel;

// A content panel that keeps every y it is moved to.
class Content : public LwPanel {
  public:
    Content(LwObject* viewport, int height, int top) : LwPanel(viewport, {0, top}, {150, height}) {
        SetBackgroundColor(LwGrey(120));
    }
    void SetPosition(const LwPoint& position) override {
        moves.push_back(position.y - GetPosition().y);
        LwPanel::SetPosition(position);
    }
    int Top() { return GetPosition().y; }
    std::vector<int> moves;
};

// A bar whose paints can be held back, to press it before it has ever painted.
class Bar : public LwScrollBar {
  public:
    using LwScrollBar::LwScrollBar;
    bool painting = true;

  protected:
    void OnPaint() override {
        if (painting) {
            LwScrollBar::OnPaint();
        }
    }
};

// A 200 × 300 window: a 150-wide viewport with its content, and the bar beside it. The window
// turns the wheel anywhere into ScrollBy, as the installer does.
class Host : public LwWindow {
  public:
    Host() : LwWindow(nullptr, {60, 60}, {200, 300}, "scroll bar", 0) {
        SetBackgroundColor(LwGrey(20));
        viewport = new LwPanel(this, {0, 0}, {150, 300});
        RegisterInputPreview(this);
    }
    LwPanel* viewport;
    Bar* bar = nullptr;

  protected:
    void PreviewInput(LwInputEvent& event) override {
        if (event.code == kLwEventWheel && bar) {
            bar->ScrollBy(event.value);
            event.propagate = false;
        }
    }
};

class ScrollBar : public HostedTest<Host> {
  protected:
    // Content of `height` at `top`, and a bar for it that has painted once.
    void Make(int height, int top) {
        content_ = new Content(host_->viewport, height, top);
        bar_ = host_->bar = new Bar(host_.get(), content_, {150, 0});
        ASSERT_TRUE(PumpUntil([&] { return bar_->GetThumbLength() > 0; }));
        content_->moves.clear();
    }
    bool Rests() {
        return PumpUntil([&] { return !bar_->IsSmoothScrolling() && !bar_->IsArrowRepeating(); });
    }
    bool Shows(int x, int y, int grey) {
        return PumpUntil([&] { return ReadPixel(bar_->GetNativeWindow(), x, y) == LwGrey(grey); });
    }
    void PointAt(int row) { testsupport::MovePointer(bar_->GetNativeWindow(), {8, row}); }

    Content* content_ = nullptr;
    Bar* bar_ = nullptr;
};

TEST_F(ScrollBar, PendingDistanceGoesInTenthsThenWholeAndTheWheelNotchInTens) {
    Make(3000, -1000);
    bar_->ScrollBy(6000);  // 500 pixels
    ASSERT_TRUE(Rests());
    EXPECT_EQ(content_->moves,
              (std::vector<int>{50, 45, 40, 36, 32, 29, 26, 24, 21, 19, 17, 16, 14,
                                13, 11, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 7}));
    EXPECT_EQ(content_->Top(), -500);

    content_->moves.clear();
    testsupport::MovePointer(host_->viewport->GetNativeWindow(), {70, 150});
    testsupport::WheelNotches(-1);  // towards the user: the content goes up
    ASSERT_TRUE(PumpUntil([&] { return content_->moves.size() == 7; }));
    ASSERT_TRUE(Rests());
    EXPECT_EQ(content_->moves, std::vector<int>(7, -10));
    EXPECT_EQ(content_->Top(), -570);
}

TEST_F(ScrollBar, ThumbIsPaintedWhereTheContentIsAndDragsKeepTheirGrip) {
    Make(1000, -350);
    EXPECT_EQ(bar_->GetTrackLength(), 265);
    EXPECT_EQ(bar_->GetThumbLength(), 79);
    EXPECT_EQ(bar_->GetThumbOffset(), 93);
    // Thumb rows 110 to 188: highlight, gradient from 101 to 77, four grip lines, dark bottom.
    EXPECT_TRUE(Shows(8, 109, 53));
    EXPECT_TRUE(Shows(2, 110, 171) && Shows(14, 110, 171) && Shows(1, 110, 53));
    EXPECT_TRUE(Shows(1, 111, 101) && Shows(8, 187, 77));
    for (int row : {146, 148, 150, 152}) {
        EXPECT_TRUE(Shows(5, row, 159) && Shows(11, row, 159));
        EXPECT_LT(ReadPixel(bar_->GetNativeWindow(), 12, row).r, 101);  // gradient beside it
    }
    EXPECT_TRUE(Shows(8, 188, 76) && Shows(8, 189, 53));
    // Frame and arrow buttons: black left edge, dark right edge and bottom, gradients, arrows.
    EXPECT_TRUE(Shows(0, 60, 0) && Shows(16, 60, 31) && Shows(8, 299, 31));
    EXPECT_TRUE(Shows(1, 0, 171) && Shows(15, 0, 171) && Shows(1, 1, 100) && Shows(1, 15, 78));
    EXPECT_TRUE(Shows(5, 9, 222) && Shows(12, 9, 222) && Shows(8, 6, 222) && Shows(7, 6, 92));
    EXPECT_TRUE(Shows(3, 283, 171) && Shows(5, 289, 222) && Shows(9, 292, 222));

    PointAt(120);  // 10 rows into the thumb
    testsupport::PressButton(1);
    ASSERT_TRUE(PumpUntil([&] { return bar_->IsDragging(); }));
    PointAt(160);  // thumb top wanted at 150: track row 133 of 186 → 133 × 700 ÷ 186
    EXPECT_TRUE(PumpUntil([&] { return content_->Top() == -500; }));
    EXPECT_TRUE(Shows(8, bar_->GetThumbOffset() + 17, 171));
    EXPECT_NEAR(bar_->GetThumbOffset() + 17 + 10, 160, 1);
    testsupport::MovePointer(host_->GetNativeWindow(), {100, 290});  // off the bar: still held
    EXPECT_TRUE(PumpUntil([&] { return content_->Top() == -700; }));
    testsupport::ReleaseButton(1);
    ASSERT_TRUE(PumpUntil([&] { return !bar_->IsDragging(); }));
    EXPECT_EQ(platform::GetCapture(), nullptr);

    PointAt(200);  // away from the thumb: it centres on the pointer, top at 161
    testsupport::Click(1);
    EXPECT_TRUE(PumpUntil([&] { return content_->Top() == -541 && !bar_->IsDragging(); }));
}

TEST_F(ScrollBar, PressInTheTrackBeforeTheFirstPaintDoesNothing) {
    content_ = new Content(host_->viewport, 1000, 0);
    bar_ = new Bar(host_.get(), content_, {150, 0});
    bar_->painting = false;
    PumpFor(30ms);
    PointAt(150);
    testsupport::Click(1);
    PumpFor(100ms);
    EXPECT_FALSE(bar_->IsDragging());
    EXPECT_EQ(platform::GetCapture(), nullptr);
    EXPECT_EQ(content_->Top(), 0);

    bar_->painting = true;
    bar_->Invalidate();
    ASSERT_TRUE(PumpUntil([&] { return bar_->GetThumbLength() > 0; }));
    testsupport::PressButton(1);
    EXPECT_TRUE(PumpUntil([&] { return content_->Top() < 0 && bar_->IsDragging(); }));
    testsupport::ReleaseButton(1);
    EXPECT_TRUE(PumpUntil([&] { return !bar_->IsDragging(); }));
}

TEST_F(ScrollBar, HeldArrowRepeatsUntilThePointerLeaves) {
    Make(3000, -2000);
    PointAt(290);  // down arrow
    testsupport::PressButton(1);
    ASSERT_TRUE(PumpUntil([&] { return content_->Top() <= -2060; }));
    EXPECT_EQ(content_->moves.front(), -8);
    EXPECT_EQ(content_->moves.back(), -10);
    EXPECT_TRUE(bar_->IsArrowRepeating());
    testsupport::MovePointer(host_->viewport->GetNativeWindow(), {70, 150});
    ASSERT_TRUE(Rests());
    const int top = content_->Top();
    PumpFor(100ms);
    EXPECT_EQ(content_->Top(), top);
    testsupport::ReleaseButton(1);

    PointAt(5);  // up arrow, released over it: the repeat stops with the release
    testsupport::Click(1);
    EXPECT_TRUE(PumpUntil([&] { return content_->Top() == top + 8; }));
    ASSERT_TRUE(Rests());
    EXPECT_EQ(content_->Top(), top + 8);
}

TEST_F(ScrollBar, ShortContentStaysAtTheTopAndOverscrolledContentComesBack) {
    Make(200, 0);
    EXPECT_TRUE(Shows(8, 17, 171) && Shows(8, 281, 76));  // the thumb fills the whole track
    bar_->ScrollBy(-3 * 840);
    ASSERT_TRUE(Rests());
    PointAt(200);
    testsupport::Click(1);
    PumpFor(50ms);
    EXPECT_EQ(content_->Top(), 0);

    content_->SetSize({150, 1000});
    content_->SetPosition({0, -350});
    content_->SetSize({150, 500});  // its bottom is now 150 rows above the viewport's
    bar_->Invalidate();
    EXPECT_TRUE(PumpUntil([&] { return content_->Top() == -200; }));
}

TEST_F(ScrollBar, GoneOrEmptyContentAndATooShortTrackAreHarmless) {
    Make(0, 0);
    bar_->ScrollBy(-840);
    ASSERT_TRUE(Rests());
    EXPECT_EQ(content_->Top(), 0);

    content_->SetSize({150, 1000});
    bar_->ScrollBy(-20 * 840);  // still running when the content goes
    delete content_;
    content_ = nullptr;
    ASSERT_TRUE(Rests());
    PointAt(290);
    testsupport::Click(1);
    PointAt(150);
    testsupport::Click(1);
    bar_->Invalidate();
    PumpFor(100ms);
    ASSERT_TRUE(Rests());
    EXPECT_TRUE(Shows(8, 17, 171));  // painted as for no content: the thumb fills the track

    // A 50-row bar has a 15-row track for a 20-row thumb: the thumb stays put, drags move
    // nothing, the arrows still scroll.
    auto* box = new LwPanel(host_.get(), {0, 0}, {100, 50});
    auto* content = new Content(box, 400, -100);
    auto* shortBar = new Bar(box, content, {80, 0});
    ASSERT_TRUE(PumpUntil([&] { return shortBar->GetThumbLength() == 20; }));
    EXPECT_EQ(shortBar->GetThumbOffset(), 0);
    testsupport::MovePointer(shortBar->GetNativeWindow(), {8, 25});
    testsupport::Click(1);
    PumpFor(50ms);
    EXPECT_EQ(content->Top(), -100);
    testsupport::MovePointer(shortBar->GetNativeWindow(), {8, 40});
    testsupport::Click(1);
    EXPECT_TRUE(PumpUntil([&] { return content->Top() == -108; }));
    shortBar->ScrollBy(-50 * 840);
    delete box;  // the bar goes while its timers run
    PumpFor(50ms);
}

}  // namespace
