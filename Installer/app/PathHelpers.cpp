// Separator handling for internal and native paths. Separators are single bytes that never
// occur inside a multi-byte UTF-8 sequence, so the work is byte by byte.
#include "app/PathHelpers.h"

#include <algorithm>

#include "platform/Files.h"

void NormalizeSlashes(std::string& path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    CollapseSlashes(path);
}

void CollapseSlashes(std::string& path) {
    if (path.empty()) {
        return;
    }
    const bool network = path.size() >= 4 && path[0] == '/' && path[1] == '/';
    // One pass that keeps a separator only when the previous kept byte is not one.
    auto last =
        std::unique(path.begin(), path.end(), [](char a, char b) { return a == '/' && b == '/'; });
    path.erase(last, path.end());
    if (network && path[0] == '/') {
        path.insert(path.begin(), '/');
    }
}

std::string ToNativePath(const char* path) {
    if (path == nullptr) {
        return {};
    }
    std::string native(path);
    NormalizeSlashes(native);
    std::replace(native.begin(), native.end(), '/', '\\');
    return native;
}

std::string FolderOf(const std::string& path) {
    const size_t separator = path.find_last_of(platform::BackslashSeparatesFolders() ? "/\\" : "/");
    return separator == std::string::npos || separator == 0 ? "" : path.substr(0, separator);
}
