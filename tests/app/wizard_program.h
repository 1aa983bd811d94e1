// The built installer driven from outside as a user meets it: the program started on the X server
// over a Wine prefix, its window found by title, clicked with XTest, its pixels read back.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/fanotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/WizardTexts.h"
#include "support/ProgramRun.h"
#include "support/worker_test_support.h"
#include "wizard_support.h"

// Last: Xlib's macros (None, Bool, ...) would spoil the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

extern char** environ;

namespace wizardtest {

using namespace std::chrono_literals;
using testsupport::PumpUntil;

// The program's top-level window, found by its title wherever a window manager framed it.
inline ::Window FindWindowNamed(Display* display, ::Window parent, const char* title) {
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

// The viewable child windows of `parent`, left to right: a dialog's buttons.
inline std::vector<::Window> ChildrenLeftToRight(Display* display, ::Window parent) {
    ::Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    std::vector<std::pair<int, ::Window>> found;
    if (XQueryTree(display, parent, &root, &up, &children, &count)) {
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable) {
                found.emplace_back(attributes.x, children[i]);
            }
        }
        XFree(children);
    }
    std::sort(found.begin(), found.end());
    std::vector<::Window> windows;
    for (const auto& [x, window] : found) {
        windows.push_back(window);
    }
    return windows;
}

