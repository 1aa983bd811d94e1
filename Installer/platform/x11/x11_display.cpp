// Opens the X connection once, interns the atoms, and keeps the cross-thread wake descriptor.
#include "platform/x11/x11_display.h"

#include "platform/x11/text_fonts.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <utility>

namespace platform::x11 {
namespace {

struct Connection_ {
    Display* display = nullptr;
    Atoms atoms{};
    GC gc = nullptr;
};

constexpr std::pair<const char*, Atom Atoms::*> kAtomNames[] = {
    {"WM_PROTOCOLS", &Atoms::wmProtocols},
    {"WM_DELETE_WINDOW", &Atoms::wmDeleteWindow},
    {"UTF8_STRING", &Atoms::utf8String},
    {"_NET_WM_NAME", &Atoms::netWmName},
    {"_NET_WM_ICON", &Atoms::netWmIcon},
    {"_NET_WM_PID", &Atoms::netWmPid},
    {"_NET_WM_STATE", &Atoms::netWmState},
    {"_NET_WM_STATE_ABOVE", &Atoms::netWmStateAbove},
    {"_NET_WM_WINDOW_TYPE", &Atoms::netWmWindowType},
    {"_NET_WM_WINDOW_TYPE_NORMAL", &Atoms::netWmWindowTypeNormal},
    {"_NET_WM_WINDOW_TYPE_DIALOG", &Atoms::netWmWindowTypeDialog},
    {"_NET_FRAME_EXTENTS", &Atoms::netFrameExtents},
    {"_NET_REQUEST_FRAME_EXTENTS", &Atoms::netRequestFrameExtents},
    {"_NET_WORKAREA", &Atoms::netWorkarea},
    {"_NET_CURRENT_DESKTOP", &Atoms::netCurrentDesktop},
    {"_NET_SUPPORTING_WM_CHECK", &Atoms::netSupportingWmCheck},
    {"_MOTIF_WM_HINTS", &Atoms::motifWmHints},
};

// Windows that vanish between a call and the server's answer are normal here (a child destroyed
// with its parent, focus given to a window being unmapped); such errors must not end the process.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

Connection_ Open() {
    Connection_ c;
    c.display = XOpenDisplay(nullptr);
    if (!c.display) {
        return c;  // ConnectDisplay tells why
    }
    XSetErrorHandler(IgnoreErrors);
    backend::StartLoadingFonts();
    // A held key repeats as further presses without releases in between, as keys do elsewhere.
    Bool detectable = False;
    XkbSetDetectableAutoRepeat(c.display, True, &detectable);
    constexpr int count = sizeof(kAtomNames) / sizeof(kAtomNames[0]);
    const char* names[count];
    for (int i = 0; i < count; ++i) {
        names[i] = kAtomNames[i].first;
    }
    Atom interned[count];
    XInternAtoms(c.display, const_cast<char**>(names), count, False, interned);
    for (int i = 0; i < count; ++i) {
        c.atoms.*kAtomNames[i].second = interned[i];
    }
    c.gc = XCreateGC(c.display, DefaultRootWindow(c.display), 0, nullptr);
    return c;
}

Connection_& Get() {
    static Connection_ connection = Open();
    return connection;
}

}  // namespace

Display* Connection() {
    return Get().display;
}
const Atoms& GetAtoms() {
    return Get().atoms;
}
GC CopyGc() {
    return Get().gc;
}

int WakeFd() {
    static const int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return fd;
}

void SignalWake() {
    const uint64_t one = 1;
    // A full counter already wakes the loop, so a failed write loses nothing.
    [[maybe_unused]] ssize_t written = write(WakeFd(), &one, sizeof one);
}

void ClearWake() {
    uint64_t value = 0;
    [[maybe_unused]] ssize_t taken = read(WakeFd(), &value, sizeof value);
}

unsigned long ReadCardinals(Window window, Atom property, unsigned long* values,
                            unsigned long maxCount) {
    Display* display = Connection();
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, static_cast<long>(maxCount), False,
                           AnyPropertyType, &type, &format, &count, &after, &data) != Success) {
        return 0;
    }
    unsigned long taken = 0;
    if (data && format == 32) {
        // Format-32 properties come back as sign-extended longs, whatever the width of long.
        const long* longs = reinterpret_cast<const long*>(data);
        for (; taken < count && taken < maxCount; ++taken) {
            values[taken] = static_cast<unsigned long>(longs[taken]) & 0xFFFFFFFFul;
        }
    }
    if (data) {
        XFree(data);
    }
    return taken;
}

bool WindowManagerRunning() {
    Display* display = Connection();
    if (!display) {
        return false;
    }
    const Atom check = GetAtoms().netSupportingWmCheck;
    unsigned long child = 0;
    if (ReadCardinals(DefaultRootWindow(display), check, &child, 1) != 1 || child == 0) {
        return false;
    }
    // A stale property names a window that is gone or no longer points to itself.
    unsigned long self = 0;
    return ReadCardinals(child, check, &self, 1) == 1 && self == child;
}

}  // namespace platform::x11
