// The system's list of installed programs ("Apps & features" on Windows) and its uninstaller.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct UninstallEntry {
    std::string keyName;  // below HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall
    std::string displayName;
    std::string displayVersion;
    std::string publisher;
    std::string installLocation;
    uint32_t estimatedSizeKb = 0;
};

// Copies the running program to `programCopy` and lists `entry`, whose uninstall commands start
// that copy with --uninstall (--uninstall --silent for the quiet one). On Linux, where the hosts'
// registry is a Wine prefix whose files belong to its wineserver, nothing is listed and true
// comes back. False when the copy or the entry could not be made.
bool RegisterUninstaller(const UninstallEntry& entry, const std::string& programCopy);

// Removes the entry `keyName` and the program copy; a copy that is running (the uninstaller
// started from the list) goes when the system next starts. Nothing on Linux.
void RemoveUninstaller(const std::string& keyName, const std::string& programCopy);

}  // namespace platform
