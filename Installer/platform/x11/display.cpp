// Connecting to the X display, with the invoking user's rights when the program runs as root for
// them.
#include "platform/Display.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "platform/posix/invoking_user.h"
#include "platform/posix/posix_util.h"
#include "platform/x11/x11_display.h"

namespace platform {
namespace {

// Root's own authority file does not open the user's display; theirs does. Only when nobody
// named a file already (sudo keeps XAUTHORITY when it is set).
void UseInvokingUsersAuthority() {
    const std::optional<posix::InvokingUser> user = posix::InvokingUserOfRoot();
    if (!user || user->home.empty() || !posix::EnvironmentValue("XAUTHORITY").empty()) {
        return;
    }
    const std::string file = user->home + "/.Xauthority";
    if (access(file.c_str(), R_OK) == 0) {
        setenv("XAUTHORITY", file.c_str(), 1);
    }
}

}  // namespace

std::string ConnectDisplay() {
    const std::string name = posix::EnvironmentValue("DISPLAY");
    if (name.empty()) {
        return "DISPLAY is empty";
    }
    UseInvokingUsersAuthority();
    if (!x11::Connection()) {
        return "the display \"" + name + "\" cannot be opened";
    }
    return "";
}

}  // namespace platform
