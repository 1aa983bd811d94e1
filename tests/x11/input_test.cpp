// Input translation with real XTest input: mouse messages, double clicks, wheel, leave tracking,
// keys and characters, focus, capture, disabled windows and the close box.
#include <gtest/gtest.h>

#include "recorder.h"

#include <X11/keysym.h>

namespace platformtest {
namespace {

using namespace std::chrono_literals;
using testsupport::Click;
using testsupport::MovePointer;
using testsupport::PressButton;
using testsupport::PumpFor;
using testsupport::PumpUntil;
using testsupport::ReleaseButton;
using testsupport::TapKey;

// A top-level window with two panels side by side, shown and active.
class InputTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        top = MakeTopLevel(topLog, {100, 100}, {300, 200});
        left = MakeChild(leftLog, top, {20, 20}, {100, 60});
        right = MakeChild(rightLog, top, {150, 20}, {100, 60});
        ShowAndSettle(top, topLog);
        // Start every test with the pointer over an empty part of the top-level window.
        MovePointer(top, {5, 150});
        PumpFor(50ms);
        Clear();
    }
    void Clear() {
        topLog.log.clear();
        leftLog.log.clear();
        rightLog.log.clear();
    }
    bool WaitFor(const Recorder& r, MessageId m, int count = 1) {
        return PumpUntil([&] { return r.Count(m) >= count; });
    }

    Recorder topLog;
    Recorder leftLog;
    Recorder rightLog;
    NativeWindow top = nullptr;
    NativeWindow left = nullptr;
    NativeWindow right = nullptr;
};

class MouseTranslation : public InputTest {};

TEST_F(MouseTranslation, MovesAndButtonsCarryClientCoordinates) {
    MovePointer(left, {10, 12});
    ASSERT_TRUE(WaitFor(leftLog, kWmMouseMove));
    EXPECT_EQ(PointParamX(leftLog.Last(kWmMouseMove)->lParam), 10);
    EXPECT_EQ(PointParamY(leftLog.Last(kWmMouseMove)->lParam), 12);
    EXPECT_EQ(topLog.Count(kWmMouseMove), 0);

    PressButton(1);
    ASSERT_TRUE(WaitFor(leftLog, kWmLButtonDown));
    EXPECT_EQ(leftLog.Last(kWmLButtonDown)->wParam & 1, 1u);  // left button held
    ReleaseButton(1);
    ASSERT_TRUE(WaitFor(leftLog, kWmLButtonUp));
    EXPECT_EQ(PointParamX(leftLog.Last(kWmLButtonUp)->lParam), 10);
    EXPECT_EQ(leftLog.Last(kWmLButtonUp)->wParam & 1, 0u);

    Click(3);
    ASSERT_TRUE(WaitFor(leftLog, kWmRButtonUp));
    Click(2);
    ASSERT_TRUE(WaitFor(leftLog, kWmMButtonUp));
    EXPECT_EQ(leftLog.Sequence({kWmLButtonDown, kWmLButtonUp, kWmRButtonDown, kWmRButtonUp,
                                kWmMButtonDown, kWmMButtonUp}),
              (std::vector<MessageId>{kWmLButtonDown, kWmLButtonUp, kWmRButtonDown, kWmRButtonUp,
                                      kWmMButtonDown, kWmMButtonUp}));
}

TEST_F(MouseTranslation, ReleaseGoesToTheWindowUnderThePointerWithoutCapture) {
    MovePointer(left, {10, 10});
    PressButton(1);
    ASSERT_TRUE(WaitFor(leftLog, kWmLButtonDown));
    MovePointer(right, {10, 10});
    ASSERT_TRUE(WaitFor(rightLog, kWmMouseMove));
    ReleaseButton(1);
    ASSERT_TRUE(WaitFor(rightLog, kWmLButtonUp));
    EXPECT_EQ(leftLog.Count(kWmLButtonUp), 0);
}

