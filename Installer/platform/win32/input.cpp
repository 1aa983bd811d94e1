// Keyboard focus, modifiers and focus marks, mouse capture, leave tracking, the cursor: the
// system keeps all of it.
#include "platform/win32/window_record.h"

namespace platform {

void SetFocus(NativeWindow window) {
    if (HWND hwnd = backend::HandleOf(window)) {
        ::SetFocus(hwnd);
    }
}

NativeWindow GetFocus() {
    return backend::RecordOf(::GetFocus());
}

void SetCapture(NativeWindow window) {
    if (HWND hwnd = backend::HandleOf(window)) {
        ::SetCapture(hwnd);
    }
}

void ReleaseCapture() {
    ::ReleaseCapture();
}

NativeWindow GetCapture() {
    return backend::RecordOf(::GetCapture());
}

void TrackMouseLeave(NativeWindow window) {
    HWND hwnd = backend::HandleOf(window);
    if (!hwnd) {
        return;
    }
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = hwnd;
    TrackMouseEvent(&track);
}

void SetArrowCursor(NativeWindow window) {
    if (backend::Alive(window)) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
}

unsigned HeldKeyModifiers() {
    // The key state that goes with the message being handled, not the keyboard's present one.
    auto held = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
    return (held(VK_SHIFT) ? kShiftHeld : 0u) | (held(VK_CONTROL) ? kControlHeld : 0u) |
           (held(VK_MENU) ? kAltHeld : 0u);
}

// The top-level window's record keeps the state; the system's default procedure hands the
// change to every child as WM_UPDATEUISTATE.
void ShowFocusMarks(NativeWindow window) {
    HWND hwnd = backend::HandleOf(window);
    const NativeWindow top = backend::RecordOf(hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr);
    if (!top || top->focusMarksShown) {
        return;
    }
    top->focusMarksShown = true;
    ::SendMessageW(top->hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

bool FocusMarksShown(NativeWindow window) {
    HWND hwnd = backend::HandleOf(window);
    const NativeWindow top = backend::RecordOf(hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr);
    return top && top->focusMarksShown;
}

Point GetCursorPos() {
    POINT point{};
    ::GetCursorPos(&point);
    return backend::ScreenGrid(nullptr).ToLogical(Point{point.x, point.y});
}

}  // namespace platform
