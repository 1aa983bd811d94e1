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
    return hwnd && ::GetWindowRect(hwnd, &rect) ? backend::ScreenToLogical(window, FromRECT(rect))
                                                : Rect{};
}

Point GetWindowPosition(NativeWindow window) {
    HWND hwnd = backend::HandleOf(window);
    if (!hwnd) {
        return Point{};
    }
    if (!window->topLevel) {
        return window->logicalPosition;
    }
    const Rect outer = GetWindowRect(window);
    return Point{outer.x, outer.y};
}

Size GetClientSize(NativeWindow window) {
    RECT rect{};
    HWND hwnd = backend::HandleOf(window);
    return hwnd && GetClientRect(hwnd, &rect)
               ? backend::LogicalClientSize(window, Size{rect.right, rect.bottom})
               : Size{};
}

namespace {

// The client area's top-left corner on the screen of logical units: the top-level window's
// client corner in pixels, then each window's logical place in its parent.
Point LogicalClientOrigin(NativeWindow window) {
    HWND top = GetAncestor(window->hwnd, GA_ROOT);
    POINT corner{0, 0};
    ::ClientToScreen(top, &corner);
    const NativeWindow topRecord = backend::RecordOf(top);
    const Point topOrigin =
        backend::ScreenGrid(topRecord ? topRecord : window).ToLogical(Point{corner.x, corner.y});
    Point origin = topOrigin;
    for (NativeWindowRecord* r = window.operator->(); r && !r->topLevel;
         r = backend::RecordOf(GetParent(r->hwnd)).operator->()) {
        origin.x += r->logicalPosition.x;
        origin.y += r->logicalPosition.y;
    }
    return origin;
}

}  // namespace

Point ScreenToClient(NativeWindow window, Point screen) {
    if (!backend::HandleOf(window)) {
        return screen;
    }
    const Point origin = LogicalClientOrigin(window);
    return Point{screen.x - origin.x, screen.y - origin.y};
}

Point ClientToScreen(NativeWindow window, Point client) {
    if (!backend::HandleOf(window)) {
        return client;
    }
    const Point origin = LogicalClientOrigin(window);
    return Point{client.x + origin.x, client.y + origin.y};
}

namespace {

// The frame the window has, not the one AdjustWindowRectEx computes for the system's
// resolution: at another one, the caption's height may round differently.
Size OuterPixels(HWND hwnd, Size clientPixels) {
    RECT outer{};
    RECT client{};
    ::GetWindowRect(hwnd, &outer);
    GetClientRect(hwnd, &client);
    return Size{clientPixels.width + (outer.right - outer.left) - client.right,
                clientPixels.height + (outer.bottom - outer.top) - client.bottom};
}

}  // namespace

Size OuterSizeForClient(NativeWindow window, Size clientSize) {
    HWND hwnd = backend::HandleOf(window);
    if (!hwnd) {
        return clientSize;
    }
    const PixelGrid grid = backend::ScreenGrid(window);
    const Size client = grid.ToPixels(clientSize);
    const Size outer = OuterPixels(hwnd, client);
    // Rounded down: a minimum size made from it must never ask for more than the window has.
    const auto units = [&](int pixels) { return static_cast<int>(pixels / grid.Scale()); };
    return Size{clientSize.width + units(outer.width - client.width),
                clientSize.height + units(outer.height - client.height)};
}

void MoveWindow(NativeWindow window, Point position, Size clientSize, bool repaint) {
    HWND hwnd = backend::HandleOf(window);
    if (!hwnd) {
        return;
    }
    window->logicalPosition = position;
    window->logicalSize = clientSize;
    if (window->topLevel) {
        const PixelGrid grid = backend::ScreenGrid(window);
        const Point corner = grid.ToPixels(position);
        const Size outer = OuterPixels(hwnd, grid.ToPixels(clientSize));
        ::MoveWindow(hwnd, corner.x, corner.y, outer.width, outer.height, repaint);
        return;
    }
    const Rect pixels =
        backend::Grid(backend::RecordOf(GetParent(hwnd)))
            .ToPixels(Rect{position.x, position.y, clientSize.width, clientSize.height});
    ::MoveWindow(hwnd, pixels.x, pixels.y, pixels.width, pixels.height, repaint);
    if (window->scale != 1.0) {
        backend::PlaceChildren(hwnd);  // their edges round on the moved grid
    }
}

void SetMinimumOuterSize(NativeWindow window, Size outerSize) {
    if (backend::Alive(window)) {
        window->minimumOuter = backend::ScreenGrid(window).ToPixels(outerSize);
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
    const Rect screen = backend::ScreenToLogical(
        nullptr,
        Rect{0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)});
    return Size{screen.width, screen.height};
}

Rect PrimaryMonitor() {
    return backend::ScreenToLogical(
        nullptr, MonitorArea(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), false));
}

Rect WorkAreaNearest(NativeWindow window) {
    HWND hwnd = backend::HandleOf(window);
    return backend::ScreenToLogical(
        window, MonitorArea(hwnd ? MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST)
                                 : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY),
                            true));
}

Rect WorkAreaNearest(const Rect& screenRect) {
    const Rect pixels = backend::ScreenGrid(nullptr).ToPixels(screenRect);
    const RECT rect{pixels.x, pixels.y, pixels.Right(), pixels.Bottom()};
    return backend::ScreenToLogical(
        nullptr, MonitorArea(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), true));
}

}  // namespace platform
