// Monitors and work areas: the monitors come from XRandR (one monitor, the whole screen, where
// it is missing), the work area from the desktop's _NET_WORKAREA cut to a monitor.
#include <X11/extensions/Xrandr.h>

#include <vector>

#include "platform/x11/window_record.h"
#include "platform/x11/x11_display.h"

namespace platform {
namespace {

struct Monitor {
    Rect area;
    bool primary = false;
};

Rect WholeScreen() {
    Display* display = x11::Connection();
    if (!display) {
        return {};
    }
    const int screen = DefaultScreen(display);
    return {0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
}

// Asked each time: monitors come and go while the program runs, and centring is rare.
std::vector<Monitor> Monitors() {
    std::vector<Monitor> monitors;
    Display* display = x11::Connection();
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (display && XRRQueryExtension(display, &eventBase, &errorBase) &&
        XRRQueryVersion(display, &major, &minor) && (major > 1 || (major == 1 && minor >= 5))) {
        int count = 0;
        if (XRRMonitorInfo* info =
                XRRGetMonitors(display, DefaultRootWindow(display), True, &count)) {
            for (int i = 0; i < count; ++i) {
                const Rect area{info[i].x, info[i].y, info[i].width, info[i].height};
                if (!area.IsEmpty()) {
                    monitors.push_back({area, info[i].primary != 0});
                }
            }
            XRRFreeMonitors(info);
        }
    }
    if (monitors.empty()) {
        monitors.push_back({WholeScreen(), true});
    }
    return monitors;
}

long SquaredDistance(const Rect& a, const Rect& b) {
    const long dx = a.Right() <= b.x ? b.x - a.Right() : (b.Right() <= a.x ? a.x - b.Right() : 0);
    const long dy =
        a.Bottom() <= b.y ? b.y - a.Bottom() : (b.Bottom() <= a.y ? a.y - b.Bottom() : 0);
    return dx * dx + dy * dy;
}

// The monitor the rectangle overlaps most, or else the closest; the primary among equals.
Rect NearestMonitor(const Rect& r) {
    const std::vector<Monitor> monitors = Monitors();
    const Monitor* best = nullptr;
    long bestOverlap = -1;
    long bestDistance = 0;
    for (const Monitor& m : monitors) {
        const Rect overlap = Intersect(m.area, r);
        const long area = long(overlap.width) * overlap.height;
        const long distance = SquaredDistance(m.area, r);
        const bool better = !best || area > bestOverlap ||
                            (area == bestOverlap && area == 0 && distance < bestDistance) ||
                            (area == bestOverlap && distance == bestDistance && m.primary);
        if (better) {
            best = &m;
            bestOverlap = area;
            bestDistance = distance;
        }
    }
    return best->area;
}

// The current desktop's work area, or an empty rectangle without a desktop that gives one.
Rect DesktopWorkArea() {
    Display* display = x11::Connection();
    if (!display || !x11::WindowManagerRunning()) {
        return {};
    }
    const ::Window root = DefaultRootWindow(display);
    unsigned long desktop = 0;
    x11::ReadCardinals(root, x11::GetAtoms().netCurrentDesktop, &desktop, 1);
    // The number comes from another client: never let it size an allocation unchecked.
    constexpr unsigned long kMostDesktops = 64;
    if (desktop >= kMostDesktops) {
        return {};
    }
    std::vector<unsigned long> areas(4 * (desktop + 1));
    const unsigned long count =
        x11::ReadCardinals(root, x11::GetAtoms().netWorkarea, areas.data(), areas.size());
    if (count < 4 * (desktop + 1)) {
        return {};
    }
    const unsigned long* area = &areas[4 * desktop];
    return {static_cast<int>(area[0]), static_cast<int>(area[1]), static_cast<int>(area[2]),
            static_cast<int>(area[3])};
}

Rect PrimaryMonitorPixels() {
    const std::vector<Monitor> monitors = Monitors();
    for (const Monitor& m : monitors) {
        if (m.primary) {
            return m.area;
        }
    }
    return monitors.front().area;
}

Rect WorkAreaPixels(const Rect& screenRect) {
    const Rect monitor = NearestMonitor(screenRect);
    // _NET_WORKAREA spans every monitor; what lies on this one is its work area.
    const Rect work = Intersect(DesktopWorkArea(), monitor);
    return work.IsEmpty() ? monitor : work;
}

// Screen questions are asked in logical units: the screen at the factor of the windows on it.
Rect LogicalWorkArea(NativeWindow window, const Rect& logical) {
    const PixelGrid grid(backend::Grid(window).Scale(), {});
    return backend::ScreenToLogical(window, WorkAreaPixels(grid.ToPixels(logical)));
}

}  // namespace

Size ScreenSize() {
    const Rect screen = backend::ScreenToLogical(nullptr, WholeScreen());
    return {screen.width, screen.height};
}

Rect PrimaryMonitor() {
    return backend::ScreenToLogical(nullptr, PrimaryMonitorPixels());
}

Rect WorkAreaNearest(const Rect& screenRect) {
    return LogicalWorkArea(nullptr, screenRect);
}

Rect WorkAreaNearest(NativeWindow window) {
    return LogicalWorkArea(window, GetWindowRect(window));
}

}  // namespace platform
