// Native windows on Xlib: creation and destruction, geometry, visibility and window-manager hints.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/linux/window_record.h"
#include "platform/linux/x11_access.h"
#include "platform/linux/x11_display.h"

namespace platform {
namespace {

constexpr long kPointerEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                EnterWindowMask | LeaveWindowMask | OwnerGrabButtonMask;
// Children leave keys to their top-level window; the backend sends them on to the focus.
constexpr long kChildEvents = ExposureMask | kPointerEvents;
constexpr long kTopLevelEvents = kChildEvents | KeyPressMask | KeyReleaseMask |
                                 StructureNotifyMask | FocusChangeMask | PropertyChangeMask;

// Motif hint bits, as window managers read them.
constexpr long kMwmHintsFunctions = 1;
constexpr long kMwmHintsDecorations = 2;
constexpr long kMwmFuncResize = 2;
constexpr long kMwmFuncMove = 4;
constexpr long kMwmFuncMinimize = 8;
constexpr long kMwmFuncMaximize = 16;
constexpr long kMwmFuncClose = 32;
constexpr long kMwmDecorBorder = 2;
constexpr long kMwmDecorResizeH = 4;
constexpr long kMwmDecorTitle = 8;
constexpr long kMwmDecorMenu = 16;
constexpr long kMwmDecorMinimize = 32;
constexpr long kMwmDecorMaximize = 64;

constexpr auto kFrameExtentsWait = std::chrono::milliseconds(500);

std::vector<std::unique_ptr<NativeWindowRecord>>& AllRecords() {
    static std::vector<std::unique_ptr<NativeWindowRecord>> records;
    return records;
}

std::unordered_map<::Window, NativeWindow>& ByXid() {
    static std::unordered_map<::Window, NativeWindow> map;
    return map;
}

NativeWindow NewRecord(::Window xid) {
    AllRecords().push_back(std::make_unique<NativeWindowRecord>());
    NativeWindow record = AllRecords().back().get();
    record->xid = xid;
    ByXid()[xid] = record;
    return record;
}

// X refuses empty windows; a zero-sized one is kept at one pixel and reports zero.
unsigned ServerExtent(int extent) {
    return static_cast<unsigned>(std::max(1, extent));
}

void SetMotifHints(Display* display, NativeWindow w) {
    long hints[5] = {kMwmHintsFunctions | kMwmHintsDecorations, 0, 0, 0, 0};
    const TopLevelStyle& style = w->style;
    hints[1] = kMwmFuncMove | kMwmFuncClose;
    if (!style.borderless) {
        hints[2] = kMwmDecorBorder | kMwmDecorTitle | kMwmDecorMenu;
        if (style.minimizeBox) {
            hints[1] |= kMwmFuncMinimize;
            hints[2] |= kMwmDecorMinimize;
        }
        if (style.resizable) {
            hints[1] |= kMwmFuncResize | kMwmFuncMaximize;
            hints[2] |= kMwmDecorResizeH | kMwmDecorMaximize;
        }
    }
    const Atom atom = x11::GetAtoms().motifWmHints;
    XChangeProperty(display, w->xid, atom, atom, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(hints), 5);
}

void SetAtomProperty(Display* display, ::Window xid, Atom property, Atom value) {
    XChangeProperty(display, xid, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&value), 1);
}

Bool IsFrameExtentsNotify(Display*, XEvent* event, XPointer arg) {
    const auto* w = reinterpret_cast<const NativeWindowRecord*>(arg);
    return event->type == PropertyNotify && event->xproperty.window == w->xid &&
           event->xproperty.atom == x11::GetAtoms().netFrameExtents;
}

// Asks the window manager what frame it will draw, so that outer sizes are right before the
// window is first shown. Other events stay queued for the loop.
void LearnFrameExtents(Display* display, NativeWindow w) {
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = w->xid;
    request.xclient.message_type = x11::GetAtoms().netRequestFrameExtents;
    request.xclient.format = 32;
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &request);
    XFlush(display);
    const auto deadline = std::chrono::steady_clock::now() + kFrameExtentsWait;
    XEvent event;
    while (!XCheckIfEvent(display, &event, IsFrameExtentsNotify, reinterpret_cast<XPointer>(w))) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()));
    }
    backend::ApplyFrameExtents(w);
}

void CollectSubtree(NativeWindow w, std::vector<NativeWindow>& out) {
    out.push_back(w);
    for (NativeWindow child : w->children) {
        CollectSubtree(child, out);
    }
}

}  // namespace

