// Native windows on Xlib: handles and records, creation and destruction, geometry, visibility.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/posix/child_process.h"
#include "platform/x11/desktop_scale.h"
#include "platform/x11/text_fonts.h"
#include "platform/x11/window_record.h"
#include "platform/x11/x11_access.h"
#include "platform/x11/x11_display.h"

#include "platform/window_slots.h"  // after the complete NativeWindowRecord

namespace platform {
namespace {

constexpr long kPointerEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                EnterWindowMask | LeaveWindowMask | OwnerGrabButtonMask;
// Children leave keys to their top-level window; the backend sends them on to the focus.
constexpr long kChildEvents = ExposureMask | kPointerEvents;
constexpr long kTopLevelEvents = kChildEvents | KeyPressMask | KeyReleaseMask |
                                 StructureNotifyMask | FocusChangeMask | PropertyChangeMask;

std::unordered_map<::Window, NativeWindow>& ByXid() {
    static std::unordered_map<::Window, NativeWindow> map;
    return map;
}

// A routed record receives the events of its X window; others only carry state for painting.
NativeWindow NewRecord(::Window xid, bool routed = true) {
    const NativeWindow handle = slots::Allocate();
    handle->xid = xid;
    if (routed) {
        ByXid()[xid] = handle;
    }
    return handle;
}

void SetAtomProperty(Display* display, ::Window xid, Atom property, Atom value) {
    XChangeProperty(display, xid, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&value), 1);
}

// X has no empty windows: one sized to nothing is kept off the screen, whatever ShowWindow
// said, rather than shown as a one-pixel strip of old pixels.
void MapAsShown(Display* display, NativeWindow w) {
    const bool wanted = w->shown && w->clientSize.width > 0 && w->clientSize.height > 0;
    if (wanted == w->mapped) {
        return;
    }
    w->mapped = wanted;
    if (wanted) {
        if (w->topLevel) {
            w->configureSerial = NextRequest(display);
        }
        XMapWindow(display, w->xid);
    } else if (w->topLevel) {
        XWithdrawWindow(display, w->xid, DefaultScreen(display));
    } else {
        XUnmapWindow(display, w->xid);
    }
}

// The factor of measuring canvases and window-less screen questions: the newest top-level
// window's, else the desktop's.
double& CurrentScale() {
    static double scale = x11::DesktopScale();
    return scale;
}

PixelGrid ScreenGrid(double scale) {
    return PixelGrid(scale, {});
}

// A child's pixels follow from its logical rectangle on its parent's grid; moving a window
// moves the grid of everything inside it, whose edges may then round to other pixels.
void PlaceChild(Display* display, NativeWindow w) {
    const Rect pixels = backend::Grid(w->parent).ToPixels(Rect{
        w->logicalPosition.x, w->logicalPosition.y, w->logicalSize.width, w->logicalSize.height});
    const Point position{pixels.x, pixels.y};
    const Size size{pixels.width, pixels.height};
    if (position == w->position && size == w->clientSize) {
        return;
    }
    w->position = position;
    w->clientSize = size;
    XMoveResizeWindow(display, w->xid, position.x, position.y, backend::ServerExtent(size.width),
                      backend::ServerExtent(size.height));
}

void PlaceDescendants(Display* display, NativeWindow w) {
    if (w->scale == 1.0) {
        return;  // whole units: every child keeps its pixels
    }
    for (NativeWindow child : w->children) {
        PlaceChild(display, child);
        PlaceDescendants(display, child);
    }
}

void CollectSubtree(NativeWindow w, std::vector<NativeWindow>& out) {
    out.push_back(w);
    for (NativeWindow child : w->children) {
        CollectSubtree(child, out);
    }
}

}  // namespace

NativeWindowRecord* NativeWindow::operator->() const {
    return slots::Find(*this);
}