TEST_F(MouseTranslation, QuickSecondPressOnAPanelIsADoubleClick) {
    MovePointer(left, {30, 30});
    Click(1, 3);
    ASSERT_TRUE(WaitFor(leftLog, kWmLButtonUp, 3));
    EXPECT_EQ(leftLog.Sequence({kWmLButtonDown, kWmLButtonUp, kWmLButtonDblClk}),
              (std::vector<MessageId>{kWmLButtonDown, kWmLButtonUp, kWmLButtonDblClk, kWmLButtonUp,
                                      kWmLButtonDown, kWmLButtonUp}));
    Clear();
    PumpFor(600ms);  // past the double-click time
    Click(3, 2);
    ASSERT_TRUE(WaitFor(leftLog, kWmRButtonUp, 2));
    EXPECT_EQ(leftLog.Count(kWmRButtonDblClk), 1);
}

TEST_F(MouseTranslation, NoDoubleClickAfterTheTimeOrAwayFromTheFirstPress) {
    MovePointer(left, {30, 30});
    Click(1);
    ASSERT_TRUE(WaitFor(leftLog, kWmLButtonUp));
    PumpFor(600ms);
    Click(1);
    ASSERT_TRUE(WaitFor(leftLog, kWmLButtonUp, 2));
    MovePointer(left, {36, 30});
    Click(1);
    ASSERT_TRUE(WaitFor(leftLog, kWmLButtonUp, 3));
    EXPECT_EQ(leftLog.Count(kWmLButtonDown), 3);
    EXPECT_EQ(leftLog.Count(kWmLButtonDblClk), 0);
}

TEST_F(MouseTranslation, WindowsWithoutDoubleClicksGetPlainPresses) {
    Recorder plainLog;
    NativeWindow plain = MakeChild(plainLog, top, {20, 100}, {100, 60}, false);
    UpdateWindow(plain);
    MovePointer(plain, {10, 10});
    Click(1, 2);
    ASSERT_TRUE(WaitFor(plainLog, kWmLButtonUp, 2));
    EXPECT_EQ(plainLog.Count(kWmLButtonDown), 2);
    EXPECT_EQ(plainLog.Count(kWmLButtonDblClk), 0);

    MovePointer(top, {200, 150});
    Click(1, 2);
    ASSERT_TRUE(WaitFor(topLog, kWmLButtonUp, 2));
    EXPECT_EQ(topLog.Count(kWmLButtonDown), 2);
    EXPECT_EQ(topLog.Count(kWmLButtonDblClk), 0);
}

TEST_F(MouseTranslation, WheelNotchesCarryTheDeltaAndReachTheParentWhenUnhandled) {
    MovePointer(left, {10, 10});
    testsupport::WheelNotches(1);
    ASSERT_TRUE(WaitFor(leftLog, kWmMouseWheel));
    EXPECT_EQ(WheelDelta(leftLog.Last(kWmMouseWheel)->wParam), 120);
    // The recorder leaves the wheel to the default procedure, which hands it to the parent.
    ASSERT_EQ(topLog.Count(kWmMouseWheel), 1);
    EXPECT_EQ(WheelDelta(topLog.Last(kWmMouseWheel)->wParam), 120);
    const Point screen = ClientToScreen(left, {10, 10});
    EXPECT_EQ(PointParamX(leftLog.Last(kWmMouseWheel)->lParam), screen.x);
    EXPECT_EQ(PointParamY(leftLog.Last(kWmMouseWheel)->lParam), screen.y);

    testsupport::WheelNotches(-1);
    ASSERT_TRUE(WaitFor(leftLog, kWmMouseWheel, 2));
    EXPECT_EQ(WheelDelta(leftLog.Last(kWmMouseWheel)->wParam), -120);

    // A panel that handles the wheel keeps it from its parent.
    leftLog.handler = [](NativeWindow, MessageId m, WParam,
                         LParam) -> std::optional<MessageResult> {
        if (m == kWmMouseWheel) {
            return 0;
        }
        return std::nullopt;
    };
    testsupport::WheelNotches(1);
    ASSERT_TRUE(WaitFor(leftLog, kWmMouseWheel, 3));
    EXPECT_EQ(topLog.Count(kWmMouseWheel), 2);
    // Releases of the wheel buttons are not messages.
    EXPECT_EQ(leftLog.Count(kWmLButtonUp) + leftLog.Count(kWmMButtonUp), 0);
}