// Holds every opening of a file in `folder` until released, as a stalled disk would hold a
// writer there. Built on the kernel's permission events, which need CAP_SYS_ADMIN.
class FileOpenGate {
  public:
    explicit FileOpenGate(const std::filesystem::path& folder)
        : fd_(fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_NONBLOCK, O_RDONLY)) {
        if (fd_ >= 0 && fanotify_mark(fd_, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_EVENT_ON_CHILD,
                                      AT_FDCWD, folder.c_str()) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~FileOpenGate() { Release(); }
    bool Works() const { return fd_ >= 0; }

    // True once some opening is being held.
    bool Holding() {
        alignas(fanotify_event_metadata) char buffer[4096];
        const ssize_t length = fd_ < 0 ? -1 : read(fd_, buffer, sizeof buffer);
        auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
        for (ssize_t left = length; FAN_EVENT_OK(event, left);
             event = FAN_EVENT_NEXT(event, left)) {
            held_.push_back(event->fd);
        }
        return !held_.empty();
    }
    // Lets the held openings go on, and every later one.
    void Release() {
        for (const int opened : held_) {
            const fanotify_response allow{opened, FAN_ALLOW};
            EXPECT_EQ(write(fd_, &allow, sizeof allow), static_cast<ssize_t>(sizeof allow));
            close(opened);
        }
        held_.clear();
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_;
    std::vector<int> held_;
};

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
        desktop_.reset();
        WizardTest::TearDown();
    }

    // Starts the program as the launcher would have restarted it, over a prefix that `prepare`
    // may touch first, on a desktop of scale_, and waits for its window.
    void Start(const std::vector<Host>& hosts, const std::function<void()>& prepare = {}) {
        prefix_ = MakePrefix(hosts);
        if (scale_ != 1) {
            AskForDpi(96 * scale_);
        }
        if (prepare) {
            prepare();
        }
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr);
        testsupport::ParkPointer();
        std::vector<std::string> command = Command();
        std::vector<char*> argv;
        for (std::string& argument : command) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        ASSERT_EQ(posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ), 0);
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
            return Pixel({400, 20}) == LwGrey(45) && Pixel({407, 322}) == LwGrey(54);
        }));
        // The banner's warm sand, not the window's grey: the pictures decoded.
        const LwColor sand = Pixel({5, 300});
        EXPECT_GT(sand.r, sand.b + 40);
        cancelLook_ = Pixels(kCancel);
        // A window manager takes clicks for itself until it has made the new window the active one.
        ASSERT_TRUE(PumpUntil([&] { return HoldsFocus(); }));
    }

    // The prefix the program runs over, and how it is started: as the launcher would have
    // restarted it.
    virtual std::unique_ptr<HostPrefix> MakePrefix(const std::vector<Host>& hosts) {
        return std::make_unique<HostPrefix>(hosts);
    }
    virtual std::vector<std::string> Command() { return {KESTREL_INSTALLER_PATH, "/UAC"}; }
    // Sets the desktop's resolution as its settings would, for the program about to start: here
    // the X resources' Xft.dpi, restored when the test ends.
    virtual void AskForDpi(int dpi) { desktop_.emplace("Xft.dpi:\t" + std::to_string(dpi) + "\n"); }
    // Pixels per logical unit of the desktop the program starts on (a whole number): the
    // resolution KESTREL_TEST_DPI names, over 96.
    static int DesktopScale() {
        const char* dpi = std::getenv("KESTREL_TEST_DPI");
        return dpi ? std::max(1, std::atoi(dpi) / 96) : 1;
    }
    int scale_ = DesktopScale();

    bool HoldsFocus(::Window window = 0) {
        window = window ? window : window_;
        Atom type = 0;
        int format = 0;
        unsigned long length = 0, after = 0;
        unsigned char* active = nullptr;
        if (XGetWindowProperty(display_, DefaultRootWindow(display_),
                               XInternAtom(display_, "_NET_ACTIVE_WINDOW", False), 0, 1, False,
                               XA_WINDOW, &type, &format, &length, &after, &active) == Success &&
            active) {
            const bool ours = length == 1 && *reinterpret_cast<unsigned long*>(active) == window;
            XFree(active);
            return ours;
        }
        ::Window focus = 0;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        if (focus == PointerRoot || focus == None || focus == DefaultRootWindow(display_)) {
            return true;  // nobody holds the focus: the clicks go where the pointer is
        }
        for (::Window w = focus; w && w != PointerRoot;) {
            if (w == window) {
                return true;
            }
            ::Window root = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(display_, w, &root, &parent, &children, &count)) {
                return false;
            }
            if (children) {
                XFree(children);
            }
            w = parent == root ? 0 : parent;
        }
        return false;
    }

    // Places and sizes below are the window's logical units, multiplied here to its pixels;
    // ToScreen alone takes pixels.
    LwPoint ToScreen(LwPoint client) {
        int x = 0, y = 0;
        ::Window child = 0;
        XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), client.x, client.y,
                              &x, &y, &child);
        return {x, y};
    }
    LwRect ToPixels(const LwRect& client) const {
        return {client.x * scale_, client.y * scale_, client.width * scale_,
                client.height * scale_};
    }
    // Row by row, every pixel of the rectangle.
    std::vector<uint32_t> Pixels(const LwRect& client) {
        const LwRect pixels = ToPixels(client);
        const LwPoint at = ToScreen({pixels.x, pixels.y});
        XImage* image = XGetImage(display_, DefaultRootWindow(display_), at.x, at.y,
                                  static_cast<unsigned>(pixels.width),
                                  static_cast<unsigned>(pixels.height), AllPlanes, ZPixmap);
        std::vector<uint32_t> found;
        for (int y = 0; image && y < pixels.height; ++y) {
            for (int x = 0; x < pixels.width; ++x) {
                found.push_back(static_cast<uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF));
            }
        }
        if (image) {
            XDestroyImage(image);
        }
        return found;
    }
    // The first pixel of a logical point.
    LwColor Pixel(LwPoint client) {
        const uint32_t p = Pixels({client.x, client.y, 1, 1}).at(0);
        return LwColor{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255};
    }
    // Clicks a client point of the program's window, a few units aside from the last click.
    void Click(LwPoint client) {
        nudge_ = -nudge_;
        const LwRect at = ToPixels({client.x + nudge_, client.y, 1, 1});
        testsupport::MovePointerToScreen(ToScreen({at.x, at.y}));
        testsupport::Click(1);
    }
    // The sizes of the images in the window's _NET_WM_ICON, in order.
    std::vector<int> IconSizes() {
        Atom type = 0;
        int format = 0;
        unsigned long length = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<int> sizes;
        if (XGetWindowProperty(display_, window_, XInternAtom(display_, "_NET_WM_ICON", False), 0,
                               1 << 20, False, XA_CARDINAL, &type, &format, &length, &after,
                               &data) != Success ||
            !data) {
            return sizes;
        }
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i + 1 < length; i += 2 + values[i] * values[i + 1]) {
            EXPECT_EQ(values[i], values[i + 1]);
            sizes.push_back(static_cast<int>(values[i]));
        }
        XFree(data);
        return sizes;
    }
    // From the welcome page to the installation, every host as ticked at start; `reached` is
    // told each page's name once it shows.
    void ClickThroughToInstallation(const std::function<void(const char*)>& reached = {}) {
        const auto show = [&](const char* page) {
            if (reached) {
                reached(page);
            }
        };
        show("1-welcome");
        Click(kNext);
        ASSERT_TRUE(PumpUntil([&] { return Pixel({250, 150}) == (LwColor{255, 255, 255, 255}); }));
        show("2-licence");
        Click(kAccept);  // the licence page's "I ACCEPT"
        // The host page: the first check box stands where the licence was, ticked.
        ASSERT_TRUE(PumpUntil([&] { return Pixel({250, 150}) == LwGrey(45); }));
        EXPECT_NE(Pixel({186, 121}), LwGrey(45));
        show("3-hosts");
        Click(kNext);
        ASSERT_TRUE(PumpUntil([&] { return Pixel({400, 250}) == LwGrey(30); }));  // the summary
        show("4-summary");
        Click(kNext);
    }
    // After ClickThroughToInstallation over hosts in slots 1 (32-bit view) and 5 (64-bit view):
    // the worker's files, then "Finish" in place of "Cancel", its click, and exit code 0.
    void ExpectBothViewsInstalledThenFinishExitsZero() {
        const auto plugin32 = prefix_->PluginOf(HostFolder(1));
        const auto plugin64 = prefix_->PluginOf(HostFolder(5));
        ASSERT_TRUE(PumpUntil(
            [&] { return workertest::Exists(plugin32) && workertest::Exists(plugin64); }, 20s));
        ASSERT_TRUE(PumpUntil([&] { return Pixels(kCancel) != cancelLook_; }, 10s));
        EXPECT_EQ(workertest::ReadFile(plugin32), Payload(300));
        EXPECT_EQ(workertest::ReadFile(plugin64), Payload(400));
        Click({447, 335});  // "Finish"
        int code = -1;
        ASSERT_TRUE(PumpUntil([&] { return Exited(&code); }, 10s));
        EXPECT_EQ(code, 0);
    }
    // The whole installation with keys alone, from the welcome page to the exit: the focus mark
    // going round by Tab, Escape's question answered "NO" with Escape, Enter through the
    // pages, Page Down on the licence, and Enter on "Finish". No click is made.
    void KeyThroughInstallationThenExitZero() {
        // As a window manager gives it to the window the user activates: without one, a Wine
        // window takes no keys until it was activated.
        GiveFocus(window_);
        const LwPoint nextMark{293, 323};    // the first dot of the mark inside "Next >"
        const LwPoint cancelMark{408, 323};  // and inside "Cancel"
        const LwColor unmarked = Pixel(nextMark);
        const LwColor cancelUnmarked = Pixel(cancelMark);
        // Round the welcome page's order from its default button: Cancel, then Next > again, and
        // never the disabled "< Back". The first Tab is repeated until it is seen: a Wine window
        // takes keys only once Wine itself has seen the focus arrive.
        bool cancelMarked = false;
        for (int attempt = 0; attempt < 3 && !cancelMarked; ++attempt) {
            Key(XK_Tab);
            cancelMarked = PumpUntil([&] { return Pixel(cancelMark) != cancelUnmarked; }, 2s);
        }
        ASSERT_TRUE(cancelMarked);
        EXPECT_EQ(Pixel(nextMark), unmarked);
        Key(XK_Tab);
        ASSERT_TRUE(PumpUntil(
            [&] { return Pixel(nextMark) != unmarked && Pixel(cancelMark) == cancelUnmarked; }));
        EXPECT_GT(Pixel(nextMark).g, 180);

        Key(XK_Escape);
        ::Window dialog = 0;
        ASSERT_TRUE(PumpUntil([&] {
            dialog = FindWindowNamed(display_, DefaultRootWindow(display_), kCancelTitle);
            XWindowAttributes attributes;
            return dialog && XGetWindowAttributes(display_, dialog, &attributes) &&
                   attributes.map_state == IsViewable;
        }));
        GiveFocus(dialog);
        Key(XK_Escape);
        ASSERT_TRUE(PumpUntil(
            [&] { return !FindWindowNamed(display_, DefaultRootWindow(display_), kCancelTitle); }));
        GiveFocus(window_);

        Key(XK_Return);
        ASSERT_TRUE(PumpUntil([&] { return Pixel({250, 150}) == (LwColor{255, 255, 255, 255}); }));
        const LwRect licence{190, 70, 250, 200};
        const std::vector<uint32_t> top = Pixels(licence);
        Key(XK_Next);
        ASSERT_TRUE(PumpUntil([&] { return Pixels(licence) != top; }));
        Key(XK_Return);
        ASSERT_TRUE(PumpUntil([&] { return Pixel({250, 150}) == LwGrey(45); }));
        Key(XK_Return);
        ASSERT_TRUE(PumpUntil([&] { return Pixel({400, 250}) == LwGrey(30); }));
        // Ctrl+A marks the whole summary; Ctrl+C puts it on the desktop's clipboard.
        Key(XK_a, XK_Control_L);
        ASSERT_TRUE(PumpUntil([&] { return Pixel({181, 111}) == (LwColor{0, 120, 215, 255}); }));
        Key(XK_c, XK_Control_L);
        ASSERT_TRUE(PumpUntil(
            [&] { return Clipboard().find("Installing Kestrel 3D on:") != std::string::npos; },
            15s));
        EXPECT_NE(Clipboard().find("CC: "), std::string::npos) << Clipboard();
        const LwRect cancelLabel{420, 330, 55, 10};  // inside the focus mark
        const std::vector<uint32_t> cancel = Pixels(cancelLabel);
        Key(XK_Return);
        const auto plugin32 = prefix_->PluginOf(HostFolder(1));
        const auto plugin64 = prefix_->PluginOf(HostFolder(5));
        ASSERT_TRUE(PumpUntil([&] { return Pixels(cancelLabel) != cancel; }, 20s));  // "Finish"
        EXPECT_EQ(workertest::ReadFile(plugin32), Payload(300));
        EXPECT_EQ(workertest::ReadFile(plugin64), Payload(400));
        Key(XK_Return);
        int code = -1;
        ASSERT_TRUE(PumpUntil([&] { return Exited(&code); }, 10s));
        EXPECT_EQ(code, 0);
    }
    void GiveFocus(::Window window) {
        XSetInputFocus(display_, window, RevertToParent, CurrentTime);
        XSync(display_, False);
        ASSERT_TRUE(PumpUntil([&] { return HoldsFocus(window); }));
    }
    // Taps a key, with a modifier held when one is given, and lets the program see it.
    void Key(unsigned long keysym, unsigned long modifier = 0) {
        if (modifier) {
            testsupport::PressKey(modifier);
        }
        testsupport::TapKey(keysym);
        if (modifier) {
            testsupport::ReleaseKey(modifier);
        }
        XSync(display_, False);
    }
    // What another program pastes from the clipboard now.
    // Each asking is cut short after a few seconds, so that a wait asks again: under load,
    // Wine's export of the clipboard to X has left a request unanswered (xclip then waits for
    // good), twice in some twenty walks here.
    std::string Clipboard() {
        return testsupport::RunWith("/usr/bin/timeout",
                                    {"3", "/usr/bin/xclip", "-o", "-selection", "clipboard"},
                                    {{"DISPLAY", DisplayString(display_)}})
            .out;
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

  private:
    std::optional<testsupport::DesktopResources> desktop_;
};

}  // namespace wizardtest
