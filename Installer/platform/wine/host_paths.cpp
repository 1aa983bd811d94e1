// Host paths on Linux: a Windows path of a host in the Wine prefix becomes the Unix path of
// the same file, resolved the way Wine resolves it (drive links in dosdevices, existing names
// matched without case); a Unix path stays a Unix path.
#include <dirent.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/HostPaths.h"
#include "platform/posix/posix_util.h"
#include "platform/wine/wine_prefix.h"

namespace platform {
namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// The entry of `directory` named `name` without regard to case; empty when there is none.
std::string FindIgnoringCase(const std::string& directory, const std::string& name) {
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) {
        return {};
    }
    std::string found;
    while (const dirent* entry = readdir(dir)) {
        if (wine::EqualIgnoringCaseUtf8(entry->d_name, name)) {
            found = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

std::string JoinPath(const std::string& base, const std::vector<std::string>& parts) {
    std::string path = base;
    for (const std::string& part : parts) {
        if (path.empty() || path.back() != '/') {
            path += '/';
        }
        path += part;
    }
    return path;
}

// Appends the components of `rest` to `base`: "." and empty components vanish, ".." goes up
// (never above `base`), an existing entry is taken with its own spelling, and from the first
// missing one on the components keep the spelling they have.
std::string ResolveBelow(const std::string& base, std::string_view rest) {
    std::vector<std::string> parts;
    bool resolving = posix::IsDirectory(base);
    size_t start = 0;
    while (start <= rest.size()) {
        size_t stop = start;
        while (stop < rest.size() && !IsSeparator(rest[stop])) {
            ++stop;
        }
        const std::string name(rest.substr(start, stop - start));
        start = stop + 1;
        if (name.empty() || name == ".") {
            continue;
        }
        if (name == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            resolving = posix::IsDirectory(JoinPath(base, parts));
            continue;
        }
        if (resolving) {
            const std::string directory = JoinPath(base, parts);
            if (Exists(directory + "/" + name)) {
                parts.push_back(name);
                continue;
            }
            std::string match = FindIgnoringCase(directory, name);
            if (!match.empty()) {
                parts.push_back(std::move(match));
                continue;
            }
            resolving = false;
        }
        parts.push_back(name);
    }
    return JoinPath(base, parts);
}

bool IsDriveLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The folder a drive letter's link in the prefix points to; empty when the drive is missing.
std::string DriveRoot(char letter) {
    const char lower = static_cast<char>(letter | 0x20);
    const std::string link = wine::PrefixPath() + "/dosdevices/" + lower + ":";
    char resolved[PATH_MAX];
    if (realpath(link.c_str(), resolved) == nullptr) {
        return {};
    }
    return resolved;
}

}  // namespace

std::string HostPathToFilePath(const std::string& hostPathUtf8) {
    std::string_view path = hostPathUtf8;
    // "\\?\C:\..." is a long-path form of "C:\...".
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == '?' &&
        IsSeparator(path[3])) {
        path.remove_prefix(4);
    }
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
        const std::string root = DriveRoot(path[0]);
        return root.empty() ? std::string() : ResolveBelow(root, path.substr(2));
    }
    if (path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // A network path \\server\share\...: Wine keeps these below dosdevices/unc.
        return ResolveBelow(wine::PrefixPath() + "/dosdevices/unc", path.substr(2));
    }
    if (!path.empty() && path[0] == '/') {
        // A folder of this system (the Custom entry); the installer joins names with `\`.
        std::string unixPath(path);
        for (char& c : unixPath) {
            if (c == '\\') {
                c = '/';
            }
        }
        return unixPath;
    }
    return {};
}

}  // namespace platform
