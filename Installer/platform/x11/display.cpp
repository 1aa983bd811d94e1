// Connecting to the X display.
#include "platform/Display.h"

#include "platform/posix/posix_util.h"
#include "platform/x11/x11_display.h"

namespace platform {

std::string ConnectDisplay() {
    const std::string name = posix::EnvironmentValue("DISPLAY");
    if (name.empty()) {
        return "DISPLAY is empty";
    }
    if (!x11::Connection()) {
        return "the display \"" + name + "\" cannot be opened";
    }
    return "";
}

}  // namespace platform
