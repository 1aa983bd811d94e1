// The desktop on Windows: every interactive session has one; only a process in a window station
// that nobody sees (a service) cannot show its windows to anyone.
#include "platform/Display.h"

#include "platform/win32/windows_api.h"

namespace platform {

std::string ConnectDisplay() {
    USEROBJECTFLAGS flags{};
    HWINSTA station = GetProcessWindowStation();
    if (station && GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
        !(flags.dwFlags & WSF_VISIBLE)) {
        return "the program runs as a service, without a desktop that anyone sees";
    }
    return "";
}

}  // namespace platform
