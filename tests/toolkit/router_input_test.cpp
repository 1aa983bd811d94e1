// The router under real pointer input: clicks, enter and leave, wheel, capture during a drag.
#include <gtest/gtest.h>

#include "gui_fixture.h"
#include "platform/Window.h"

namespace {

using namespace std::chrono_literals;
using testsupport::MovePointer;
using testsupport::PressButton;
using testsupport::PumpFor;
using testsupport::PumpUntil;
using testsupport::ReleaseButton;

class RouterInput : public ShownWindowTest {
  protected:
    void SetUp() override {
        ShownWindowTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        a = AddPanel({20, 20}, {80, 60});
        b = AddPanel({150, 20}, {80, 60});
        for (RecordingPanel* p : {a, b}) {
            p->eventHandler = AsEventHandler(&RecordingWindow::OnBound);
            p->eventTarget = window.get();
        }
        a->eventTag = 1;
        b->eventTag = 2;
        ShowWindow();
    }

    // Moves the pointer into a panel and waits for it to arrive there.
    void MoveInto(RecordingPanel* panel, LwPoint point = {40, 30}) {
        const size_t before = panel->log.mouse.size();
        MovePointer(panel->GetNativeWindow(), point);
        ASSERT_TRUE(PumpUntil([&] { return panel->log.mouse.size() > before; }));
    }

    int Clicks() const {
        int n = 0;
        for (const auto& bound : window->log.bound) {
            n += bound.code == kLwEventLeftUp;
        }
        return n;
    }

