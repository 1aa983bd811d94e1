// The GUI test harness: display selection, pumping with deadlines, XTest input and pixel reads.
#include "support/XTestHarness.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/x11/x11_access.h"

// X headers last: their macros (None, Bool, Status...) must not reach GoogleTest's headers.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace testsupport {
namespace {

Display* Connection() {
    return platform::x11::TestDisplay();
}

::Window XidOf(platform::NativeWindow window) {
    if (!window) {
        return DefaultRootWindow(Connection());
    }
    return static_cast<::Window>(platform::x11::TestWindowId(window));
}

void Flush() {
    if (Display* display = Connection()) {
        XSync(display, False);
    }
}

}  // namespace

bool UseTestDisplay() {
    static const bool usable = [] {
        if (const char* folder = std::getenv("KESTREL_TEST_XSERVER")) {
            std::ifstream file(std::string(folder) + "/display");
            std::string name;
            if (!(file >> name)) {
                return false;
            }
            setenv("DISPLAY", name.c_str(), 1);
        } else if (!std::getenv("DISPLAY")) {
            return false;
        }
        return Connection() != nullptr;
    }();
    return usable;
}

bool WindowManagerPresent() {
    Display* display = Connection();
    if (!display) {
        return false;
    }
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const bool present =
        XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        count == 1;
    if (data) {
        XFree(data);
    }
    return present;
}

void GuiTest::SetUp() {
    if (!UseTestDisplay()) {
        // xserver.sh leaves the reason when a server it was asked for cannot run here.
        if (const char* folder = std::getenv("KESTREL_TEST_XSERVER")) {
            std::ifstream file(std::string(folder) + "/unavailable");
            std::string reason;
            if (std::getline(file, reason)) {
                GTEST_SKIP() << "the X server these tests need cannot run here: " << reason;
            }
        }
        GTEST_SKIP() << "no X server: set KESTREL_TEST_XSERVER (see tests/support/xserver.sh) "
                        "or DISPLAY";
    }
}

void GuiTest::TearDown() {
    for (platform::NativeWindow w : windows_) {
        platform::DestroyWindow(w);
    }
    windows_.clear();
    if (Connection()) {
        // Leave no button or grab behind for the next test, and let the server settle.
        platform::ReleaseCapture();
        PumpFor(30ms);
    }
}

platform::NativeWindow GuiTest::Track(platform::NativeWindow window) {
    windows_.push_back(window);
    return window;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        platform::Message message;
        while (platform::PeekMessage(message)) {
            platform::DispatchMessage(message);
            if (done()) {
                return true;
            }
            if (std::chrono::steady_clock::now() >= end) {
                return false;  // a steady stream of messages must not hold the deadline off
            }
        }
        if (done()) {
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        // Some conditions follow server state that arrives without a message of its own (a
        // window manager moving a window), so the wait is cut short to look again.
        platform::WaitMessageFor(static_cast<unsigned>(std::min<long long>(left.count(), 20)));
    }
}

void PumpFor(std::chrono::milliseconds span) {
    PumpUntil([] { return false; }, span);
}

void Settle() {
    Display* display = Connection();
    for (bool handled = true; handled;) {
        XSync(display, False);
        handled = false;
        platform::Message message;
        while (platform::PeekMessage(message)) {
            platform::DispatchMessage(message);
            handled = true;
        }
    }
}

bool WaitUntilViewable(platform::NativeWindow window, std::chrono::milliseconds deadline) {
    Display* display = Connection();
    const bool viewable = PumpUntil(
        [&] {
            XWindowAttributes attributes;
            return XGetWindowAttributes(display, XidOf(window), &attributes) &&
                   attributes.map_state == IsViewable;
        },
        deadline);
    Settle();
    return viewable;
}

void MovePointerToScreen(platform::Point screen) {
    XTestFakeMotionEvent(Connection(), -1, screen.x, screen.y, CurrentTime);
    Flush();
}

platform::Point ScreenPointOnServer(platform::NativeWindow window, platform::Point client) {
    Display* display = Connection();
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(display, XidOf(window), DefaultRootWindow(display), client.x, client.y,
                          &x, &y, &child);
    return {x, y};
}

void ParkPointer() {
    Display* display = Connection();
    const int screen = DefaultScreen(display);
    MovePointerToScreen({DisplayWidth(display, screen) - 1, DisplayHeight(display, screen) - 1});
}

platform::Rect ClientRectOnServer(platform::NativeWindow window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(Connection(), XidOf(window), &attributes)) {
        return {};
    }
    const platform::Point origin = ScreenPointOnServer(window, {0, 0});
    return {origin.x, origin.y, attributes.width, attributes.height};
}

