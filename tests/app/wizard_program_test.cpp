// The built installer as a user meets it: the program started on the X server over a Wine prefix
// with hosts in both registry views, clicked through from outside, its files and exit code checked.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <functional>
#include <string>
#include <vector>

#include "app/WizardTexts.h"
#include "app/worker_test_support.h"
#include "wizard_support.h"

// Last: Xlib's macros (None, Bool, ...) would spoil the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using namespace wizardtest;
using testsupport::PumpUntil;

// The program's top-level window, found by its title wherever a window manager framed it.
::Window FindWindowNamed(Display* display, ::Window parent, const char* title) {
    Atom type = 0;
    int format = 0;
    unsigned long length = 0, after = 0;
    unsigned char* name = nullptr;
    if (XGetWindowProperty(display, parent, XInternAtom(display, "_NET_WM_NAME", False), 0, 256,
                           False, AnyPropertyType, &type, &format, &length, &after,
                           &name) == Success &&
        name) {
        const bool found = std::string(reinterpret_cast<char*>(name), length) == title;
        XFree(name);
        if (found) {
            return parent;
        }
    }
    ::Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    ::Window found = 0;
    if (XQueryTree(display, parent, &root, &up, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) {
            found = FindWindowNamed(display, children[i], title);
        }
        XFree(children);
    }
    return found;
}

class WizardProgram : public WizardTest {
  protected:
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (display_) {
            XCloseDisplay(display_);
        }
        WizardTest::TearDown();
    }

    // Starts the program as the launcher would have restarted it, and waits for its window.
    void Start(const std::vector<Host>& hosts) {
        prefix_ = std::make_unique<HostPrefix>(hosts);
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr);
        testsupport::ParkPointer();
        char program[] = KESTREL_INSTALLER_PATH;
        char marker[] = "/UAC";
        char* argv[] = {program, marker, nullptr};
        ASSERT_EQ(posix_spawn(&pid_, program, nullptr, nullptr, argv, environ), 0);
        ASSERT_TRUE(PumpUntil(
            [&] {
                window_ = FindWindowNamed(display_, DefaultRootWindow(display_), kWizardTitle);
                XWindowAttributes attributes;
                return window_ && XGetWindowAttributes(display_, window_, &attributes) &&
                       attributes.map_state == IsViewable;
            },
            10s));
        // Painted, buttons included: the idle fill inside Cancel, then the look of its label.
        ASSERT_TRUE(PumpUntil([&] {
            return Pixel(LwPoint{400, 20}) == LwGrey(45) && Pixel({407, 322}) == LwGrey(54);
        }));
        cancelLook_ = Pixels(kCancel);
    }

    LwPoint ToScreen(LwPoint client) {
        int x = 0, y = 0;
        ::Window child = 0;
        XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), client.x, client.y,
                              &x, &y, &child);
        return {x, y};
    }
    std::vector<uint32_t> Pixels(const LwRect& client) {
        const LwPoint at = ToScreen({client.x, client.y});
        XImage* image = XGetImage(display_, DefaultRootWindow(display_), at.x, at.y,
                                  static_cast<unsigned>(client.width),
                                  static_cast<unsigned>(client.height), AllPlanes, ZPixmap);
        std::vector<uint32_t> pixels;
        for (int y = 0; image && y < client.height; ++y) {
            for (int x = 0; x < client.width; ++x) {
                pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF));
            }
        }
        if (image) {
            XDestroyImage(image);
        }
        return pixels;
    }
    LwColor Pixel(LwPoint client) {
        const uint32_t p = Pixels({client.x, client.y, 1, 1}).at(0);
        return LwColor{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255};
    }
    // Clicks a client point of the program's window, a few pixels aside from the last click.
    void Click(LwPoint client) {
        nudge_ = -nudge_;
        testsupport::MovePointerToScreen(ToScreen({client.x + nudge_, client.y}));
        testsupport::Click(1);
    }
    bool Exited(int* code) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_) {
            return false;
        }
        pid_ = 0;
        *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }

    static constexpr LwPoint kNext{332, 335};
    static constexpr LwPoint kAccept{325, 335};
    static constexpr LwRect kCancel{410, 325, 75, 20};

    Display* display_ = nullptr;
    ::Window window_ = 0;
    pid_t pid_ = 0;
    int nudge_ = 6;
    std::vector<uint32_t> cancelLook_;
};

TEST_F(WizardProgram, ClickedThroughItInstallsBothViewsAndExitsZero) {
    Start({{1, false, HostFolder(1)}, {5, true, HostFolder(5)}});
    Click(kNext);
    ASSERT_TRUE(PumpUntil([&] { return Pixel({250, 150}) == (LwColor{255, 255, 255, 255}); }));
    Click(kAccept);  // the licence page's "I ACCEPT"
    // The host page: the first check box stands where the licence was, ticked.
    ASSERT_TRUE(PumpUntil([&] { return Pixel({250, 150}) == LwGrey(45); }));
    EXPECT_NE(Pixel({186, 121}), LwGrey(45));
    Click(kNext);
    ASSERT_TRUE(PumpUntil([&] { return Pixel({400, 250}) == LwGrey(30); }));  // the summary
    Click(kNext);
    // Installed: the worker's files, then "Finish" in place of "Cancel".
    ASSERT_TRUE(PumpUntil(
        [&] {
            return workertest::Exists(prefix_->PluginOf(HostFolder(1))) &&
                   workertest::Exists(prefix_->PluginOf(HostFolder(5)));
        },
        10s));
    ASSERT_TRUE(PumpUntil([&] { return Pixels(kCancel) != cancelLook_; }, 10s));
    EXPECT_EQ(workertest::ReadFile(prefix_->PluginOf(HostFolder(1))), Payload(300));
    EXPECT_EQ(workertest::ReadFile(prefix_->PluginOf(HostFolder(5))), Payload(400));
    Click({447, 335});
    int code = -1;
    ASSERT_TRUE(PumpUntil([&] { return Exited(&code); }));
    EXPECT_EQ(code, 0);
}

}  // namespace
