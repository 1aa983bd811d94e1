// The chooser's window found by the process id on it (_NET_WM_PID), then given WM_TRANSIENT_FOR.
#include "platform/x11/chooser_transient.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/Timer.h"
#include "platform/x11/window_record.h"
#include "platform/x11/x11_display.h"

namespace platform::backend {
namespace {

constexpr unsigned kSearchTimerId = 0x4B43;
constexpr unsigned kSearchIntervalMs = 50;
// A tool started through a wrapper script or launcher is a grandchild, or further down.
constexpr int kGenerations = 3;

bool searching = false;

pid_t ParentOf(pid_t process) {
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string line;
    std::getline(stat, line);
    // The name in parentheses may hold blanks; the state and the parent follow its end.
    const size_t end = line.rfind(')');
    char state = 0;
    long parent = 0;
    if (end == std::string::npos ||
        std::sscanf(line.c_str() + end + 1, " %c %ld", &state, &parent) != 2) {
        return 0;
    }
    return static_cast<pid_t>(parent);
}

bool IsDescendant(pid_t process) {
    for (int generation = 0; generation < kGenerations && process > 1; ++generation) {
        process = ParentOf(process);
        if (process == getpid()) {
            return true;
        }
    }
    return false;
}

bool IsChildsWindow(Display* display, Window window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, x11::GetAtoms().netWmPid, 0, 1, False, XA_CARDINAL,
                           &type, &format, &count, &after, &data) != Success) {
        return false;
    }
    const bool ours = data && format == 32 && count == 1 &&
                      IsDescendant(static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)));
    if (data) {
        XFree(data);
    }
    return ours;
}

// The client window: a child of the root, or of a window manager's frame.
Window FindChildsWindow(Display* display, Window parent, int depth) {
    Window root = 0;
    Window unused = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &unused, &children, &count)) {
        return 0;
    }
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable) {
            continue;
        }
        if (IsChildsWindow(display, children[i])) {
            found = children[i];
        } else if (depth > 0) {
            found = FindChildsWindow(display, children[i], depth - 1);
        }
    }
    if (children) {
        XFree(children);
    }
    return found;
}

void Search(NativeWindow owner, MessageId, unsigned id, uint32_t) {
    Display* display = x11::Connection();
    if (!display || !Alive(owner)) {
        return;
    }
    const Window chooser = FindChildsWindow(display, DefaultRootWindow(display), 1);
    if (chooser) {
        XSetTransientForHint(display, chooser, owner->xid);
        XFlush(display);
        KillTimer(owner, id);
        searching = false;
    }
}

}  // namespace

ChooserTransient::ChooserTransient(NativeWindow owner) : owner_(owner) {
    if (owner_ && Alive(owner_)) {
        searching = SetTimer(owner_, kSearchTimerId, kSearchIntervalMs, &Search);
    }
}

ChooserTransient::~ChooserTransient() {
    if (searching && Alive(owner_)) {
        KillTimer(owner_, kSearchTimerId);
    }
    searching = false;
}

}  // namespace platform::backend
