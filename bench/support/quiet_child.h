// Child processes of a benchmark, with their output discarded so that it cannot mix with the
// benchmark's report.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace benchsupport {

// Starts `argv` (argv[0] looked up on PATH); -1 when it could not be started.
pid_t StartQuiet(const std::vector<std::string>& argv);

// Starts `argv` and waits for it; true when it exited with 0.
bool RunQuiet(const std::vector<std::string>& argv);

}  // namespace benchsupport
