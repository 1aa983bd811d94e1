// Process ids, local time and the user's folders on Linux (XDG user directories).
#include "platform/Process.h"

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>

namespace platform {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs: a quoted path, relative to $HOME when it starts with
// "$HOME/"; other forms are not valid there.
std::string ConfiguredDocumentsFolder(const std::string& home) {
    std::string config = Environment("XDG_CONFIG_HOME");
    if (config.empty() || config[0] != '/') {
        config = home + "/.config";
    }
    std::ifstream file(config + "/user-dirs.dirs");
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    std::string line;
    while (std::getline(file, line)) {
        if (line.compare(0, key.size(), key) != 0 || line.back() != '"') {
            continue;
        }
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.compare(0, 6, "$HOME/") == 0) {
            return home + value.substr(5);
        }
        if (value == "$HOME") {
            return home;
        }
        return value[0] == '/' ? value : "";
    }
    return home + "/Documents";
}

}  // namespace

LocalTime CurrentLocalTime() {
    const time_t now = time(nullptr);
    struct tm parts {};
    localtime_r(&now, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

long CurrentProcessId() {
    return static_cast<long>(getpid());
}

long CurrentThreadId() {
    return static_cast<long>(syscall(SYS_gettid));
}

std::string DocumentsFolder() {
    const std::string home = Environment("HOME");
    if (home.empty()) {
        return "";
    }
    const std::string folder = ConfiguredDocumentsFolder(home);
    return IsFolder(folder) ? folder : "";
}

std::string TemporaryFolder() {
    const std::string folder = Environment("TMPDIR");
    return IsFolder(folder) ? folder : "/tmp";
}

}  // namespace platform
