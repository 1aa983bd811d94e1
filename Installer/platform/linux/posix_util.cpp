// Small POSIX helpers shared by the Linux backend.
#include "platform/linux/posix_util.h"

#include <sys/stat.h>

#include <cstdlib>

namespace platform::posix {

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace platform::posix
