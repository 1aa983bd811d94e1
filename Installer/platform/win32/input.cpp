// Keyboard focus, mouse capture, leave tracking, the cursor: the system keeps all of it.
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

Point GetCursorPos() {
    POINT point{};
    ::GetCursorPos(&point);
    return Point{point.x, point.y};
}

}  // namespace platform
