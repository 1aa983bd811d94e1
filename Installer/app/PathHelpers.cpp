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

namespace {

constexpr const char* kEllipsis = "\xE2\x80\xA6";

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// Past the first separator that follows a name: "C:\", "/home/", "\\server\".
size_t HeadLength(const std::string& path) {
    bool named = false;
    for (size_t i = 0; i < path.size(); ++i) {
        if (!IsSeparator(path[i])) {
            named = true;
        } else if (named) {
            return i + 1;
        }
    }
    return 0;
}

bool StartsCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

}  // namespace

std::string ElidePathMiddle(const std::string& path, int width,
                            const std::function<int(const std::string&)>& widthOf) {
    if (widthOf(path) <= width) {
        return path;
    }
    const std::string head = path.substr(0, HeadLength(path));
    // Whole names first, the longest tail that fits; then the tail cut inside a name; then no
    // head at all.
    for (size_t i = head.size(); i < path.size(); ++i) {
        if (i > 0 && IsSeparator(path[i]) && !IsSeparator(path[i - 1])) {
            const std::string shown = head + kEllipsis + path.substr(i);
            if (widthOf(shown) <= width) {
                return shown;
            }
        }
    }
    for (const std::string& start : {head, std::string()}) {
        for (size_t i = start.size() + 1; i < path.size(); ++i) {
            const std::string shown = start + kEllipsis + path.substr(i);
            if (StartsCharacter(path[i]) && widthOf(shown) <= width) {
                return shown;
            }
        }
    }
    return kEllipsis;
}

std::string FolderOf(const std::string& path) {
    const size_t separator = path.find_last_of(platform::BackslashSeparatesFolders() ? "/\\" : "/");
    return separator == std::string::npos || separator == 0 ? "" : path.substr(0, separator);
}
