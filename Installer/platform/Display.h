// The desktop's display, which every window needs.
#pragma once

#include <string>

namespace platform {

// Connects to the display. Returns the empty string when windows can be shown there, otherwise
// why not, as a short phrase for a message ("no display is set", ...).
std::string ConnectDisplay();

}  // namespace platform
