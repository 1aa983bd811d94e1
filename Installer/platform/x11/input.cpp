// Pointer and keys: mouse capture as a pointer grab, leave tracking, double clicks, and the
// translation of pointer and key events into messages. Focus and activation are in focus.cpp.
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdlib>

#include "platform/x11/input_state.h"
#include "platform/x11/key_codes.h"
#include "platform/x11/window_record.h"
#include "platform/x11/x11_display.h"

namespace platform {
namespace {

constexpr unsigned long kDoubleClickMs = 500;
// The second press must land inside a 4×4-pixel box centred on the first.
constexpr int kDoubleClickHalfBox = 2;

// Mouse-message key flags in wParam.
constexpr WParam kMkLButton = 0x01;
constexpr WParam kMkRButton = 0x02;
constexpr WParam kMkShift = 0x04;
constexpr WParam kMkControl = 0x08;
constexpr WParam kMkMButton = 0x10;

WParam KeyFlags(unsigned state) {
    WParam flags = 0;
    if (state & Button1Mask) {
        flags |= kMkLButton;
    }
    if (state & Button2Mask) {
        flags |= kMkMButton;
    }
    if (state & Button3Mask) {
        flags |= kMkRButton;
    }
    if (state & ShiftMask) {
        flags |= kMkShift;
    }
    if (state & ControlMask) {
        flags |= kMkControl;
    }
    return flags;
}

// The state X reports is the one before the event; messages report the one after it.
unsigned StateAfter(const XButtonEvent& e) {
    const unsigned mask = e.button >= 1 && e.button <= 5 ? (Button1Mask << (e.button - 1)) : 0;
    return e.type == ButtonPress ? (e.state | mask) : (e.state & ~mask);
}

MessageId ButtonMessage(unsigned button, bool press, bool doubleClick) {
    const MessageId left = press ? (doubleClick ? kWmLButtonDblClk : kWmLButtonDown) : kWmLButtonUp;
    switch (button) {
        case Button1:
            return left;
        case Button2:
            return left + (kWmMButtonDown - kWmLButtonDown);
        case Button3:
            return left + (kWmRButtonDown - kWmLButtonDown);
        default:
            return 0;
    }
}

bool IsDoubleClick(NativeWindow w, const XButtonEvent& e) {
    auto& last = backend::Input().lastPress;
    const bool isDouble = w->doubleClicks && last.window == w && last.button == e.button &&
                          e.time - last.time <= kDoubleClickMs &&
                          std::abs(e.x_root - last.rootX) <= kDoubleClickHalfBox &&
                          std::abs(e.y_root - last.rootY) <= kDoubleClickHalfBox;
    // A double click ends the sequence: a third quick press is a plain press again.
    last = {isDouble ? nullptr : w, e.button, e.time, e.x_root, e.y_root};
    return isDouble;
}

void PostCharacter(NativeWindow w, char32_t c, LParam keyData) {
    if (c > 0xFFFF && c <= 0x10FFFF) {
        const char32_t v = c - 0x10000;
        backend::PostMessage(w, kWmChar, 0xD800 + (v >> 10), keyData);
        backend::PostMessage(w, kWmChar, 0xDC00 + (v & 0x3FF), keyData);
    } else if (c != 0 && c <= 0xFFFF) {
        backend::PostMessage(w, kWmChar, c, keyData);
    }
}

}  // namespace

namespace backend {

InputState& Input() {
    static InputState state;
    return state;
}

void TranslatePointerEvent(NativeWindow w, XEvent& event) {
    InputState& s = Input();
    // Every event carries the position relative to its window and to the root in the same place.
    const XButtonEvent& e = event.xbutton;
    NativeWindow target = w;
    Point client{e.x, e.y};
    if (Alive(s.capture) && s.capture != w) {
        target = s.capture;
        const Point origin = ClientOrigin(target);
        client = {e.x_root - origin.x, e.y_root - origin.y};
    }
    if (!EnabledDeep(target)) {
        return;
    }
    client = Grid(target).ToLogical(client);
    if (event.type == MotionNotify) {
        PostMessage(target, kWmMouseMove, KeyFlags(event.xmotion.state),
                    MakePointParam(client.x, client.y));
        return;
    }
    const bool press = event.type == ButtonPress;
    if (e.button == Button4 || e.button == Button5) {
        if (press) {
            const int delta = e.button == Button4 ? kWheelDelta : -kWheelDelta;
            const Point screen = ScreenToLogical(target, Point{e.x_root, e.y_root});
            PostMessage(target, kWmMouseWheel, MakeWheelParam(delta) | KeyFlags(e.state),
                        MakePointParam(screen.x, screen.y));
        }
        return;
    }
    const bool doubleClick = press && IsDoubleClick(target, e);
    if (const MessageId message = ButtonMessage(e.button, press, doubleClick)) {
        PostMessage(target, message, KeyFlags(StateAfter(e)), MakePointParam(client.x, client.y));
    }
}

void TranslateCrossingEvent(NativeWindow w, const XCrossingEvent& event) {
    // A grab starting elsewhere (a window manager's passive button grab on every press) only
    // takes the pointer's events away; the pointer itself is still here.
    if (event.mode == NotifyGrab) {
        return;
    }
    if (event.type == EnterNotify) {
        // Entered on the way into a child: the pointer is over the child's pixels.
        w->pointerInside = event.detail != NotifyVirtual && event.detail != NotifyNonlinearVirtual;
        return;
    }
    // Moving into a child window leaves the parent too: the pointer is no longer over its own
    // pixels, which is what leave tracking is about.
    w->pointerInside = false;
    if (w->trackLeave) {
        w->trackLeave = false;
        PostMessage(w, kWmMouseLeave, 0, 0);
    }
}

void TranslateKeyEvent(NativeWindow w, XKeyEvent& event) {
    InputState& s = Input();
    NativeWindow top = TopLevelOf(w);
    NativeWindow target = Alive(s.focus) && TopLevelOf(s.focus) == top ? s.focus : top;
    if (!EnabledDeep(target)) {
        return;
    }
    const bool press = event.type == KeyPress;
    const uint32_t keyData = 1u | ((event.keycode & 0xFFu) << 16) | (press ? 0u : 0xC0000000u);
    const LParam lParam = static_cast<LParam>(keyData) | ModifierBits(event.state);
    const WParam vk = VirtualKey(XLookupKeysym(&event, 0));
    if (!press) {
        if (vk) {
            PostMessage(target, kWmKeyUp, vk, lParam);
        }
        return;
    }
    if (vk) {
        PostMessage(target, kWmKeyDown, vk, lParam);
    }
    char text[8] = {};
    KeySym sym = NoSymbol;
    const int length = XLookupString(&event, text, sizeof text, &sym, nullptr);
    if (sym == XK_Delete || sym == XK_KP_Delete) {
        return;  // deleting is a key, not a character
    }
    // XLookupString's text is Latin-1, whose values are the Unicode ones.
    const char32_t c = length == 1 ? static_cast<unsigned char>(text[0]) : KeysymCharacter(sym);
    PostCharacter(target, c, lParam);
}

void ForgetInputState(NativeWindow w, bool destroyed) {
    InputState& s = Input();
    if (s.capture && IsAncestorOrSelf(w, s.capture)) {
        if (destroyed) {
            s.capture = nullptr;
            if (Display* display = x11::Connection()) {
                XUngrabPointer(display, CurrentTime);
            }
        } else {
            ReleaseCapture();
        }
    }
    if (s.lastPress.window && IsAncestorOrSelf(w, s.lastPress.window)) {
        s.lastPress.window = nullptr;
    }
    if (destroyed) {
        if (s.focus && IsAncestorOrSelf(w, s.focus)) {
            s.focus = nullptr;
        }
        if (s.active == w) {
            s.active = nullptr;
        }
    }
}

}  // namespace backend

void SetCapture(NativeWindow window) {
    Display* display = x11::Connection();
    if (!backend::Alive(window) || !display) {
        return;
    }
    backend::InputState& s = backend::Input();
    NativeWindow old = s.capture;
    s.capture = window;
    // Owner events off: every pointer event is reported to the capturing window, relative to it.
    XGrabPointer(
        display, window->xid, False,
        ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask,
        GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    XFlush(display);
    if (old && old != window) {
        SendMessage(old, kWmCaptureChanged, 0, static_cast<LParam>(window.Bits()));
    }
}

void ReleaseCapture() {
    backend::InputState& s = backend::Input();
    NativeWindow old = s.capture;
    if (!old) {
        return;
    }
    s.capture = nullptr;
    if (Display* display = x11::Connection()) {
        XUngrabPointer(display, CurrentTime);
        XFlush(display);
    }
    SendMessage(old, kWmCaptureChanged, 0, 0);
}

unsigned HeldKeyModifiers() {
    return backend::Input().heldModifiers;
}

NativeWindow GetCapture() {
    return backend::Alive(backend::Input().capture) ? backend::Input().capture : nullptr;
}

void TrackMouseLeave(NativeWindow window) {
    if (!backend::Alive(window)) {
        return;
    }
    if (window->pointerInside) {
        window->trackLeave = true;
    } else {
        // Its leave was read before anyone asked, or it never came in: leave at once.
        backend::PostMessage(window, kWmMouseLeave, 0, 0);
    }
}

Point GetCursorPos() {
    Display* display = x11::Connection();
    if (!display) {
        return {};
    }
    ::Window root = 0;
    ::Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned mask = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y,
                  &mask);
    return backend::ScreenToLogical(nullptr, Point{rootX, rootY});
}

}  // namespace platform