    RecordingPanel* a = nullptr;
    RecordingPanel* b = nullptr;
};

TEST_F(RouterInput, ClickReachesTheBindingWithSenderAndTag) {
    MoveInto(a);
    PressButton(1);
    ReleaseButton(1);
    ASSERT_TRUE(PumpUntil([&] { return Count(a->log.mouse, kLwEventLeftUp) == 1; }));
    ASSERT_EQ(Clicks(), 1);
    const auto& click = window->log.bound.back();
    EXPECT_EQ(click.code, kLwEventLeftUp);
    EXPECT_EQ(click.sender, a);
    EXPECT_EQ(click.senderTag, 1);
    // The press gave the panel the keyboard focus.
    EXPECT_EQ(platform::GetFocus(), a->GetNativeWindow());
}

TEST_F(RouterInput, EnterComesBeforeTheFirstMoveAndLeaveAfterTheLast) {
    MoveInto(a);
    ASSERT_GE(a->log.mouse.size(), 2u);
    EXPECT_EQ(a->log.mouse[0], kLwEventEnter);
    EXPECT_EQ(a->log.mouse[1], kLwEventMove);
    EXPECT_EQ(Count(a->log.mouse, kLwEventEnter), 1);
    MoveInto(b);
    ASSERT_TRUE(PumpUntil([&] { return Count(a->log.mouse, kLwEventLeave) == 1; }));
    EXPECT_EQ(a->log.mouse.back(), kLwEventLeave);
    EXPECT_EQ(b->log.mouse.front(), kLwEventEnter);
    // Enter and leave never reach the event binding.
    for (const auto& bound : window->log.bound) {
        EXPECT_NE(bound.code, kLwEventEnter);
        EXPECT_NE(bound.code, kLwEventLeave);
    }
}

TEST_F(RouterInput, PressOnOnePanelAndReleaseOnAnotherIsNoClick) {
    MoveInto(a);
    PressButton(1);
    ASSERT_TRUE(PumpUntil([&] { return Count(a->log.mouse, kLwEventLeftDown) == 1; }));
    MoveInto(b);
    ReleaseButton(1);
    PumpFor(100ms);
    EXPECT_EQ(Clicks(), 0);
    EXPECT_EQ(Count(a->log.mouse, kLwEventLeftUp), 0);
    EXPECT_EQ(Count(b->log.mouse, kLwEventLeftUp), 0);
}

TEST_F(RouterInput, LeavingWithTheButtonHeldAndComingBackIsNoClick) {
    MoveInto(a);
    PressButton(1);
    ASSERT_TRUE(PumpUntil([&] { return Count(a->log.mouse, kLwEventLeftDown) == 1; }));
    MovePointer(window->GetNativeWindow(), {120, 150});
    ASSERT_TRUE(PumpUntil([&] { return Count(a->log.mouse, kLwEventLeave) == 1; }));
    MoveInto(a, {10, 10});
    ReleaseButton(1);
    PumpFor(100ms);
    EXPECT_EQ(Clicks(), 0) << ::testing::PrintToString(a->log.mouse);
    // A fresh press and release on the same panel is a click again.
    PressButton(1);
    ReleaseButton(1);
    ASSERT_TRUE(PumpUntil([&] { return Clicks() == 1; }));
}

TEST_F(RouterInput, DoubleClickDeliversOneClick) {
    MoveInto(a);
    testsupport::Click(1, 2);
    ASSERT_TRUE(PumpUntil([&] { return Count(a->log.mouse, kLwEventLeftDouble) == 1; }));
    PumpFor(100ms);
    EXPECT_EQ(Count(a->log.mouse, kLwEventLeftDown), 1);
    EXPECT_EQ(Clicks(), 1);
}

TEST_F(RouterInput, WheelOverAPanelGives840ToThePreviewAndStaysWithThePanel) {
    PreviewWindow preview;
    MoveInto(a);
    testsupport::WheelNotches(1);
    ASSERT_TRUE(PumpUntil([&] { return Count(a->log.mouse, kLwEventWheel) == 1; }));
    testsupport::WheelNotches(-1);
    ASSERT_TRUE(PumpUntil([&] { return Count(a->log.mouse, kLwEventWheel) == 2; }));
    PumpFor(50ms);
    std::vector<int> wheels;
    for (const auto& [code, value] : preview.seen) {
        if (code == kLwEventWheel) {
            wheels.push_back(value);
        }
    }
    EXPECT_EQ(wheels, (std::vector<int>{840, -840}));
    EXPECT_EQ(Count(window->log.mouse, kLwEventWheel), 0);  // never passed on to the parent
}

TEST_F(RouterInput, PreviewThatConsumesTheWheelKeepsItFromPanelAndParent) {
    PreviewWindow preview(kLwEventWheel);
    MoveInto(a);
    testsupport::WheelNotches(1);
    ASSERT_TRUE(
        PumpUntil([&] { return !preview.seen.empty() && preview.seen.back().first == 10; }));
    PumpFor(50ms);
    EXPECT_EQ(Count(a->log.mouse, kLwEventWheel), 0);
    EXPECT_EQ(Count(window->log.mouse, kLwEventWheel), 0);
}

// Takes the capture on a left press and gives it back on the release, as a drag does.
class DragPanel : public RecordingPanel {
  public:
    using RecordingPanel::RecordingPanel;

  protected:
    void OnMouseEvent(int code) override {
        RecordingPanel::OnMouseEvent(code);
        if (code == kLwEventLeftDown) {
            platform::SetCapture(GetNativeWindow());
        } else if (code == kLwEventLeftUp) {
            platform::ReleaseCapture();
        }
    }
};

TEST_F(RouterInput, CaptureDuringADragLetsTheReleaseElsewhereThrough) {
    auto* drag = new DragPanel(window.get(), {20, 110}, {80, 60});
    drag->eventHandler = AsEventHandler(&RecordingWindow::OnBound);
    drag->eventTarget = window.get();
    drag->eventTag = 3;
    MoveInto(drag);
    PressButton(1);
    ASSERT_TRUE(PumpUntil([&] { return platform::GetCapture() == drag->GetNativeWindow(); }));
    MovePointer(b->GetNativeWindow(), {40, 30});
    ASSERT_TRUE(PumpUntil([&] { return Count(drag->log.mouse, kLwEventMove) >= 2; }));
    ReleaseButton(1);
    ASSERT_TRUE(PumpUntil([&] { return Count(drag->log.mouse, kLwEventLeftUp) == 1; }));
    EXPECT_EQ(Clicks(), 1);
    EXPECT_EQ(window->log.bound.back().senderTag, 3);
    EXPECT_EQ(Count(b->log.mouse, kLwEventLeftUp), 0);
    EXPECT_EQ(platform::GetCapture(), nullptr);
}

}  // namespace
