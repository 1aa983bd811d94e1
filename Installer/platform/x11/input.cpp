// Input state: keyboard focus and activation, mouse capture as a pointer grab, leave tracking,
// double clicks, and the translation of pointer and key events into messages.
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdlib>

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

struct InputState {
    NativeWindow focus = nullptr;
    NativeWindow active = nullptr;  // top-level window holding the X input focus
    NativeWindow capture = nullptr;
    struct {
        NativeWindow window = nullptr;
        unsigned button = 0;
        Time time = 0;
        int rootX = 0;
        int rootY = 0;
    } lastPress;
};

InputState& State() {
    static InputState state;
    return state;
}

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
    auto& last = State().lastPress;
    const bool isDouble = w->doubleClicks && last.window == w && last.button == e.button &&
                          e.time - last.time <= kDoubleClickMs &&
                          std::abs(e.x_root - last.rootX) <= kDoubleClickHalfBox &&
                          std::abs(e.y_root - last.rootY) <= kDoubleClickHalfBox;
    // A double click ends the sequence: a third quick press is a plain press again.
    last = {isDouble ? nullptr : w, e.button, e.time, e.x_root, e.y_root};
    return isDouble;
}

WParam VirtualKey(KeySym sym) {
    if (sym >= XK_a && sym <= XK_z) {
        return 'A' + (sym - XK_a);
    }
    if (sym >= XK_A && sym <= XK_Z) {
        return sym;
    }
    if (sym >= XK_0 && sym <= XK_9) {
        return sym;
    }
    if (sym >= XK_KP_0 && sym <= XK_KP_9) {
        return 0x60 + (sym - XK_KP_0);
    }
    if (sym >= XK_F1 && sym <= XK_F24) {
        return 0x70 + (sym - XK_F1);
    }
    switch (sym) {
        case XK_BackSpace:
            return kVkBack;
        case XK_Tab:
        case XK_ISO_Left_Tab:
            return kVkTab;
        case XK_Return:
        case XK_KP_Enter:
            return kVkReturn;
        case XK_Escape:
            return kVkEscape;
        case XK_space:
            return kVkSpace;
        case XK_Left:
            return kVkLeft;
        case XK_Up:
            return kVkUp;
        case XK_Right:
            return kVkRight;
        case XK_Down:
            return kVkDown;
        case XK_Prior:
            return 0x21;
        case XK_Next:
            return 0x22;
        case XK_End:
            return 0x23;
        case XK_Home:
            return 0x24;
        case XK_Insert:
            return 0x2D;
        case XK_Delete:
            return 0x2E;
        case XK_Shift_L:
        case XK_Shift_R:
            return 0x10;
        case XK_Control_L:
        case XK_Control_R:
            return 0x11;
        case XK_Alt_L:
        case XK_Alt_R:
        case XK_Meta_L:
        case XK_Meta_R:
            return 0x12;
        case XK_Pause:
            return 0x13;
        case XK_Caps_Lock:
            return 0x14;
        case XK_Menu:
            return 0x5D;
        case XK_KP_Multiply:
            return 0x6A;
        case XK_KP_Add:
            return 0x6B;
        case XK_KP_Subtract:
            return 0x6D;
        case XK_KP_Decimal:
            return 0x6E;
        case XK_KP_Divide:
            return 0x6F;
        case XK_semicolon:
            return 0xBA;
        case XK_equal:
            return 0xBB;
        case XK_comma:
            return 0xBC;
        case XK_minus:
            return 0xBD;
        case XK_period:
            return 0xBE;
        case XK_slash:
            return 0xBF;
        case XK_grave:
            return 0xC0;
        case XK_bracketleft:
            return 0xDB;
        case XK_backslash:
            return 0xDC;
        case XK_bracketright:
            return 0xDD;
        case XK_apostrophe:
            return 0xDE;
        default:
            return 0;
    }
}

// The character a key types, for keysyms that XLookupString leaves without Latin-1 text.
char32_t KeysymCharacter(KeySym sym) {
    if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF)) {
        return static_cast<char32_t>(sym);
    }
    if ((sym & 0xFF000000) == 0x01000000) {
        return static_cast<char32_t>(sym & 0x00FFFFFF);
    }
    return 0;
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

// Where the keyboard goes when a top-level window is activated: back where it last was.
NativeWindow RememberedFocus(NativeWindow top) {
    const NativeWindow last = top->lastFocus;
    return backend::Alive(last) && backend::TopLevelOf(last) == top ? last : top;
}

void Activate(NativeWindow top) {
    InputState& s = State();
    if (s.active == top) {
        return;
    }
    s.active = top;
    backend::PostMessage(top, kWmActivate, kWaActive, 0);
    const NativeWindow target = RememberedFocus(top);
    if (s.focus != target) {
        NativeWindow old = s.focus;
        s.focus = target;
        backend::PostMessage(old, kWmKillFocus, static_cast<WParam>(target.Bits()), 0);
        backend::PostMessage(target, kWmSetFocus, static_cast<WParam>(old.Bits()), 0);
    }
}

void Deactivate(NativeWindow top) {
    InputState& s = State();
    if (s.active != top) {
        return;
    }
    s.active = nullptr;
    backend::PostMessage(top, kWmActivate, kWaInactive, 0);
    if (s.focus && backend::TopLevelOf(s.focus) == top) {
        top->lastFocus = s.focus;
        backend::PostMessage(s.focus, kWmKillFocus, 0, 0);
        s.focus = nullptr;
    }
}

