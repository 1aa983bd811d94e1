// The installer's version, as its log, record and machine-readable output name it.
#pragma once

#include <string>

struct InstallerVersion {
    int major = 0;
    int minor = 0;
    int patch = 0;
    int build = 0;
};

InstallerVersion CurrentVersion();

// "1.6.2 (build 480)".
std::string VersionText();
