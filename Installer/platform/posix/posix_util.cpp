// Small POSIX helpers shared by the Linux backend.
#include "platform/posix/posix_util.h"

#include <sys/stat.h>

#include <cstdlib>
#include <sstream>

namespace platform::posix {

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ParseMapsLine(const std::string& line, MapsEntry* out) {
    std::istringstream fields(line);
    MapsEntry entry;
    char dash = 0;
    std::string device;
    fields >> std::hex >> entry.start >> dash >> entry.end >> entry.permissions >> entry.offset >>
        device >> std::dec >> entry.inode;
    if (!fields || dash != '-' || entry.end <= entry.start || entry.permissions.size() < 4) {
        return false;
    }
    std::getline(fields >> std::ws, entry.path);
    *out = std::move(entry);
    return true;
}

}  // namespace platform::posix