void MovePointer(platform::NativeWindow window, platform::Point client) {
    MovePointerToScreen(ScreenPointOnServer(window, client));
}

bool PointerIsOver(platform::NativeWindow window) {
    Display* display = Connection();
    ::Window current = DefaultRootWindow(display);
    for (;;) {
        ::Window root = 0, child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned mask = 0;
        if (!XQueryPointer(display, current, &root, &child, &rootX, &rootY, &x, &y, &mask) ||
            child == 0) {
            return current == XidOf(window);
        }
        current = child;
    }
}

bool MovePointerOnto(platform::NativeWindow window, platform::Point client,
                     std::chrono::milliseconds deadline) {
    return PumpUntil(
        [&] {
            const platform::Point screen = ScreenPointOnServer(window, client);
            MovePointerToScreen(screen);
            int x = 0, y = 0, clientX = 0, clientY = 0;
            ::Window root = 0, child = 0;
            unsigned mask = 0;
            XQueryPointer(Connection(), DefaultRootWindow(Connection()), &root, &child, &x, &y,
                          &clientX, &clientY, &mask);
            return x == screen.x && y == screen.y && PointerIsOver(window);
        },
        deadline);
}

void PressButton(unsigned button) {
    XTestFakeButtonEvent(Connection(), button, True, CurrentTime);
    Flush();
}

void ReleaseButton(unsigned button) {
    XTestFakeButtonEvent(Connection(), button, False, CurrentTime);
    Flush();
}

void Click(unsigned button, int times) {
    // Sent together, so that the server stamps them close whatever the load on this process.
    for (int i = 0; i < times; ++i) {
        XTestFakeButtonEvent(Connection(), button, True, CurrentTime);
        XTestFakeButtonEvent(Connection(), button, False, CurrentTime);
    }
    Flush();
}

void WheelNotches(int notches) {
    const unsigned button = notches > 0 ? 4 : 5;
    for (int i = 0; i < std::abs(notches); ++i) {
        Click(button);
    }
}

namespace {

// Shift is needed when the symbol sits on the key's second level.
bool NeedsShift(Display* display, KeyCode code, unsigned long keysym) {
    return XkbKeycodeToKeysym(display, code, 0, 0) != keysym &&
           XkbKeycodeToKeysym(display, code, 0, 1) == keysym;
}

void SendKey(unsigned long keysym, bool press) {
    Display* display = Connection();
    const KeyCode code = XKeysymToKeycode(display, keysym);
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    const bool shifted = code && NeedsShift(display, code, keysym);
    if (shifted && press) {
        XTestFakeKeyEvent(display, shift, True, CurrentTime);
    }
    XTestFakeKeyEvent(display, code, press, CurrentTime);
    if (shifted && !press) {
        XTestFakeKeyEvent(display, shift, False, CurrentTime);
    }
    Flush();
}

}  // namespace

void PressKey(unsigned long keysym) {
    SendKey(keysym, true);
}
void ReleaseKey(unsigned long keysym) {
    SendKey(keysym, false);
}

void TapKey(unsigned long keysym) {
    PressKey(keysym);
    ReleaseKey(keysym);
}

std::vector<platform::Rgba> ReadPixels(platform::NativeWindow window, const platform::Rect& r) {
    std::vector<platform::Rgba> pixels;
    Display* display = Connection();
    if (!display || r.IsEmpty()) {
        return pixels;
    }
    XSync(display, False);
    XImage* image =
        XGetImage(display, XidOf(window), r.x, r.y, r.width, r.height, AllPlanes, ZPixmap);
    if (!image) {
        return pixels;
    }
    pixels.reserve(size_t(r.width) * r.height);
    for (int y = 0; y < r.height; ++y) {
        for (int x = 0; x < r.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            pixels.push_back({static_cast<uint8_t>((p & image->red_mask) >> 16),
                              static_cast<uint8_t>((p & image->green_mask) >> 8),
                              static_cast<uint8_t>(p & image->blue_mask), 255});
        }
    }
    XDestroyImage(image);
    return pixels;
}

platform::Rgba ReadPixel(platform::NativeWindow window, int x, int y) {
    const auto pixels = ReadPixels(window, {x, y, 1, 1});
    return pixels.empty() ? platform::Rgba{} : pixels.front();
}