namespace backend {

NativeWindow RecordOf(::Window xid) {
    auto found = ByXid().find(xid);
    return found == ByXid().end() ? nullptr : found->second;
}

NativeWindow TopLevelOf(NativeWindow w) {
    while (w && w->parent) {
        w = w->parent;
    }
    return w;
}

bool IsAncestorOrSelf(NativeWindow ancestor, NativeWindow w) {
    for (; w; w = w->parent) {
        if (w == ancestor) {
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
        if (!(w->*flag)) {
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

Point ClientOrigin(NativeWindow w) {
    if (w->parent) {
        const Point parent = ClientOrigin(w->parent);
        return {parent.x + w->position.x, parent.y + w->position.y};
    }
    Display* display = x11::Connection();
    if (w->viewable && display) {
        int x = 0;
        int y = 0;
        ::Window child = 0;
        if (XTranslateCoordinates(display, w->xid, DefaultRootWindow(display), 0, 0, &x, &y,
                                  &child)) {
            w->position = {x - w->frameLeft, y - w->frameTop};
            return {x, y};
        }
    }
    return {w->position.x + w->frameLeft, w->position.y + w->frameTop};
}

void ApplyFrameExtents(NativeWindow w) {
    unsigned long extents[4] = {0, 0, 0, 0};
    if (x11::ReadCardinals(w->xid, x11::GetAtoms().netFrameExtents, extents, 4) != 4) {
        std::fill_n(extents, 4, 0ul);
    }
    w->frameLeft = static_cast<int>(extents[0]);
    w->frameRight = static_cast<int>(extents[1]);
    w->frameTop = static_cast<int>(extents[2]);
    w->frameBottom = static_cast<int>(extents[3]);
    ApplySizeHints(w);
}

void ApplySizeHints(NativeWindow w) {
    Display* display = x11::Connection();
    XSizeHints* hints = XAllocSizeHints();
    if (!hints) {
        return;
    }
    hints->flags = USPosition | PPosition | PMinSize | PWinGravity;
    hints->x = w->position.x;
    hints->y = w->position.y;
    // North-west gravity: the position asked for is the frame's outer corner.
    hints->win_gravity = NorthWestGravity;
    if (w->style.resizable) {
        hints->min_width = std::max(1, w->minimumOuter.width - w->frameLeft - w->frameRight);
        hints->min_height = std::max(1, w->minimumOuter.height - w->frameTop - w->frameBottom);
    } else {
        hints->flags |= PMaxSize;
        hints->min_width = hints->max_width = static_cast<int>(ServerExtent(w->clientSize.width));
        hints->min_height = hints->max_height =
            static_cast<int>(ServerExtent(w->clientSize.height));
    }
    XSetWMNormalHints(display, w->xid, hints);
    XFree(hints);
}

void TopLevelConfigured(NativeWindow w, int width, int height) {
    const Size size{width, height};
    // A zero-sized window lives on the server at one pixel; that is not a resize.
    const Size server{static_cast<int>(ServerExtent(w->clientSize.width)),
                      static_cast<int>(ServerExtent(w->clientSize.height))};
    if (size == server || size == w->clientSize) {
        return;
    }
    w->clientSize = size;
    PostMessage(w, kWmSize, 0, MakePointParam(width, height));
}

}  // namespace backend

NativeWindow CreateTopLevelWindow(NativeWindow owner, Point outerPosition, Size clientSize,
                                  const std::string& titleUtf8, const TopLevelStyle& style,
                                  WindowProc proc) {
    Display* display = x11::Connection();
    if (!display) {
        return nullptr;
    }
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;  // every window paints all of itself
    attributes.event_mask = kTopLevelEvents;
    const ::Window xid = XCreateWindow(
        display, DefaultRootWindow(display), outerPosition.x, outerPosition.y,
        ServerExtent(clientSize.width), ServerExtent(clientSize.height), 0, CopyFromParent,
        InputOutput, CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    if (!xid) {
        return nullptr;
    }
    NativeWindow w = NewRecord(xid);
    w->topLevel = true;
    w->proc = proc;
    w->style = style;
    w->owner = backend::Alive(owner) ? backend::TopLevelOf(owner) : nullptr;
    w->position = outerPosition;
    w->clientSize = clientSize;
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
    SetMotifHints(display, w);
    SetWindowTitle(w, titleUtf8);
    backend::ApplySizeHints(w);
    if (x11::WindowManagerRunning()) {
        LearnFrameExtents(display, w);
        w->minimumOuter = OuterSizeForClient(w, clientSize);
        backend::ApplySizeHints(w);
    }
    return w;
}

NativeWindow CreateChildWindow(NativeWindow parent, Point position, Size size, WindowProc proc,
                               bool doubleClicks) {
    Display* display = x11::Connection();
    if (!display || !backend::Alive(parent)) {
        return nullptr;
    }
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;
    attributes.event_mask = kChildEvents;
    const ::Window xid =
        XCreateWindow(display, parent->xid, position.x, position.y, ServerExtent(size.width),
                      ServerExtent(size.height), 0, CopyFromParent, InputOutput, CopyFromParent,
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
    w->shown = true;
    parent->children.push_back(w);
    XMapWindow(display, xid);
    InvalidateWindow(w, false);
    return w;
}

void DestroyWindow(NativeWindow window) {
    if (!backend::Alive(window)) {
        return;
    }
    // Owned windows go with their owner.
    for (size_t i = 0; i < AllRecords().size(); ++i) {
        NativeWindow other = AllRecords()[i].get();
        if (other->alive && other->owner == window) {
            DestroyWindow(other);
        }
    }
    backend::ForgetInputState(window, true);
    std::vector<NativeWindow> subtree;
    CollectSubtree(window, subtree);
    for (NativeWindow w : subtree) {
        w->alive = false;
        w->proc = nullptr;
        w->userData = nullptr;
        w->update = {};
        backend::KillTimersOf(w);
        backend::ForgetQueued(w);
        ByXid().erase(w->xid);
    }
    if (window->parent) {
        auto& siblings = window->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
    }
    if (Display* display = x11::Connection()) {
        XDestroyWindow(display, window->xid);
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

Rect GetWindowRect(NativeWindow window) {
    if (!backend::Alive(window)) {
        return {};
    }
    const Point origin = backend::ClientOrigin(window);
    const Size outer = OuterSizeForClient(window, window->clientSize);
    return {origin.x - window->frameLeft, origin.y - window->frameTop, outer.width, outer.height};
}

Size GetClientSize(NativeWindow window) {
    return backend::Alive(window) ? window->clientSize : Size{};
}

Point ScreenToClient(NativeWindow window, Point screen) {
    if (!backend::Alive(window)) {
        return {};
    }
    const Point origin = backend::ClientOrigin(window);
    return {screen.x - origin.x, screen.y - origin.y};
}

Point GetPositionInParent(NativeWindow window) {
    // Only this program moves its child windows, so the record is always right.
    return backend::Alive(window) && window->parent ? window->position : Point{};
}

Point ClientToScreen(NativeWindow window, Point client) {
    if (!backend::Alive(window)) {
        return {};
    }
    const Point origin = backend::ClientOrigin(window);
    return {client.x + origin.x, client.y + origin.y};
}

Size OuterSizeForClient(NativeWindow window, Size clientSize) {
    if (!backend::Alive(window)) {
        return clientSize;
    }
    return {clientSize.width + window->frameLeft + window->frameRight,
            clientSize.height + window->frameTop + window->frameBottom};
}

void MoveWindow(NativeWindow window, Point position, Size clientSize, bool repaint) {
    Display* display = x11::Connection();
    if (!backend::Alive(window) || !display) {
        return;
    }
    const bool resized = clientSize != window->clientSize;
    window->position = position;
    window->clientSize = clientSize;
    if (window->topLevel) {
        backend::ApplySizeHints(window);  // a fixed-size window's hints must allow the new size
    }
    XMoveResizeWindow(display, window->xid, position.x, position.y, ServerExtent(clientSize.width),
                      ServerExtent(clientSize.height));
    if (repaint) {
        InvalidateWindow(window, false);
    }
    if (resized) {
        SendMessage(window, kWmSize, 0, MakePointParam(clientSize.width, clientSize.height));
    }
}

void SetMinimumOuterSize(NativeWindow window, Size outerSize) {
    if (backend::Alive(window) && window->topLevel) {
        window->minimumOuter = outerSize;
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
        XMapWindow(display, window->xid);
        InvalidateWindow(window, true);
    } else {
        backend::ForgetInputState(window, false);
        if (window->topLevel) {
            XWithdrawWindow(display, window->xid, DefaultScreen(display));
        } else {
            XUnmapWindow(display, window->xid);
        }
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
    XChangeProperty(display, window->xid, x11::GetAtoms().netWmIcon, XA_CARDINAL, 32,
                    PropModeAppend, reinterpret_cast<const unsigned char*>(data.data()),
                    static_cast<int>(data.size()));
}

Size ScreenSize() {
    Display* display = x11::Connection();
    if (!display) {
        return {};
    }
    const int screen = DefaultScreen(display);
    return {DisplayWidth(display, screen), DisplayHeight(display, screen)};
}

Rect WorkAreaNearest(NativeWindow) {
    const Size screen = ScreenSize();
    const Rect whole{0, 0, screen.width, screen.height};
    Display* display = x11::Connection();
    if (!display || !x11::WindowManagerRunning()) {
        return whole;
    }
    const ::Window root = DefaultRootWindow(display);
    unsigned long desktop = 0;
    x11::ReadCardinals(root, x11::GetAtoms().netCurrentDesktop, &desktop, 1);
    // The number comes from another client: never let it size an allocation unchecked.
    constexpr unsigned long kMostDesktops = 64;
    if (desktop >= kMostDesktops) {
        return whole;
    }
    std::vector<unsigned long> areas(4 * (desktop + 1));
    const unsigned long count =
        x11::ReadCardinals(root, x11::GetAtoms().netWorkarea, areas.data(), areas.size());
    if (count < 4 * (desktop + 1)) {
        return whole;
    }
    const unsigned long* area = &areas[4 * desktop];
    const Rect work{static_cast<int>(area[0]), static_cast<int>(area[1]), static_cast<int>(area[2]),
                    static_cast<int>(area[3])};
    return work.IsEmpty() ? whole : work;
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
    return Connection();
}

unsigned long TestWindowId(NativeWindow window) {
    return backend::Alive(window) ? window->xid : 0;
}

}  // namespace x11
}  // namespace platform
