// Native windows: lifetime, handles of destroyed windows, geometry and painting on show.
#include <gtest/gtest.h>

#include "recorder.h"

namespace platformtest {
namespace {

using namespace std::chrono_literals;
using testsupport::PumpUntil;
using testsupport::ReadPixel;

class WindowLifetime : public PlatformTest {};

TEST_F(WindowLifetime, ShownWindowPaintsItsClientArea) {
    Recorder top;
    top.paintColor = {10, 200, 30, 255};
    NativeWindow w = MakeTopLevel(top);
    EXPECT_FALSE(IsWindowVisible(w));
    ShowAndSettle(w, top);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_TRUE(SameColor(ReadPixel(w, 0, 0), top.paintColor));
    EXPECT_TRUE(SameColor(ReadPixel(w, 299, 199), top.paintColor));
}

TEST_F(WindowLifetime, DestroyedWindowAndDescendantsBecomeQuietNoOps) {
    Recorder top;
    Recorder child;
    Recorder grandchild;
    NativeWindow w = MakeTopLevel(top);
    NativeWindow c = MakeChild(child, w, {10, 10}, {100, 100});
    NativeWindow g = MakeChild(grandchild, c, {5, 5}, {20, 20});
    ShowAndSettle(w, top);
    SetTimer(g, 7, 10, nullptr);
    DestroyWindow(c);
    EXPECT_TRUE(IsWindow(w));
    EXPECT_FALSE(IsWindow(c));
    EXPECT_FALSE(IsWindow(g));
    // Every call on the gone handles does nothing and reports zero.
    child.log.clear();
    grandchild.log.clear();
    InvalidateWindow(g, true);
    UpdateWindow(g);
    MoveWindow(g, {1, 1}, {5, 5}, true);
    ShowWindow(c, false);
    SetFocus(g);
    SetCapture(g);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetUserData(g), nullptr);
    EXPECT_EQ(GetClientSize(c), (Size{}));
    EXPECT_EQ(SendMessage(g, kWmPaint, 0, 0), 0);
    EXPECT_FALSE(SetTimer(g, 8, 10, nullptr));
    EXPECT_EQ(CreateChildWindow(c, {0, 0}, {5, 5}, Recorder::Proc, false), nullptr);
    testsupport::PumpFor(100ms);
    EXPECT_TRUE(child.log.empty());
    EXPECT_TRUE(grandchild.log.empty());
}

TEST_F(WindowLifetime, DestroyingAnOwnerDestroysItsOwnedWindows) {
    Recorder owner;
    Recorder owned;
    NativeWindow o = MakeTopLevel(owner);
    NativeWindow d = MakeTopLevel(owned, {150, 150}, {100, 80}, {}, o);
    DestroyWindow(o);
    EXPECT_FALSE(IsWindow(d));
}

TEST_F(WindowLifetime, AGoneHandleNeverReachesTheWindowThatTakesItsPlace) {
    Recorder first;
    Recorder second;
    NativeWindow gone = MakeTopLevel(first);
    DestroyWindow(gone);
    // Made right after, so that it takes over what the destroyed window freed.
    NativeWindow next = MakeTopLevel(second);
    NativeWindow child = MakeChild(second, next, {0, 0}, {10, 10});
    ASSERT_TRUE(IsWindow(next));
    EXPECT_NE(gone, next);
    EXPECT_NE(gone, child);
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_EQ(GetUserData(gone), nullptr);
    SetUserData(gone, &first);
    ShowWindow(gone, true);
    MoveWindow(gone, {0, 0}, {1, 1}, true);
    EXPECT_EQ(CreateChildWindow(gone, {0, 0}, {5, 5}, Recorder::Proc, false), nullptr);
    EXPECT_EQ(GetUserData(next), &second);
    EXPECT_FALSE(IsWindowVisible(next));
    EXPECT_EQ(GetClientSize(next), (Size{300, 200}));
    EXPECT_EQ(SendMessage(gone, kWmClose, 0, 0), 0);
    EXPECT_EQ(second.Count(kWmClose), 0);
    // A gone window's handle works as a key, as any value does.
    EXPECT_EQ(std::hash<NativeWindow>()(gone), std::hash<NativeWindow>()(gone));
}

class WindowGeometry : public PlatformTest {};

TEST_F(WindowGeometry, ChildPositionsAreRelativeToTheParentClientArea) {
    Recorder top;
    Recorder child;
    NativeWindow w = MakeTopLevel(top, {120, 90});
    NativeWindow c = MakeChild(child, w, {30, 40}, {50, 20});
    ShowAndSettle(w, top);
    const Point origin = ClientToScreen(w, {0, 0});
    const Rect childRect = GetWindowRect(c);
    EXPECT_EQ(childRect, (Rect{origin.x + 30, origin.y + 40, 50, 20}));
    EXPECT_EQ(ScreenToClient(w, {childRect.x, childRect.y}), (Point{30, 40}));
    EXPECT_EQ(ClientToScreen(c, {1, 2}), (Point{origin.x + 31, origin.y + 42}));
}

TEST_F(WindowGeometry, OuterRectangleMatchesTheServerFrame) {
    Recorder top;
    NativeWindow w = MakeTopLevel(top, {200, 150}, {320, 240});
    ShowAndSettle(w, top);
    const Rect outer = GetWindowRect(w);
    EXPECT_EQ(outer, testsupport::FrameRectFromServer(w));
    EXPECT_EQ((Size{outer.width, outer.height}), OuterSizeForClient(w, {320, 240}));
    EXPECT_EQ(GetClientSize(w), (Size{320, 240}));
    if (testsupport::WindowManagerPresent()) {
        // The frame's outer corner lands where it was asked to be.
        EXPECT_EQ((Point{outer.x, outer.y}), (Point{200, 150}));
        EXPECT_GT(outer.height, 240);
    } else {
        EXPECT_EQ(outer, (Rect{200, 150, 320, 240}));
    }
}

TEST_F(WindowGeometry, MovingAWindowResizesAndReportsTheNewSize) {
    Recorder top;
    Recorder child;
    NativeWindow w = MakeTopLevel(top, {100, 100}, {300, 200});
    NativeWindow c = MakeChild(child, w, {0, 0}, {40, 40});
    ShowAndSettle(w, top);
    MoveWindow(c, {10, 20}, {60, 30}, true);
    ASSERT_NE(child.Last(kWmSize), nullptr);
    EXPECT_EQ(PointParamX(child.Last(kWmSize)->lParam), 60);
    EXPECT_EQ(PointParamY(child.Last(kWmSize)->lParam), 30);
    EXPECT_EQ(GetClientSize(c), (Size{60, 30}));

    MoveWindow(w, {150, 160}, {350, 260}, true);
    EXPECT_EQ(GetClientSize(w), (Size{350, 260}));
    ASSERT_TRUE(PumpUntil([&] {
        const Rect r = testsupport::FrameRectFromServer(w);
        return r.x == 150 && r.y == 160;
    }));
    EXPECT_EQ(GetWindowRect(w), testsupport::FrameRectFromServer(w));
    testsupport::PumpFor(100ms);
    EXPECT_EQ(GetClientSize(w), (Size{350, 260}));
}

TEST_F(WindowGeometry, WorkAreaIsTheScreenWithoutADesktop) {
    Recorder top;
    NativeWindow w = MakeTopLevel(top);
    const Rect work = WorkAreaNearest(w);
    const Size screen = ScreenSize();
    EXPECT_EQ(screen, (Size{1280, 1024}));
    // Openbox's work area is the whole screen too when no panel reserves space.
    EXPECT_EQ(work, (Rect{0, 0, screen.width, screen.height}));
}

}  // namespace
}  // namespace platformtest
