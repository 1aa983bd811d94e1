// Where windows are and how big, whether they show, and the monitors they show on.
#include "platform/win32/window_record.h"

namespace platform {
namespace {

Rect FromRECT(const RECT& r) {
    return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

Rect MonitorArea(HMONITOR monitor, bool work) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoW(monitor, &info)) {
        return Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return FromRECT(work ? info.rcWork : info.rcMonitor);
}

}  // namespace

Rect GetWindowRect(NativeWindow window) {
    RECT rect{};
    HWND hwnd = backend::HandleOf(window);
    return hwnd && ::GetWindowRect(hwnd, &rect) ? FromRECT(rect) : Rect{};
}

Point GetWindowPosition(NativeWindow window) {
    HWND hwnd = backend::HandleOf(window);
    RECT rect{};
    if (!hwnd || !::GetWindowRect(hwnd, &rect)) {
        return Point{};
    }
    POINT corner{rect.left, rect.top};
    if (!window->topLevel) {
        ::ScreenToClient(GetParent(hwnd), &corner);
    }
    return Point{corner.x, corner.y};
}

Size GetClientSize(NativeWindow window) {
    RECT rect{};
    HWND hwnd = backend::HandleOf(window);
    return hwnd && GetClientRect(hwnd, &rect) ? Size{rect.right, rect.bottom} : Size{};
}

Point ScreenToClient(NativeWindow window, Point screen) {
    POINT point{screen.x, screen.y};
    if (HWND hwnd = backend::HandleOf(window)) {
        ::ScreenToClient(hwnd, &point);
    }
    return Point{point.x, point.y};
}

Point ClientToScreen(NativeWindow window, Point client) {
    POINT point{client.x, client.y};
    if (HWND hwnd = backend::HandleOf(window)) {
        ::ClientToScreen(hwnd, &point);
    }
    return Point{point.x, point.y};
}

Size OuterSizeForClient(NativeWindow window, Size clientSize) {
    HWND hwnd = backend::HandleOf(window);
    if (!hwnd) {
        return clientSize;
    }
    RECT rect{0, 0, clientSize.width, clientSize.height};
    AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
    return Size{rect.right - rect.left, rect.bottom - rect.top};
}

void MoveWindow(NativeWindow window, Point position, Size clientSize, bool repaint) {
    HWND hwnd = backend::HandleOf(window);
    if (!hwnd) {
        return;
    }
    const Size outer = OuterSizeForClient(window, clientSize);
    ::MoveWindow(hwnd, position.x, position.y, outer.width, outer.height, repaint);
}

void SetMinimumOuterSize(NativeWindow window, Size outerSize) {
    if (backend::Alive(window)) {
        window->minimumOuter = outerSize;
    }
}

void ShowWindow(NativeWindow window, bool show) {
    if (HWND hwnd = backend::HandleOf(window)) {
        ::ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE);
    }
}

bool IsWindowVisible(NativeWindow window) {
    HWND hwnd = backend::HandleOf(window);
    return hwnd && ::IsWindowVisible(hwnd);
}

void EnableWindow(NativeWindow window, bool enable) {
    if (HWND hwnd = backend::HandleOf(window)) {
        ::EnableWindow(hwnd, enable);
    }
}

bool IsWindowEnabled(NativeWindow window) {
    HWND hwnd = backend::HandleOf(window);
    return hwnd && ::IsWindowEnabled(hwnd);
}

Size ScreenSize() {
    return Size{GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

Rect PrimaryMonitor() {
    return MonitorArea(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), false);
}

Rect WorkAreaNearest(NativeWindow window) {
    HWND hwnd = backend::HandleOf(window);
    return MonitorArea(hwnd ? MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST)
                            : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY),
                       true);
}

Rect WorkAreaNearest(const Rect& screenRect) {
    const RECT rect{screenRect.x, screenRect.y, screenRect.Right(), screenRect.Bottom()};
    return MonitorArea(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), true);
}

}  // namespace platform