TEST_F(MouseTranslation, LeaveComesOnceAfterTrackingWasAsked) {
    MovePointer(left, {10, 10});
    ASSERT_TRUE(WaitFor(leftLog, kWmMouseMove));
    MovePointer(top, {5, 150});
    ASSERT_TRUE(WaitFor(topLog, kWmMouseMove));
    PumpFor(50ms);
    EXPECT_EQ(leftLog.Count(kWmMouseLeave), 0);  // nobody asked

    MovePointer(left, {10, 10});
    ASSERT_TRUE(WaitFor(leftLog, kWmMouseMove, 2));
    TrackMouseLeave(left);
    MovePointer(right, {10, 10});
    ASSERT_TRUE(WaitFor(leftLog, kWmMouseLeave));
    MovePointer(left, {10, 10});
    MovePointer(top, {5, 150});
    ASSERT_TRUE(WaitFor(topLog, kWmMouseMove, 2));
    PumpFor(50ms);
    EXPECT_EQ(leftLog.Count(kWmMouseLeave), 1);
}

TEST_F(MouseTranslation, LeaveReadBeforeTrackingWasAskedStillComes) {
    // In and out again before the program looks: by the time the first move asks for tracking,
    // the leave has already been read.
    MovePointer(left, {10, 10});
    MovePointer(top, {5, 150});
    ASSERT_TRUE(WaitFor(leftLog, kWmMouseMove));
    TrackMouseLeave(left);
    ASSERT_TRUE(WaitFor(leftLog, kWmMouseLeave));
}

TEST_F(MouseTranslation, EnteringAChildLeavesTheParent) {
    MovePointer(top, {10, 150});
    ASSERT_TRUE(WaitFor(topLog, kWmMouseMove));
    TrackMouseLeave(top);
    MovePointer(left, {5, 5});
    ASSERT_TRUE(WaitFor(topLog, kWmMouseLeave));
}

class Capture : public InputTest {};

TEST_F(Capture, DragMessagesGoToTheCapturingWindowRelativeToIt) {
    leftLog.handler = [](NativeWindow w, MessageId m, WParam,
                         LParam) -> std::optional<MessageResult> {
        if (m == kWmLButtonDown) {
            SetCapture(w);
        } else if (m == kWmLButtonUp) {
            ReleaseCapture();
        }
        return std::nullopt;
    };
    MovePointer(left, {10, 10});
    PressButton(1);
    ASSERT_TRUE(WaitFor(leftLog, kWmLButtonDown));
    EXPECT_EQ(GetCapture(), left);
    const int movesBefore = leftLog.Count(kWmMouseMove);
    MovePointer(right, {10, 10});  // over the sibling: still the capturing window's move
    ASSERT_TRUE(WaitFor(leftLog, kWmMouseMove, movesBefore + 1));
    EXPECT_EQ(PointParamX(leftLog.Last(kWmMouseMove)->lParam), 140);
    EXPECT_EQ(PointParamY(leftLog.Last(kWmMouseMove)->lParam), 10);
    MovePointer(top, {-40, -30});  // outside the top-level window altogether
    ASSERT_TRUE(PumpUntil([&] { return PointParamX(leftLog.Last(kWmMouseMove)->lParam) == -60; }));
    EXPECT_EQ(PointParamY(leftLog.Last(kWmMouseMove)->lParam), -50);
    ReleaseButton(1);
    ASSERT_TRUE(WaitFor(leftLog, kWmCaptureChanged));
    EXPECT_EQ(PointParamX(leftLog.Last(kWmLButtonUp)->lParam), -60);
    EXPECT_EQ(rightLog.Count(kWmMouseMove) + rightLog.Count(kWmLButtonUp), 0);
    EXPECT_EQ(GetCapture(), nullptr);

    // After the release, input goes by position again.
    MovePointer(right, {12, 12});
    ASSERT_TRUE(WaitFor(rightLog, kWmMouseMove));
}

