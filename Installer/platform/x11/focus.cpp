// Keyboard focus and activation: which top-level window is active, which window in it has
// the keyboard, a disabled window's activation handed on to its dialog, and focus marks.
#include "platform/x11/input_state.h"
#include "platform/x11/window_record.h"
#include "platform/x11/x11_display.h"

namespace platform {
namespace {

// Where the keyboard goes when a top-level window is activated: back where it last was.
NativeWindow RememberedFocus(NativeWindow top) {
    const NativeWindow last = top->lastFocus;
    return backend::Alive(last) && backend::TopLevelOf(last) == top ? last : top;
}

void Activate(NativeWindow top) {
    backend::InputState& s = backend::Input();
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
    backend::InputState& s = backend::Input();
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
    if (!w->topLevel || Input().active != w || !Alive(w->owner)) {
        return {};
    }
    return ModalSuccessor(w->owner, w);
}

void HandOverActivation(NativeWindow successor) {
    if (Alive(successor)) {
        ActivateSuccessor(successor);
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
    backend::InputState& s = backend::Input();
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

namespace {

void SendToTree(NativeWindow w, MessageId message, WParam wParam) {
    SendMessage(w, message, wParam, 0);
    if (!backend::Alive(w)) {
        return;
    }
    const std::vector<NativeWindow> children = w->children;  // a handler may change the list
    for (NativeWindow child : children) {
        if (backend::Alive(child)) {
            SendToTree(child, message, wParam);
        }
    }
}

// As Windows words it: clear the hide-focus flag.
constexpr WParam kShowFocusState = 2 | (1 << 16);

}  // namespace

void ShowFocusMarks(NativeWindow window) {
    if (!backend::Alive(window)) {
        return;
    }
    const NativeWindow top = backend::TopLevelOf(window);
    if (!top->focusMarksShown) {
        top->focusMarksShown = true;
        SendToTree(top, kWmUpdateUiState, kShowFocusState);
    }
}

bool FocusMarksShown(NativeWindow window) {
    return backend::Alive(window) && backend::TopLevelOf(window)->focusMarksShown;
}

NativeWindow GetFocus() {
    return backend::Alive(backend::Input().focus) ? backend::Input().focus : nullptr;
}

}  // namespace platform