void GiveInputFocus(NativeWindow top) {
    Display* display = x11::Connection();
    if (display && top->viewable) {
        XSetInputFocus(display, top->xid, RevertToParent, CurrentTime);
        XFlush(display);
    } else {
        top->focusOnMap = true;
    }
}

// The window that takes a disabled top-level window's activation, as on Windows: the newest
// shown, enabled window it owns, looking further down when that one is disabled in turn (a
// dialog of a dialog). None when the window is enabled or owns no such window.
NativeWindow ModalSuccessor(NativeWindow top, NativeWindow leaving = {}) {
    if (!backend::Alive(top) || top->enabled) {
        return {};
    }
    for (auto it = top->owned.rbegin(); it != top->owned.rend(); ++it) {
        const NativeWindow candidate = *it;
        if (candidate == leaving || !backend::ShownDeep(candidate)) {
            continue;
        }
        if (candidate->enabled) {
            return candidate;
        }
        if (const NativeWindow deeper = ModalSuccessor(candidate, leaving)) {
            return deeper;
        }
    }
    return {};
}

// Activation of a disabled window goes on to its dialog, raised above it.
void ActivateSuccessor(NativeWindow successor) {
    if (Display* display = x11::Connection(); display && successor->viewable) {
        XRaiseWindow(display, successor->xid);
    }
    GiveInputFocus(successor);
}

}  // namespace

namespace backend {

void TranslatePointerEvent(NativeWindow w, XEvent& event) {
    InputState& s = State();
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
    if (event.type == MotionNotify) {
        PostMessage(target, kWmMouseMove, KeyFlags(event.xmotion.state),
                    MakePointParam(client.x, client.y));
        return;
    }
    const bool press = event.type == ButtonPress;
    if (e.button == Button4 || e.button == Button5) {
        if (press) {
            const int delta = e.button == Button4 ? kWheelDelta : -kWheelDelta;
            PostMessage(target, kWmMouseWheel, MakeWheelParam(delta) | KeyFlags(e.state),
                        MakePointParam(e.x_root, e.y_root));
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
    InputState& s = State();
    NativeWindow top = TopLevelOf(w);
    NativeWindow target = Alive(s.focus) && TopLevelOf(s.focus) == top ? s.focus : top;
    if (!EnabledDeep(target)) {
        return;
    }
    const bool press = event.type == KeyPress;
    const uint32_t keyData = 1u | ((event.keycode & 0xFFu) << 16) | (press ? 0u : 0xC0000000u);
    const LParam lParam = static_cast<LParam>(keyData);
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

void TranslateFocusEvent(NativeWindow w, const XFocusChangeEvent& event) {
    // Keyboard grabs (a window manager's switcher) and pointer-root focus do not change which
    // of our windows is active.
    if (!w->topLevel || event.mode == NotifyGrab || event.mode == NotifyUngrab ||
        event.detail == NotifyInferior || event.detail == NotifyPointer ||
        event.detail == NotifyPointerRoot || event.detail == NotifyDetailNone) {
        return;
    }
    if (event.type == FocusIn) {
        // A disabled window never holds the keyboard while its dialog runs.
        if (const NativeWindow successor = ModalSuccessor(w)) {
            ActivateSuccessor(successor);
            return;
        }
        Activate(w);
    } else {
        Deactivate(w);
    }
}

void MappedTopLevel(NativeWindow w) {
    if (w->focusOnMap) {
        w->focusOnMap = false;
        GiveInputFocus(w);
    }
}

NativeWindow SuccessorOnDestroy(NativeWindow w) {
    if (!w->topLevel || State().active != w || !Alive(w->owner)) {
        return {};
    }
    return ModalSuccessor(w->owner, w);
}

void HandOverActivation(NativeWindow successor) {
    if (Alive(successor)) {
        ActivateSuccessor(successor);
    }
}

void ForgetInputState(NativeWindow w, bool destroyed) {
    InputState& s = State();
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

void SetFocus(NativeWindow window) {
    if (!backend::Alive(window)) {
        return;
    }
    if (const NativeWindow successor = ModalSuccessor(backend::TopLevelOf(window))) {
        window = RememberedFocus(successor);  // a disabled window's dialog takes the keyboard
    }
    InputState& s = State();
    NativeWindow top = backend::TopLevelOf(window);
    top->lastFocus = window;
    if (s.focus != window) {
        NativeWindow old = s.focus;
        s.focus = window;
        SendMessage(old, kWmKillFocus, static_cast<WParam>(window.Bits()), 0);
        if (s.focus == window) {
            SendMessage(window, kWmSetFocus, static_cast<WParam>(old.Bits()), 0);
        }
    }
    if (s.active != top && backend::Alive(top)) {
        GiveInputFocus(top);
    }
}

NativeWindow GetFocus() {
    return backend::Alive(State().focus) ? State().focus : nullptr;
}

void SetCapture(NativeWindow window) {
    Display* display = x11::Connection();
    if (!backend::Alive(window) || !display) {
        return;
    }
    InputState& s = State();
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
    InputState& s = State();
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

NativeWindow GetCapture() {
    return backend::Alive(State().capture) ? State().capture : nullptr;
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
    return {rootX, rootY};
}

}  // namespace platform
