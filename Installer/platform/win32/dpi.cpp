// The scale of a window from its monitor's resolution: per-monitor awareness asked for at run
// time (the manifest asks too, but a program without one must not be stretched blurrily), the
// window's DPI from GetDpiForWindow where the system has it, else the screen's LOGPIXELSX.
#include "platform/win32/window_record.h"

namespace platform {
namespace {

constexpr double kBaseDpi = 96.0;

// Declared here: older SDK headers lack them, and older systems lack the functions.
using DpiAwarenessContext = HANDLE;
const auto kPerMonitorAwareV2 = reinterpret_cast<DpiAwarenessContext>(-4);
using SetContextFunction = BOOL(WINAPI*)(DpiAwarenessContext);
using DpiForWindowFunction = UINT(WINAPI*)(HWND);

template <class Function>
Function User32Function(const char* name) {
    static const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
               : nullptr;
}

}  // namespace

namespace backend {

void BecomeDpiAware() {
    static const bool done = [] {
        const auto setContext = User32Function<SetContextFunction>("SetProcessDpiAwarenessContext");
        // Fails when the manifest has already said so, which is as good.
        if (!setContext || !setContext(kPerMonitorAwareV2)) {
            SetProcessDPIAware();
        }
        return true;
    }();
    (void)done;
}

// The system's resolution is fixed for the session, so it is asked once.
double SystemScale() {
    static const double scale = [] {
        BecomeDpiAware();
        const HDC screen = GetDC(nullptr);
        const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
        if (screen) {
            ReleaseDC(nullptr, screen);
        }
        return dpi > 0 ? dpi / kBaseDpi : 1.0;
    }();
    return scale;
}

double WindowScale(HWND hwnd) {
    static const auto dpiForWindow = User32Function<DpiForWindowFunction>("GetDpiForWindow");
    const UINT dpi = dpiForWindow && hwnd ? dpiForWindow(hwnd) : 0;
    return dpi > 0 ? dpi / kBaseDpi : SystemScale();
}

PixelGrid Grid(NativeWindow w) {
    if (!Alive(w)) {
        return PixelGrid(SystemScale(), {});
    }
    Point origin;
    for (NativeWindowRecord* r = w.operator->(); r && !r->topLevel;
         r = RecordOf(GetParent(r->hwnd)).operator->()) {
        origin.x += r->logicalPosition.x;
        origin.y += r->logicalPosition.y;
    }
    return PixelGrid(w->scale, origin);
}

PixelGrid ScreenGrid(NativeWindow w) {
    return PixelGrid(Alive(w) ? w->scale : SystemScale(), {});
}

Rect ScreenToLogical(NativeWindow w, const Rect& screen) {
    const PixelGrid grid = ScreenGrid(w);
    const int left = grid.Nearest(screen.x);
    const int top = grid.Nearest(screen.y);
    return {left, top, grid.Nearest(screen.Right()) - left, grid.Nearest(screen.Bottom()) - top};
}

Size PixelsOf(NativeWindow w) {
    if (w->topLevel) {
        return ScreenGrid(w).ToPixels(w->logicalSize);
    }
    const Rect pixels = Grid(RecordOf(GetParent(w->hwnd)))
                            .ToPixels(Rect{w->logicalPosition.x, w->logicalPosition.y,
                                           w->logicalSize.width, w->logicalSize.height});
    return {pixels.width, pixels.height};
}

Size LogicalClientSize(NativeWindow w, Size pixels) {
    // Sized by the toolkit: its own numbers, which rounding back from pixels could miss by one.
    if (pixels != PixelsOf(w)) {
        w->logicalSize = ScreenGrid(w).Nearest(pixels);
    }
    return w->logicalSize;
}

// The messages that carry a place or a size: the toolkit hears them in logical units, the
// system's own procedures in pixels.
LParam LogicalParam(NativeWindow w, MessageId message, LParam lParam) {
    if (!Alive(w)) {
        return lParam;
    }
    const Point p{PointParamX(lParam), PointParamY(lParam)};
    if (message == kWmSize) {
        const Size logical = LogicalClientSize(w, Size{p.x, p.y});
        return MakePointParam(logical.width, logical.height);
    }
    if (w->scale == 1.0) {
        return lParam;
    }
    if (message == kWmMouseWheel) {
        const Point logical = ScreenGrid(w).ToLogical(p);
        return MakePointParam(logical.x, logical.y);
    }
    if (message >= kWmMouseFirst && message <= kWmMouseLast) {
        const Point logical = Grid(w).ToLogical(p);
        return MakePointParam(logical.x, logical.y);
    }
    return lParam;
}

LParam PhysicalParam(NativeWindow w, MessageId message, LParam lParam) {
    if (!Alive(w) || w->scale == 1.0) {
        return lParam;
    }
    const Point p{PointParamX(lParam), PointParamY(lParam)};
    if (message == kWmMouseWheel) {
        const Point pixel = ScreenGrid(w).ToPixels(p);
        return MakePointParam(pixel.x, pixel.y);
    }
    if (message == kWmSize) {
        const Size pixels = ScreenGrid(w).ToPixels(Size{p.x, p.y});
        return MakePointParam(pixels.width, pixels.height);
    }
    if (message >= kWmMouseFirst && message <= kWmMouseLast) {
        const Point pixel = Grid(w).ToPixels(p);
        return MakePointParam(pixel.x, pixel.y);
    }
    return lParam;
}

}  // namespace backend
}  // namespace platform
