// The push button on the X server: greys per state at the fill, edges and corners, the "OK"
// look, hover on enter and leave with real pointer moves, and clicks through the event binding.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <vector>

#include "controls/LwSystemButton.h"
#include "hosted_test.h"
#include "platform/Window.h"
#include "support/XTestHarness.h"
#include "toolkit/LwWindow.h"

namespace {

using namespace std::chrono_literals;

using testsupport::PumpUntil;
using testsupport::ReadPixel;

// A window that records the clicks its buttons report.
class Host : public LwWindow {
  public:
    Host() : LwWindow(nullptr, LwPoint{60, 60}, LwSize{240, 120}, "buttons", 0) {
        SetBackgroundColor(LwGrey(20));
    }
    void OnButton(int code) { events.push_back({code, eventSenderTag}); }
    struct Event {
        int code, tag;
    };
    std::vector<Event> events;
    int Clicks() const {
        int n = 0;
        for (const Event& e : events) {
            n += e.code == 2;
        }
        return n;
    }
};

struct Greys {
    int fill, top, left, bottom, right;
};

class Button : public HostedTest<Host> {
  protected:
    void AddControls() override { button_ = Make("Next >"); }

    LwSystemButton* Make(const char* label, LwPoint at = {20, 20}) {
        auto* button = new LwSystemButton(host_.get(), at, LwSize{85, 30}, label);
        button->eventTarget = host_.get();
        button->eventHandler = AsEventHandler(&Host::OnButton);
        button->eventTag = 7;
        return button;
    }

    // Waits until every sampled pixel shows the expected greys: fill inside (away from the
    // label), each edge, and the corners the drawing order decides.
    bool Shows(LwSystemButton* b, Greys g) {
        platform::NativeWindow w = b->GetNativeWindow();
        auto grey = [&](int x, int y) { return ReadPixel(w, x, y); };
        return PumpUntil([&] {
            return grey(3, 3) == LwGrey(g.fill) && grey(83, 28) == LwGrey(g.fill) &&
                   grey(0, 15) == LwGrey(g.left) && grey(40, 0) == LwGrey(g.top) &&
                   grey(40, 29) == LwGrey(g.bottom) && grey(84, 15) == LwGrey(g.right) &&
                   grey(0, 0) == LwGrey(g.top) && grey(0, 29) == LwGrey(g.bottom) &&
                   grey(84, 0) == LwGrey(g.right) && grey(84, 29) == LwGrey(g.right);
        });
    }

    // The brightest label pixel: the label colour where the glyphs cover whole pixels.
    int BrightestLabelGrey(LwSystemButton* b) {
        int brightest = 0;
        for (LwColor c : testsupport::ReadPixels(b->GetNativeWindow(), LwRect{10, 5, 65, 20})) {
            brightest = std::max<int>(brightest, c.r);
        }
        return brightest;
    }

