// What the window manager gets: frame extents, size hints, owner, stacking, title and icon.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>

#include "platform/x11/x11_access.h"
#include "recorder.h"

namespace platformtest {
namespace {

using testsupport::MaximumSizeHint;
using testsupport::MinimumSizeHint;
using testsupport::ReadProperty32;
using testsupport::WindowManagerPresent;

class Frames : public PlatformTest {};

TEST_F(Frames, ExtentsComeFromTheWindowManager) {
    Recorder framedLog;
    Recorder bareLog;
    NativeWindow framed = MakeTopLevel(framedLog, {100, 100}, {300, 200});
    TopLevelStyle borderless;
    borderless.borderless = true;
    NativeWindow plain = MakeTopLevel(bareLog, {500, 100}, {300, 200}, borderless);
    // Known before the window is first shown.
    const Size outer = OuterSizeForClient(framed, {300, 200});
    if (WindowManagerPresent()) {
        EXPECT_GT(outer.height, 200);
        EXPECT_GE(outer.width, 300);
    } else {
        EXPECT_EQ(outer, (Size{300, 200}));
    }
    EXPECT_EQ(OuterSizeForClient(plain, {300, 200}), (Size{300, 200}));

    ShowAndSettle(framed, framedLog);
    ShowAndSettle(plain, bareLog);
    const Rect server = testsupport::FrameRectFromServer(framed);
    EXPECT_EQ((Size{server.width, server.height}), outer);
    EXPECT_EQ(GetWindowRect(framed), server);
    EXPECT_EQ(GetWindowRect(plain), testsupport::FrameRectFromServer(plain));
    EXPECT_EQ(GetWindowRect(plain), (Rect{500, 100, 300, 200}));
}

TEST_F(Frames, WorkAreaIsTheDesktopsOrTheWholeScreen) {
    Recorder log;
    NativeWindow w = MakeTopLevel(log);
    const Size screen = ScreenSize();
    Rect expected{0, 0, screen.width, screen.height};
    const std::vector<unsigned long> area = ReadProperty32(nullptr, "_NET_WORKAREA");
    if (WindowManagerPresent()) {
        ASSERT_GE(area.size(), 4u);
        expected = {int(area[0]), int(area[1]), int(area[2]), int(area[3])};
    }
    EXPECT_EQ(WorkAreaNearest(w), expected);
}

// Claims the bare server as an EWMH window manager that never answers a request.
class SilentManager {
  public:
    SilentManager() : display_(platform::x11::TestDisplay()) {
        const ::Window root = DefaultRootWindow(display_);
        check_ = XCreateSimpleWindow(display_, root, -10, -10, 1, 1, 0, 0, 0);
        SetCheck(check_);
        SetCheck(root);
        XSync(display_, False);
    }
    ~SilentManager() {
        XDeleteProperty(display_, DefaultRootWindow(display_), Atom(AtomNamed()));
        XDestroyWindow(display_, check_);
        XSync(display_, False);
    }
    // What the manager would write once it got round to answering.
    void Answer(NativeWindow w, long left, long right, long top, long bottom) {
        const long extents[4] = {left, right, top, bottom};
        XChangeProperty(display_, testsupport::XWindowOf(w),
                        testsupport::AtomNamed("_NET_FRAME_EXTENTS"), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(extents), 4);
        XFlush(display_);
    }

