// The system's own words for why a call failed.
#pragma once

#include <string>

namespace platform {

// The text the system gives for one of its error numbers (errno on Linux, a GetLastError code on
// Windows), on one line and without a closing full stop, so that it can follow a folder's name.
std::string SystemErrorText(int systemError);

}  // namespace platform