TEST_F(Capture, TakingOrLosingTheCaptureTellsTheWindowThatHadIt) {
    SetCapture(left);
    SetCapture(right);
    EXPECT_EQ(leftLog.Count(kWmCaptureChanged), 1);
    EXPECT_EQ(rightLog.Count(kWmCaptureChanged), 0);
    ShowWindow(right, false);  // a hidden window cannot keep the pointer
    EXPECT_EQ(rightLog.Count(kWmCaptureChanged), 1);
    EXPECT_EQ(GetCapture(), nullptr);
    SetCapture(left);
    DestroyWindow(left);  // no message to a window that is gone
    EXPECT_EQ(GetCapture(), nullptr);
    MovePointer(top, {200, 150});
    ASSERT_TRUE(WaitFor(topLog, kWmMouseMove));
}

class DisabledWindows : public InputTest {};

TEST_F(DisabledWindows, GetNoMouseOrKeyInput) {
    EnableWindow(left, false);
    EXPECT_FALSE(IsWindowEnabled(left));
    MovePointer(left, {10, 10});
    Click(1);
    testsupport::WheelNotches(1);
    MovePointer(right, {10, 10});
    Click(1);
    ASSERT_TRUE(WaitFor(rightLog, kWmLButtonUp));
    EXPECT_TRUE(leftLog.log.empty() || leftLog.Count(kWmLButtonDown) + leftLog.Count(kWmMouseMove) +
                                               leftLog.Count(kWmMouseWheel) ==
                                           0);

    // A disabled top-level window keeps input from all of its windows.
    EnableWindow(left, true);
    EnableWindow(top, false);
    Clear();
    MovePointer(left, {20, 20});
    Click(1);
    TapKey(XK_a);
    PumpFor(150ms);
    EXPECT_EQ(leftLog.Count(kWmMouseMove) + leftLog.Count(kWmLButtonDown), 0);
    EXPECT_EQ(topLog.Count(kWmKeyDown) + topLog.Count(kWmChar), 0);

    EnableWindow(top, true);
    Click(1);
    ASSERT_TRUE(WaitFor(leftLog, kWmLButtonUp));
}

class Keyboard : public InputTest {};

TEST_F(Keyboard, KeysGiveVirtualKeysThenCharacters) {
    TapKey(XK_a);
    ASSERT_TRUE(WaitFor(topLog, kWmKeyUp));
    EXPECT_EQ(topLog.Sequence({kWmKeyDown, kWmChar, kWmKeyUp}),
              (std::vector<MessageId>{kWmKeyDown, kWmChar, kWmKeyUp}));
    EXPECT_EQ(topLog.Last(kWmKeyDown)->wParam, WParam{'A'});
    EXPECT_EQ(topLog.Last(kWmChar)->wParam, WParam{'a'});
    EXPECT_EQ(topLog.Last(kWmKeyUp)->wParam, WParam{'A'});

    Clear();
    TapKey(XK_A);  // with Shift
    ASSERT_TRUE(PumpUntil([&] {
        const Recorded* up = topLog.Last(kWmKeyUp);
        return up && up->wParam == 0x10;
    }));
    ASSERT_EQ(topLog.Count(kWmChar), 1);
    EXPECT_EQ(topLog.Last(kWmChar)->wParam, WParam{'A'});

    struct Case {
        unsigned long keysym;
        WParam vk;
        WParam character;  // 0: none
    };
    const Case cases[] = {{XK_Return, kVkReturn, 13}, {XK_Escape, kVkEscape, 27},
                          {XK_BackSpace, kVkBack, 8}, {XK_Tab, kVkTab, 9},
                          {XK_space, kVkSpace, ' '},  {XK_7, '7', '7'},
                          {XK_Left, kVkLeft, 0},      {XK_Down, kVkDown, 0},
                          {XK_period, 0xBE, '.'},     {XK_Delete, 0x2E, 0}};
    for (const Case& c : cases) {
        Clear();
        TapKey(c.keysym);
        // Wait for this key's release (a Shift release from before may come first).
        ASSERT_TRUE(PumpUntil([&] {
            const Recorded* up = topLog.Last(kWmKeyUp);
            return up && up->wParam == c.vk;
        })) << c.keysym;
        ASSERT_NE(topLog.Last(kWmKeyDown), nullptr) << c.keysym;
        EXPECT_EQ(topLog.Last(kWmKeyDown)->wParam, c.vk) << c.keysym;
        if (c.character) {
            ASSERT_EQ(topLog.Count(kWmChar), 1) << c.keysym;
            EXPECT_EQ(topLog.Last(kWmChar)->wParam, c.character) << c.keysym;
        } else {
            EXPECT_EQ(topLog.Count(kWmChar), 0) << c.keysym;
        }
    }
}