platform::Rect FrameRectFromServer(platform::NativeWindow window) {
    Display* display = Connection();
    XSync(display, False);
    // Climb to the child of the root: the manager's frame, or the window itself.
    ::Window current = XidOf(window);
    for (;;) {
        ::Window root = 0;
        ::Window parent = 0;
        ::Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, current, &root, &parent, &children, &count)) {
            return {};
        }
        if (children) {
            XFree(children);
        }
        if (parent == root || parent == 0) {
            break;
        }
        current = parent;
    }
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, current, &attributes)) {
        return {};
    }
    return {attributes.x, attributes.y, attributes.width + 2 * attributes.border_width,
            attributes.height + 2 * attributes.border_width};
}

void SendDeleteWindow(platform::NativeWindow window) {
    Display* display = Connection();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = XidOf(window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, XidOf(window), False, NoEventMask, &event);
    Flush();
}

namespace {

XSizeHints NormalHints(platform::NativeWindow window) {
    XSizeHints hints{};
    long supplied = 0;
    if (!XGetWMNormalHints(Connection(), XidOf(window), &hints, &supplied)) {
        hints.flags = 0;
    }
    return hints;
}

}  // namespace

platform::Size MinimumSizeHint(platform::NativeWindow window) {
    const XSizeHints hints = NormalHints(window);
    return hints.flags & PMinSize ? platform::Size{hints.min_width, hints.min_height}
                                  : platform::Size{};
}

platform::Size MaximumSizeHint(platform::NativeWindow window) {
    const XSizeHints hints = NormalHints(window);
    return hints.flags & PMaxSize ? platform::Size{hints.max_width, hints.max_height}
                                  : platform::Size{};
}

unsigned long AtomNamed(const char* name) {
    return XInternAtom(Connection(), name, False);
}

unsigned long XWindowOf(platform::NativeWindow window) {
    return XidOf(window);
}

namespace {

// Calls `use` with the property's items when it exists in the given format (8 or 32).
template <class Use>
void WithProperty(platform::NativeWindow window, const char* name, int wantedFormat, Use use) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(Connection(), XidOf(window), AtomNamed(name), 0, 1 << 20, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
        data && format == wantedFormat) {
        use(data, count);
    }
    if (data) {
        XFree(data);
    }
}

}  // namespace

std::vector<unsigned long> ReadProperty32(platform::NativeWindow window, const char* name) {
    std::vector<unsigned long> values;
    WithProperty(window, name, 32, [&](const unsigned char* data, unsigned long count) {
        // Xlib hands format-32 items over as longs, sign-extended on 64-bit machines.
        const long* longs = reinterpret_cast<const long*>(data);
        for (unsigned long i = 0; i < count; ++i) {
            values.push_back(static_cast<unsigned long>(longs[i]) & 0xFFFFFFFFul);
        }
    });
    return values;
}

std::string ReadPropertyText(platform::NativeWindow window, const char* name) {
    std::string text;
    WithProperty(window, name, 8, [&](const unsigned char* data, unsigned long count) {
        text.assign(reinterpret_cast<const char*>(data), count);
    });
    return text;
}

void ResizeFromOutside(platform::NativeWindow window, platform::Size size) {
    XResizeWindow(Connection(), XidOf(window), static_cast<unsigned>(size.width),
                  static_cast<unsigned>(size.height));
    Flush();
}

void ExposeArea(platform::NativeWindow window, const platform::Rect& r) {
    XClearArea(Connection(), XidOf(window), r.x, r.y, static_cast<unsigned>(r.width),
               static_cast<unsigned>(r.height), True);
    Flush();
}

void FocusFromOutside(platform::NativeWindow window) {
    XSetInputFocus(Connection(), XidOf(window), RevertToParent, CurrentTime);
    Flush();
}

bool HoldsInputFocus(platform::NativeWindow window) {
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(Connection(), &focus, &revert);
    return focus != 0 && focus == XidOf(window);
}

namespace {

void SetRootResources(const std::string& resources) {
    XChangeProperty(Connection(), DefaultRootWindow(Connection()), XA_RESOURCE_MANAGER, XA_STRING,
                    8, PropModeReplace, reinterpret_cast<const unsigned char*>(resources.data()),
                    static_cast<int>(resources.size()));
    Flush();
}

}  // namespace

DesktopResources::DesktopResources(const std::string& resources) {
    WithProperty(nullptr, "RESOURCE_MANAGER", 8, [&](const unsigned char* data, unsigned long n) {
        previous_.assign(reinterpret_cast<const char*>(data), n);
        hadPrevious_ = true;
    });
    SetRootResources(resources);
}

DesktopResources::~DesktopResources() {
    if (hadPrevious_) {
        SetRootResources(previous_);
    } else {
        XDeleteProperty(Connection(), DefaultRootWindow(Connection()), XA_RESOURCE_MANAGER);
        Flush();
    }
}

}  // namespace testsupport
