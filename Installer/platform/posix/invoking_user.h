// The user the program works for: itself, or, when root starts it through sudo or pkexec, the
// user who asked, whom it becomes before it does anything else.
#pragma once

#include <string>

namespace platform::posix {

// The home folder of the user the program runs as.
std::string UserHome();

}  // namespace platform::posix