  private:
    static unsigned long AtomNamed() { return testsupport::AtomNamed("_NET_SUPPORTING_WM_CHECK"); }
    void SetCheck(::Window on) {
        const long value = static_cast<long>(check_);
        XChangeProperty(display_, on, Atom(AtomNamed()), XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
    }

    Display* display_;
    ::Window check_ = 0;
};

TEST_F(Frames, AManagerThatNeverAnswersCostsNoWaitPerWindow) {
    if (WindowManagerPresent()) {
        GTEST_SKIP() << "needs a server without a window manager, to stand in for a silent one";
    }
    SilentManager manager;
    ASSERT_TRUE(WindowManagerPresent());
    std::vector<Recorder> logs(10);
    std::vector<NativeWindow> windows;
    const auto start = std::chrono::steady_clock::now();
    for (Recorder& log : logs) {
        windows.push_back(MakeTopLevel(log, {100, 100}, {200, 100}));
    }
    const auto spent = std::chrono::steady_clock::now() - start;
    // Ten windows, each of which used to wait half a second for the answer.
    EXPECT_LT(spent, std::chrono::milliseconds(1500));
    EXPECT_EQ(OuterSizeForClient(windows[0], {200, 100}), (Size{200, 100}));

    // A late answer still counts, for that window and for the next of its kind.
    manager.Answer(windows[9], 2, 3, 20, 4);
    ASSERT_TRUE(testsupport::PumpUntil([&] {
        return OuterSizeForClient(windows[9], {200, 100}) == Size{205, 124};
    }));
    Recorder later;
    EXPECT_EQ(OuterSizeForClient(MakeTopLevel(later), {200, 100}), (Size{205, 124}));
}

class SizeHints : public PlatformTest {};

TEST_F(SizeHints, FixedWindowsCannotBeResizedByTheUser) {
    Recorder log;
    NativeWindow w = MakeTopLevel(log, {100, 100}, {300, 200});
    EXPECT_EQ(MinimumSizeHint(w), (Size{300, 200}));
    EXPECT_EQ(MaximumSizeHint(w), (Size{300, 200}));
    // Resizing from code moves the limits along.
    MoveWindow(w, {100, 100}, {320, 210}, true);
    EXPECT_EQ(MinimumSizeHint(w), (Size{320, 210}));
    EXPECT_EQ(MaximumSizeHint(w), (Size{320, 210}));
}

TEST_F(SizeHints, ResizableWindowsKeepTheMinimumTrackingSize) {
    Recorder log;
    TopLevelStyle style;
    style.resizable = true;
    NativeWindow w = MakeTopLevel(log, {100, 100}, {300, 200}, style);
    // Never smaller than created.
    EXPECT_EQ(MinimumSizeHint(w), (Size{300, 200}));
    EXPECT_EQ(MaximumSizeHint(w), (Size{}));
    const Size frame = OuterSizeForClient(w, {0, 0});
    SetMinimumOuterSize(w, {400 + frame.width, 250 + frame.height});
    EXPECT_EQ(MinimumSizeHint(w), (Size{400, 250}));
}

TEST_F(SizeHints, ManagerKeepsAResizableWindowAboveItsMinimum) {
    if (!WindowManagerPresent()) {
        GTEST_SKIP() << "needs a window manager to enforce hints";
    }
    Recorder log;
    TopLevelStyle style;
    style.resizable = true;
    NativeWindow w = MakeTopLevel(log, {100, 100}, {300, 200}, style);
    ShowAndSettle(w, log);
    // A request from another client (as a user's drag would be) is held to the hints.
    testsupport::ResizeFromOutside(w, {100, 80});
    testsupport::PumpFor(std::chrono::milliseconds(200));
    const Size size = GetClientSize(w);
    EXPECT_GE(size.width, 300);
    EXPECT_GE(size.height, 200);
}

class ManagerHints : public PlatformTest {};

TEST_F(ManagerHints, OwnerStackingTitleAndIcon) {
    Recorder ownerLog;
    Recorder dialogLog;
    NativeWindow owner = MakeTopLevel(ownerLog);
    TopLevelStyle topmost;
    topmost.topmost = true;
    NativeWindow dialog = MakeTopLevel(dialogLog, {150, 150}, {100, 80}, topmost, owner);
    EXPECT_EQ(ReadProperty32(dialog, "WM_TRANSIENT_FOR"),
              (std::vector<unsigned long>{testsupport::XWindowOf(owner)}));
    const std::vector<unsigned long> state = ReadProperty32(dialog, "_NET_WM_STATE");
    EXPECT_NE(std::find(state.begin(), state.end(), testsupport::AtomNamed("_NET_WM_STATE_ABOVE")),
              state.end());
    EXPECT_EQ(ReadProperty32(dialog, "WM_PROTOCOLS"),
              (std::vector<unsigned long>{testsupport::AtomNamed("WM_DELETE_WINDOW")}));

    SetWindowTitle(owner, "Kestrel 3D – Setup");
    EXPECT_EQ(testsupport::ReadPropertyText(owner, "_NET_WM_NAME"), "Kestrel 3D – Setup");
    const uint32_t small[4] = {0xFF102030, 0x80FFFFFF, 0, 0xFFFF0000};
    const uint32_t large[9] = {};
    AddWindowIcon(owner, small, 2, 2);
    AddWindowIcon(owner, large, 3, 3);
    const std::vector<unsigned long> icon = ReadProperty32(owner, "_NET_WM_ICON");
    ASSERT_EQ(icon.size(), 2u + 4u + 2u + 9u);
    EXPECT_EQ(icon[0], 2u);
    EXPECT_EQ(icon[1], 2u);
    EXPECT_EQ(icon[2], 0xFF102030u);
    EXPECT_EQ(icon[5], 0xFFFF0000u);
    EXPECT_EQ(icon[6], 3u);
}

TEST_F(ManagerHints, BorderlessAndFixedWindowsAskForTheirDecorations) {
    Recorder log;
    TopLevelStyle borderless;
    borderless.borderless = true;
    NativeWindow w = MakeTopLevel(log, {100, 100}, {50, 50}, borderless);
    const std::vector<unsigned long> hints = ReadProperty32(w, "_MOTIF_WM_HINTS");
    ASSERT_EQ(hints.size(), 5u);
    EXPECT_EQ(hints[2], 0u);  // no decorations at all
    Recorder framedLog;
    TopLevelStyle minimizable;
    minimizable.minimizeBox = true;
    NativeWindow f = MakeTopLevel(framedLog, {100, 100}, {50, 50}, minimizable);
    const std::vector<unsigned long> framed = ReadProperty32(f, "_MOTIF_WM_HINTS");
    ASSERT_EQ(framed.size(), 5u);
    EXPECT_NE(framed[2] & 32u, 0u);  // minimise button
    EXPECT_EQ(framed[2] & 64u, 0u);  // no maximise button on a fixed window
}

}  // namespace
}  // namespace platformtest