TEST_F(Keyboard, KeysGoToTheFocusedChild) {
    SetFocus(right);
    EXPECT_EQ(GetFocus(), right);
    EXPECT_EQ(rightLog.Count(kWmSetFocus), 1);
    EXPECT_EQ(topLog.Count(kWmKillFocus), 1);
    // The pointer over the other panel does not matter.
    MovePointer(left, {10, 10});
    TapKey(XK_b);
    ASSERT_TRUE(WaitFor(rightLog, kWmChar));
    EXPECT_EQ(rightLog.Last(kWmChar)->wParam, WParam{'b'});
    EXPECT_EQ(leftLog.Count(kWmChar) + topLog.Count(kWmChar), 0);

    SetFocus(left);
    EXPECT_EQ(rightLog.Count(kWmKillFocus), 1);
    TapKey(XK_c);
    ASSERT_TRUE(WaitFor(leftLog, kWmChar));
}

TEST_F(Keyboard, AHeldKeyRepeatsWithoutReleases) {
    testsupport::PressKey(XK_x);
    // The server starts repeating after its delay (660 ms by default).
    const bool repeated = PumpUntil([&] { return topLog.Count(kWmKeyDown) >= 3; });
    testsupport::ReleaseKey(XK_x);
    ASSERT_TRUE(repeated);
    ASSERT_TRUE(WaitFor(topLog, kWmKeyUp));
    PumpFor(50ms);
    EXPECT_EQ(topLog.Count(kWmKeyUp), 1);
    EXPECT_EQ(topLog.Count(kWmChar), topLog.Count(kWmKeyDown));
}

class Activation : public InputTest {};

TEST_F(Activation, FocusMovesBetweenTopLevelWindowsWithActivateMessages) {
    Recorder otherLog;
    NativeWindow other = MakeTopLevel(otherLog, {500, 400}, {200, 150});
    ShowWindow(other, true);
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == other; }));
    ASSERT_TRUE(WaitFor(topLog, kWmActivate));
    EXPECT_EQ(topLog.Last(kWmActivate)->wParam, kWaInactive);
    EXPECT_EQ(topLog.Count(kWmKillFocus), 1);
    ASSERT_TRUE(WaitFor(otherLog, kWmSetFocus));
    ASSERT_NE(otherLog.Last(kWmActivate), nullptr);
    EXPECT_EQ(otherLog.Last(kWmActivate)->wParam, kWaActive);

    // Focus given back to a child of the first window activates that window again.
    SetFocus(left);
    ASSERT_TRUE(PumpUntil([&] {
        return topLog.Last(kWmActivate)->wParam == kWaActive &&
               otherLog.Last(kWmActivate)->wParam == kWaInactive;
    }));
    EXPECT_EQ(GetFocus(), left);
    TapKey(XK_d);
    ASSERT_TRUE(WaitFor(leftLog, kWmChar));
}

class CloseBox : public InputTest {};

TEST_F(CloseBox, DisabledWindowIgnoresTheCloseBox) {
    EnableWindow(top, false);
    testsupport::SendDeleteWindow(top);
    PumpFor(100ms);
    EXPECT_EQ(topLog.Count(kWmClose), 0);
    EnableWindow(top, true);
    testsupport::SendDeleteWindow(top);
    ASSERT_TRUE(WaitFor(topLog, kWmClose));
}

TEST_F(CloseBox, DeleteWindowRequestBecomesACloseMessage) {
    testsupport::SendDeleteWindow(top);
    ASSERT_TRUE(WaitFor(topLog, kWmClose));
    // The procedure decides; the window stays until it is destroyed.
    EXPECT_TRUE(IsWindow(top));
}

}  // namespace
}  // namespace platformtest
