// The screen-reader bridge on Linux: ATK objects for our windows (atk_tree.cpp), handed to
// AT-SPI by the standard ATK bridge, whose D-Bus traffic runs on the GLib main context that the
// message loop polls beside the X connection.
#include <X11/Xatom.h>
#include <atk-bridge.h>
#include <poll.h>

#include <cstdlib>
#include <cstring>

#include "platform/Accessibility.h"
#include "platform/x11/atk_tree.h"
#include "platform/x11/window_record.h"
#include "platform/x11/x11_display.h"

namespace platform {
namespace {

bool active = false;

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

// The desktop's accessibility bus, published on the root window when no session bus is.
bool RootAdvertisesBus() {
    Display* display = x11::Connection();
    if (!display) {
        return false;
    }
    const Atom property = XInternAtom(display, "AT_SPI_BUS", True);
    if (property == None) {
        return false;
    }
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const int status =
        XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 0, False,
                           AnyPropertyType, &type, &format, &items, &after, &data);
    if (data) {
        XFree(data);
    }
    return status == Success && type != None;
}

// Without an advertised bus, libdbus would start one through X11 whose daemons outlive us.
bool BusAdvertised() {
    if (const char* refused = std::getenv("NO_AT_BRIDGE");
        refused && std::strcmp(refused, "1") == 0) {
        return false;
    }
    return Set("DBUS_SESSION_BUS_ADDRESS") || Set("AT_SPI_BUS_ADDRESS") || RootAdvertisesBus();
}

const gchar* ToolkitName() {
    return "Kestrel";
}

const gchar* ToolkitVersion() {
    return "1";
}

}  // namespace

void StartAccessibility() {
    if (active || !BusAdvertised()) {
        return;
    }
    auto* util = static_cast<AtkUtilClass*>(g_type_class_ref(ATK_TYPE_UTIL));
    util->get_root = atk::Root;
    util->get_toolkit_name = ToolkitName;
    util->get_toolkit_version = ToolkitVersion;
    // This thread iterates the context from now on, inside the message loop.
    g_main_context_acquire(g_main_context_default());
    active = atk_bridge_adaptor_init(nullptr, nullptr) == 0;
}

void NotifyAccessible(NativeWindow window, AccessibleEvent event) {
    if (active) {
        atk::Announce(window, event);
    }
}

namespace backend {

void AddAccessibilityPoll(std::vector<pollfd>& fds, long& waitMs, int& priority) {
    if (!active) {
        return;
    }
    GMainContext* context = g_main_context_default();
    g_main_context_prepare(context, &priority);
    std::vector<GPollFD> glibFds(8);
    gint timeout = -1;
    for (;;) {
        const gint needed = g_main_context_query(context, priority, &timeout, glibFds.data(),
                                                 static_cast<gint>(glibFds.size()));
        if (static_cast<size_t>(needed) <= glibFds.size()) {
            glibFds.resize(static_cast<size_t>(needed));
            break;
        }
        glibFds.resize(static_cast<size_t>(needed));
    }
    for (const GPollFD& fd : glibFds) {
        fds.push_back({fd.fd, static_cast<short>(fd.events), 0});
    }
    if (timeout >= 0 && (waitMs < 0 || timeout < waitMs)) {
        waitMs = timeout;
    }
}

void DispatchAccessibilityPoll(std::span<const pollfd> fds, int priority) {
    if (!active) {
        return;
    }
    GMainContext* context = g_main_context_default();
    std::vector<GPollFD> glibFds;
    for (const pollfd& fd : fds) {
        glibFds.push_back(
            {fd.fd, static_cast<gushort>(fd.events), static_cast<gushort>(fd.revents)});
    }
    if (g_main_context_check(context, priority, glibFds.data(),
                             static_cast<gint>(glibFds.size()))) {
        g_main_context_dispatch(context);
    }
}

}  // namespace backend
}  // namespace platform
