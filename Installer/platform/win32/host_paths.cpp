// Host paths on Windows: a host's folder from the registry is already a path of this machine,
// used as it stands; only a path that names no place here is refused.
#include "platform/HostPaths.h"

#include "platform/Unicode.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsDriveLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::string HostPathToFilePath(const std::string& hostPathUtf8) {
    std::string_view path = hostPathUtf8;
    // "\\?\C:\..." is a long-path form of "C:\...".
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == '?' &&
        IsSeparator(path[3])) {
        path.remove_prefix(4);
    }
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2])) {
        const wchar_t root[] = {static_cast<wchar_t>(path[0]), L':', L'\\', L'\0'};
        return GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR ? std::string() : hostPathUtf8;
    }
    if (path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        return hostPathUtf8;  // a network path: whether the share is there shows on writing
    }
    // Relative to the current folder or drive ("Plug-ins", "C:Plug-ins", "\Plug-ins"): a
    // registry entry never means those, and they would land wherever the process happens to be.
    return {};
}

}  // namespace platform
