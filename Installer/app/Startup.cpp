// Start-up: the elevation marker, the relaunch and the display check.
#include "app/Startup.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/Display.h"
#include "platform/Process.h"

bool IsElevatedInstance(const std::vector<std::string>& arguments) {
    return std::find(arguments.begin(), arguments.end(), kElevationMarker) != arguments.end();
}

int RelaunchElevated() {
    return platform::StartSelf({kElevationMarker}) ? 0 : 1;
}

bool CheckDisplay() {
    const std::string problem = platform::ConnectDisplay();
    if (problem.empty()) {
        return true;
    }
    std::fprintf(stderr, "%s: no display: use --silent, or set DISPLAY (%s)\n", kProgramName,
                 problem.c_str());
    return false;
}
