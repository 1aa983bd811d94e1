// Popup-menu test support: timer-driven scripts, finding the menu window, and grab checks.
#include "support/MenuDriver.h"

#include <algorithm>
#include <cstring>

#include "platform/Timer.h"
#include "platform/x11/x11_access.h"
#include "support/XTestHarness.h"

// X headers last: their macros must not reach GoogleTest's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace testsupport {
namespace {

constexpr unsigned kScriptTimerId = 0x4D53;
MenuScript* running = nullptr;

}  // namespace

MenuScript::MenuScript(platform::NativeWindow timerWindow, std::vector<std::function<bool()>> steps)
    : window_(timerWindow), steps_(std::move(steps)) {
    running = this;
    platform::SetTimer(window_, kScriptTimerId, 10, &MenuScript::Tick);
}

MenuScript::~MenuScript() {
    platform::KillTimer(window_, kScriptTimerId);
    running = nullptr;
}

void MenuScript::Tick(platform::NativeWindow, uint32_t, unsigned, uint32_t) {
    MenuScript* self = running;
    if (self && !self->Finished() && self->steps_[self->next_]()) {
        ++self->next_;
    }
}

std::optional<platform::Rect> OpenMenuRect() {
    Display* display = platform::x11::TestDisplay();
    XSync(display, False);
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    std::optional<platform::Rect> found;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        return found;
    }
    for (unsigned i = 0; i < count && !found; ++i) {
        XClassHint hint{};
        if (!XGetClassHint(display, children[i], &hint)) {
            continue;
        }
        const bool isMenu = hint.res_name && std::strcmp(hint.res_name, "kestrel-menu") == 0;
        XFree(hint.res_name);
        XFree(hint.res_class);
        XWindowAttributes attributes;
        if (isMenu && XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable) {
            found = platform::Rect{attributes.x, attributes.y, attributes.width, attributes.height};
        }
    }
    if (children) {
        XFree(children);
    }
    return found;
}

int SaturatedPixels(const platform::Rect& r) {
    int n = 0;
    for (platform::Rgba p : ReadPixels(nullptr, r)) {
        const int high = std::max({p.r, p.g, p.b});
        const int low = std::min({p.r, p.g, p.b});
        n += high - low > 100;
    }
    return n;
}

int DarkPixels(const platform::Rect& r) {
    int n = 0;
    for (platform::Rgba p : ReadPixels(nullptr, r)) {
        n += p.r < 100 && p.g < 100 && p.b < 100;
    }
    return n;
}

bool InputIsFree() {
    Display* other = XOpenDisplay(nullptr);
    if (!other) {
        return false;
    }
    const ::Window root = DefaultRootWindow(other);
    const bool pointer = XGrabPointer(other, root, False, ButtonPressMask, GrabModeAsync,
                                      GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    const bool keyboard =
        XGrabKeyboard(other, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    XUngrabPointer(other, CurrentTime);
    XUngrabKeyboard(other, CurrentTime);
    XCloseDisplay(other);
    return pointer && keyboard;
}

}  // namespace testsupport
