// Small POSIX helpers shared by the Linux backend: environment values and folder checks.
#pragma once

#include <string>

namespace platform::posix {

// The value of an environment variable; empty when it is unset.
std::string EnvironmentValue(const char* name);

// True when `path` names an existing folder (through links).
bool IsDirectory(const std::string& path);

}  // namespace platform::posix