namespace backend {

NativeWindow NewPaintOnlyRecord(::Window xid) {
    return NewRecord(xid, false);
}

void FreePaintOnlyRecord(NativeWindow w) {
    if (Alive(w)) {
        slots::Release(w);
    }
}

NativeWindow RecordOf(::Window xid) {
    auto found = ByXid().find(xid);
    return found == ByXid().end() ? NativeWindow() : found->second;
}

NativeWindow TopLevelOf(NativeWindow w) {
    // A handle whose window is gone has no ancestors to walk.
    for (NativeWindowRecord* r = w.operator->(); r && r->parent; r = r->parent.operator->()) {
        w = r->parent;
    }
    return w;
}

bool IsAncestorOrSelf(NativeWindow ancestor, NativeWindow w) {
    for (NativeWindowRecord* r = w.operator->(); r; r = r->parent.operator->()) {
        if (r->self == ancestor) {
            return true;
        }
    }
    return false;
}

namespace {

// Whether a live window and every one of its ancestors have the flag set.
bool SetUpTheChain(NativeWindow w, bool NativeWindowRecord::*flag) {
    if (!Alive(w)) {
        return false;
    }
    for (; w; w = w->parent) {
        if (!(w.operator->()->*flag)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ShownDeep(NativeWindow w) {
    return SetUpTheChain(w, &NativeWindowRecord::shown);
}

bool EnabledDeep(NativeWindow w) {
    return SetUpTheChain(w, &NativeWindowRecord::enabled);
}

PixelGrid Grid(NativeWindow w) {
    if (!Alive(w)) {
        return PixelGrid(CurrentScale(), {});
    }
    Point origin;
    for (NativeWindowRecord* r = w.operator->(); r->parent; r = r->parent.operator->()) {
        origin.x += r->logicalPosition.x;
        origin.y += r->logicalPosition.y;
    }
    return PixelGrid(w->scale, origin);
}

Point ScreenToLogical(NativeWindow w, Point screen) {
    return ScreenGrid(Alive(w) ? w->scale : CurrentScale()).ToLogical(screen);
}

Rect ScreenToLogical(NativeWindow w, const Rect& screen) {
    const PixelGrid grid = ScreenGrid(Alive(w) ? w->scale : CurrentScale());
    const int left = grid.Nearest(screen.x);
    const int top = grid.Nearest(screen.y);
    return {left, top, grid.Nearest(screen.Right()) - left, grid.Nearest(screen.Bottom()) - top};
}

Point ClientOrigin(NativeWindow w) {
    if (w->parent) {
        const Point parent = ClientOrigin(w->parent);
        return {parent.x + w->position.x, parent.y + w->position.y};
    }
    return {w->position.x + w->frameLeft, w->position.y + w->frameTop};
}

void TopLevelConfigured(NativeWindow w, const XConfigureEvent& event) {
    // A hidden window is where we put it; managers answer requests about windows they do not
    // manage yet with made-up places. A notice generated before the server saw our last map,
    // move or resize is out of date: that request's own notice follows.
    if (!w->shown || static_cast<long>(event.serial - w->configureSerial) < 0) {
        return;
    }
    // A window manager tells where it put the client in a synthetic notice, in the root's
    // coordinates; its real notices are about frames and moves on the way into them.
    if (event.send_event || !w->managed) {
        w->position = {event.x - w->frameLeft, event.y - w->frameTop};
        w->logicalPosition = ScreenToLogical(w, w->position);
    }
    const Size size{event.width, event.height};
    // A zero-sized window lives on the server at one pixel; that is not a resize.
    const Size server{static_cast<int>(backend::ServerExtent(w->clientSize.width)),
                      static_cast<int>(backend::ServerExtent(w->clientSize.height))};
    if (size == server || size == w->clientSize) {
        return;
    }
    w->clientSize = size;
    w->logicalSize = Grid(w).Nearest(size);
    PostMessage(w, kWmSize, 0, MakePointParam(w->logicalSize.width, w->logicalSize.height));
}

}  // namespace backend

NativeWindow CreateTopLevelWindow(NativeWindow owner, Point logicalPosition, Size logicalSize,
                                  const std::string& titleUtf8, const TopLevelStyle& style,
                                  WindowProc proc) {
    Display* display = x11::Connection();
    if (!display) {
        return nullptr;
    }
    const double scale = CurrentScale() = x11::DesktopScale();
    posix::SetDesktopToolScale(scale);  // the dialogs that stand for ours match them
    const Point outerPosition = ScreenGrid(scale).ToPixels(logicalPosition);
    const Size clientSize = ScreenGrid(scale).ToPixels(logicalSize);
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;  // every window paints all of itself
    attributes.event_mask = kTopLevelEvents;
    const ::Window xid = XCreateWindow(
        display, DefaultRootWindow(display), outerPosition.x, outerPosition.y,
        backend::ServerExtent(clientSize.width), backend::ServerExtent(clientSize.height), 0,
        CopyFromParent, InputOutput, CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    if (!xid) {
        return nullptr;
    }
    NativeWindow w = NewRecord(xid);
    w->topLevel = true;
    w->proc = proc;
    w->style = style;
    w->owner = backend::Alive(owner) ? backend::TopLevelOf(owner) : NativeWindow();
    if (w->owner) {
        w->owner->owned.push_back(w);
    }
    w->position = outerPosition;
    w->clientSize = clientSize;
    w->scale = scale;
    w->logicalPosition = logicalPosition;
    w->logicalSize = logicalSize;
    w->minimumOuter = clientSize;

    const x11::Atoms& atoms = x11::GetAtoms();
    Atom protocols[] = {atoms.wmDeleteWindow};
    XSetWMProtocols(display, xid, protocols, 1);
    XClassHint classHint{const_cast<char*>("kestrel-installer"), const_cast<char*>("Kestrel")};
    XSetClassHint(display, xid, &classHint);
    const long pid = static_cast<long>(getpid());
    XChangeProperty(display, xid, atoms.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    SetAtomProperty(display, xid, atoms.netWmWindowType,
                    w->owner ? atoms.netWmWindowTypeDialog : atoms.netWmWindowTypeNormal);
    if (style.topmost) {
        SetAtomProperty(display, xid, atoms.netWmState, atoms.netWmStateAbove);
    }
    if (w->owner) {
        XSetTransientForHint(display, xid, w->owner->xid);
    }
    backend::SetMotifHints(w);
    SetWindowTitle(w, titleUtf8);
    backend::ApplySizeHints(w);
    w->managed = x11::WindowManagerRunning();
    if (w->managed) {
        backend::LearnFrameExtents(w);
        w->minimumOuter = {clientSize.width + w->frameLeft + w->frameRight,
                           clientSize.height + w->frameTop + w->frameBottom};
        backend::ApplySizeHints(w);
    }
    return w;
}

NativeWindow CreateChildWindow(NativeWindow parent, Point logicalPosition, Size logicalSize,
                               WindowProc proc, bool doubleClicks) {
    Display* display = x11::Connection();
    if (!display || !backend::Alive(parent)) {
        return nullptr;
    }
    const Rect pixels = backend::Grid(parent).ToPixels(
        Rect{logicalPosition.x, logicalPosition.y, logicalSize.width, logicalSize.height});
    const Point position{pixels.x, pixels.y};
    const Size size{pixels.width, pixels.height};
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;
    attributes.event_mask = kChildEvents;
    const ::Window xid = XCreateWindow(
        display, parent->xid, position.x, position.y, backend::ServerExtent(size.width),
        backend::ServerExtent(size.height), 0, CopyFromParent, InputOutput, CopyFromParent,
        CWBackPixmap | CWEventMask, &attributes);
    if (!xid) {
        return nullptr;
    }
    NativeWindow w = NewRecord(xid);
    w->parent = parent;
    w->proc = proc;
    w->doubleClicks = doubleClicks;
    w->position = position;
    w->clientSize = size;
    w->scale = parent->scale;
    w->logicalPosition = logicalPosition;
    w->logicalSize = logicalSize;
    w->shown = true;
    parent->children.push_back(w);
    MapAsShown(display, w);
    InvalidateWindow(w, false);
    return w;
}

void DestroyWindow(NativeWindow window) {
    if (!backend::Alive(window)) {
        return;
    }
    // Owned windows go with their owner.
    while (!window->owned.empty()) {
        DestroyWindow(window->owned.back());
    }
    const NativeWindow successor = backend::SuccessorOnDestroy(window);
    backend::ForgetInputState(window, true);
    const ::Window xid = window->xid;
    auto forget = [window](std::vector<NativeWindow>& list) {
        list.erase(std::remove(list.begin(), list.end(), window), list.end());
    };
    if (window->parent) {
        forget(window->parent->children);
    }
    if (window->owner) {
        forget(window->owner->owned);
    }
    std::vector<NativeWindow> subtree;
    CollectSubtree(window, subtree);
    for (NativeWindow w : subtree) {
        backend::KillTimersOf(w);
        backend::ForgetQueued(w);
        ByXid().erase(w->xid);
        slots::Release(w);
    }
    if (Display* display = x11::Connection()) {
        backend::HandOverActivation(successor);
        XDestroyWindow(display, xid);
        XFlush(display);
    }
}

bool IsWindow(NativeWindow window) {
    return backend::Alive(window);
}

void SetUserData(NativeWindow window, void* data) {
    if (backend::Alive(window)) {
        window->userData = data;
    }
}

void* GetUserData(NativeWindow window) {
    return backend::Alive(window) ? window->userData : nullptr;
}

Point GetWindowPosition(NativeWindow window) {
    return backend::Alive(window) ? window->logicalPosition : Point{};
}

Rect GetWindowRect(NativeWindow window) {
    if (!backend::Alive(window)) {
        return {};
    }
    const Point origin = backend::ClientOrigin(window);
    const Rect outer{origin.x - window->frameLeft, origin.y - window->frameTop,
                     window->clientSize.width + window->frameLeft + window->frameRight,
                     window->clientSize.height + window->frameTop + window->frameBottom};
    return backend::ScreenToLogical(window, outer);
}

Size GetClientSize(NativeWindow window) {
    return backend::Alive(window) ? window->logicalSize : Size{};
}

namespace {

// The client area's top-left corner on the screen of logical units.
Point LogicalClientOrigin(NativeWindow w) {
    const NativeWindow top = backend::TopLevelOf(w);
    const Point topOrigin = backend::ScreenToLogical(top, backend::ClientOrigin(top));
    Point origin = topOrigin;
    for (NativeWindowRecord* r = w.operator->(); r->parent; r = r->parent.operator->()) {
        origin.x += r->logicalPosition.x;
        origin.y += r->logicalPosition.y;
    }
    return origin;
}

}  // namespace

Point ScreenToClient(NativeWindow window, Point screen) {
    if (!backend::Alive(window)) {
        return {};
    }
    const Point origin = LogicalClientOrigin(window);
    return {screen.x - origin.x, screen.y - origin.y};
}

Point ClientToScreen(NativeWindow window, Point client) {
    if (!backend::Alive(window)) {
        return {};
    }
    const Point origin = LogicalClientOrigin(window);
    return {client.x + origin.x, client.y + origin.y};
}

Size OuterSizeForClient(NativeWindow window, Size clientSize) {
    if (!backend::Alive(window)) {
        return clientSize;
    }
    const PixelGrid grid = backend::Grid(window);
    return {clientSize.width + grid.Nearest(window->frameLeft + window->frameRight),
            clientSize.height + grid.Nearest(window->frameTop + window->frameBottom)};
}

void MoveWindow(NativeWindow window, Point logicalPosition, Size logicalSize, bool repaint) {
    Display* display = x11::Connection();
    if (!backend::Alive(window) || !display) {
        return;
    }
    const bool resized = logicalSize != window->logicalSize;
    window->logicalPosition = logicalPosition;
    window->logicalSize = logicalSize;
    if (window->topLevel) {
        window->position = ScreenGrid(window->scale).ToPixels(logicalPosition);
        window->clientSize = ScreenGrid(window->scale).ToPixels(logicalSize);
        backend::ApplySizeHints(window);  // a fixed-size window's hints must allow the new size
        window->configureSerial = NextRequest(display);
        XMoveResizeWindow(display, window->xid, window->position.x, window->position.y,
                          backend::ServerExtent(window->clientSize.width),
                          backend::ServerExtent(window->clientSize.height));
    } else {
        PlaceChild(display, window);
        PlaceDescendants(display, window);
    }
    MapAsShown(display, window);
    if (repaint) {
        InvalidateWindow(window, false);
    }
    if (resized) {
        SendMessage(window, kWmSize, 0, MakePointParam(logicalSize.width, logicalSize.height));
    }
}

void SetMinimumOuterSize(NativeWindow window, Size outerSize) {
    if (backend::Alive(window) && window->topLevel) {
        window->minimumOuter = ScreenGrid(window->scale).ToPixels(outerSize);
        backend::ApplySizeHints(window);
    }
}

void ShowWindow(NativeWindow window, bool show) {
    Display* display = x11::Connection();
    if (!backend::Alive(window) || !display || window->shown == show) {
        return;
    }
    window->shown = show;
    if (show) {
        if (window->topLevel) {
            window->focusOnMap = true;  // a shown window becomes the active one
        }
        MapAsShown(display, window);
        InvalidateWindow(window, true);
    } else {
        backend::ForgetInputState(window, false);
        if (!backend::Alive(window)) {
            return;  // the end of a capture closed it
        }
        MapAsShown(display, window);
    }
    XFlush(display);
}

bool IsWindowVisible(NativeWindow window) {
    return backend::ShownDeep(window);
}

void EnableWindow(NativeWindow window, bool enable) {
    if (backend::Alive(window)) {
        window->enabled = enable;
    }
}

bool IsWindowEnabled(NativeWindow window) {
    return backend::Alive(window) && window->enabled;
}

void SetWindowTitle(NativeWindow window, const std::string& titleUtf8) {
    Display* display = x11::Connection();
    if (!backend::Alive(window) || !display || !window->topLevel) {
        return;
    }
    const x11::Atoms& atoms = x11::GetAtoms();
    const auto* bytes = reinterpret_cast<const unsigned char*>(titleUtf8.data());
    const int length = static_cast<int>(titleUtf8.size());
    XChangeProperty(display, window->xid, atoms.netWmName, atoms.utf8String, 8, PropModeReplace,
                    bytes, length);
    XChangeProperty(display, window->xid, XA_WM_NAME, atoms.utf8String, 8, PropModeReplace, bytes,
                    length);
}

void AddWindowIcon(NativeWindow window, const uint32_t* argbPixels, int width, int height) {
    Display* display = x11::Connection();
    if (!backend::Alive(window) || !display || !window->topLevel || !argbPixels || width <= 0 ||
        height <= 0) {
        return;
    }
    // Format-32 property data is passed as longs, whatever their width.
    std::vector<long> data;
    data.reserve(2 + size_t(width) * height);
    data.push_back(width);
    data.push_back(height);
    for (size_t i = 0; i < size_t(width) * height; ++i) {
        data.push_back(static_cast<long>(argbPixels[i]));
    }
    // A window manager may have put a stand-in there meanwhile: the first image replaces it.
    XChangeProperty(display, window->xid, x11::GetAtoms().netWmIcon, XA_CARDINAL, 32,
                    window->iconAdded ? PropModeAppend : PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()),
                    static_cast<int>(data.size()));
    window->iconAdded = true;
}

void SetArrowCursor(NativeWindow window) {
    Display* display = x11::Connection();
    if (!backend::Alive(window) || !display) {
        return;
    }
    static const Cursor arrow = XCreateFontCursor(display, XC_left_ptr);
    XDefineCursor(display, window->xid, arrow);
}

namespace x11 {

_XDisplay* TestDisplay() {
    Display* display = Connection();
    if (display) {
        backend::WaitForFonts();  // tests change the environment the loading thread reads
    }
    return display;
}

unsigned long TestWindowId(NativeWindow window) {
    return backend::Alive(window) ? window->xid : 0;
}

}  // namespace x11
}  // namespace platform
