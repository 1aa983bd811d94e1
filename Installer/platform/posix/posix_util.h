// Small POSIX helpers shared by the Linux backend: environment values and folder checks.
#pragma once

#include <cstdint>
#include <string>

namespace platform::posix {

// The value of an environment variable; empty when it is unset.
std::string EnvironmentValue(const char* name);

// True when `path` names an existing folder (through links).
bool IsDirectory(const std::string& path);

// One line of /proc/<pid>/maps.
struct MapsEntry {
    uint64_t start = 0;
    uint64_t end = 0;
    uint64_t offset = 0;  // into the mapped file
    uint64_t inode = 0;   // 0: not backed by a file
    std::string permissions;
    std::string path;
};

// False when the line does not describe a mapping.
bool ParseMapsLine(const std::string& line, MapsEntry* out);

}  // namespace platform::posix