    LwSystemButton* button_ = nullptr;
};

constexpr Greys kIdle{54, 119, 84, 12, 28};
constexpr Greys kHover{83, 138, 108, 19, 42};
constexpr Greys kDisabled{40, 80, 70, 8, 18};

TEST_F(Button, IdleGreysFillAllButTheLastRowAndColumn) {
    EXPECT_TRUE(Shows(button_, kIdle));
    EXPECT_TRUE(PumpUntil([&] { return BrightestLabelGrey(button_) == 175; }));
}

TEST_F(Button, HoverLightsUpOnEnterAndGoesOnLeave) {
    ASSERT_TRUE(Shows(button_, kIdle));
    testsupport::MovePointer(button_->GetNativeWindow(), {40, 15});
    EXPECT_TRUE(Shows(button_, kHover));
    EXPECT_TRUE(button_->IsHovered());
    testsupport::MovePointer(host_->GetNativeWindow(), {200, 100});
    EXPECT_TRUE(Shows(button_, kIdle));
    EXPECT_FALSE(button_->IsHovered());
}

TEST_F(Button, LeavingWithTheButtonHeldRepaintsIdle) {
    testsupport::MovePointer(button_->GetNativeWindow(), {40, 15});
    ASSERT_TRUE(Shows(button_, kHover));
    testsupport::PressButton(1);
    testsupport::MovePointer(host_->GetNativeWindow(), {200, 100});
    EXPECT_TRUE(Shows(button_, kIdle));
    testsupport::ReleaseButton(1);
    testsupport::PumpFor(100ms);
    EXPECT_EQ(host_->Clicks(), 0);
}

TEST_F(Button, DisabledLookIgnoresTextColour) {
    button_->textColor = LwColor{255, 0, 0, 255};
    platform::EnableWindow(button_->GetNativeWindow(), false);
    button_->Invalidate();
    EXPECT_TRUE(Shows(button_, kDisabled));
    EXPECT_TRUE(PumpUntil([&] { return BrightestLabelGrey(button_) == 100; }));
}

TEST_F(Button, OkIsTheDefaultLookInAnyCase) {
    for (const char* label : {"OK", "ok", "oK"}) {
        SCOPED_TRACE(label);
        LwSystemButton* ok = Make(label, {120, 20});
        EXPECT_TRUE(Shows(ok, Greys{75, 119, 84, 12, 28}));
        testsupport::MovePointer(ok->GetNativeWindow(), {40, 15});
        EXPECT_TRUE(Shows(ok, Greys{95, 138, 108, 19, 42}));
        testsupport::MovePointer(host_->GetNativeWindow(), {5, 100});
        EXPECT_TRUE(Shows(ok, Greys{75, 119, 84, 12, 28}));
        delete ok;
    }
}

TEST_F(Button, DisabledOkKeepsItsFillWithDisabledEdges) {
    LwSystemButton* ok = Make("OK", {120, 20});
    platform::EnableWindow(ok->GetNativeWindow(), false);
    ok->Invalidate();
    EXPECT_TRUE(Shows(ok, Greys{75, 80, 70, 8, 18}));
    EXPECT_TRUE(PumpUntil([&] { return BrightestLabelGrey(ok) == 100; }));
}

TEST_F(Button, OkLabelIsBold) {
    // The same two letters in the regular weight ("OK " is not the default label) light fewer
    // pixels than "OK" in bold.
    LwSystemButton* ok = Make("OK", {120, 20});
    auto lit = [](LwSystemButton* b) {
        int n = 0;
        for (LwColor c : testsupport::ReadPixels(b->GetNativeWindow(), LwRect{10, 5, 65, 20})) {
            n += c.r > 120;
        }
        return n;
    };
    LwSystemButton* plain = Make("OK ", {120, 70});
    ASSERT_TRUE(Shows(ok, Greys{75, 119, 84, 12, 28}));
    ASSERT_TRUE(Shows(plain, kIdle));
    EXPECT_GT(lit(ok), lit(plain));
}

TEST_F(Button, ClickReachesTheBindingOnce) {
    testsupport::MovePointer(button_->GetNativeWindow(), {40, 15});
    testsupport::Click(1);
    EXPECT_TRUE(PumpUntil([&] { return host_->Clicks() == 1; }));
    EXPECT_EQ(host_->events.back().tag, 7);
    EXPECT_EQ(host_->eventSender, button_);
}

TEST_F(Button, PressOutsideReleaseInsideIsNoClick) {
    testsupport::MovePointer(host_->GetNativeWindow(), {200, 100});
    testsupport::PressButton(1);
    testsupport::MovePointer(button_->GetNativeWindow(), {40, 15});
    testsupport::ReleaseButton(1);
    testsupport::PumpFor(150ms);
    EXPECT_EQ(host_->Clicks(), 0);
}

TEST_F(Button, DoubleClickReportsOneClick) {
    testsupport::MovePointer(button_->GetNativeWindow(), {40, 15});
    testsupport::Click(1, 2);
    EXPECT_TRUE(PumpUntil([&] {
        for (const auto& e : host_->events) {
            if (e.code == 3) {
                return true;
            }
        }
        return false;
    }));
    testsupport::PumpFor(100ms);
    EXPECT_EQ(host_->Clicks(), 1);
}

TEST_F(Button, DisabledButtonGetsNoClicks) {
    platform::EnableWindow(button_->GetNativeWindow(), false);
    testsupport::MovePointer(button_->GetNativeWindow(), {40, 15});
    testsupport::Click(1);
    testsupport::PumpFor(150ms);
    EXPECT_EQ(host_->Clicks(), 0);
}

TEST_F(Button, SetTextWaitsForTheNextRepaint) {
    ASSERT_TRUE(Shows(button_, kIdle));
    testsupport::PumpFor(100ms);  // paints still queued from showing the window
    const auto before = testsupport::ReadPixels(button_->GetNativeWindow(), LwRect{0, 0, 85, 30});
    button_->SetText("Browse");
    EXPECT_EQ(button_->GetText(), "Browse");
    testsupport::PumpFor(150ms);
    EXPECT_EQ(testsupport::ReadPixels(button_->GetNativeWindow(), LwRect{0, 0, 85, 30}), before);
    button_->Invalidate();
    EXPECT_TRUE(PumpUntil([&] {
        return testsupport::ReadPixels(button_->GetNativeWindow(), LwRect{0, 0, 85, 30}) != before;
    }));
}

}  // namespace
