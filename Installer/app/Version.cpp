// The installer's version.
#include "app/Version.h"

InstallerVersion CurrentVersion() {
    return {1, 6, 2, 480};
}

std::string VersionText() {
    const InstallerVersion version = CurrentVersion();
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.patch) + " (build " + std::to_string(version.build) + ")";
}
