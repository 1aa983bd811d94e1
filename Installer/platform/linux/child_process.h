// Other programs run as child processes: arguments handed over as they are (no shell), standard
// output collected, while the caller blocks or keeps the message loop running.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform::posix {

// Starts `program` (looked up on PATH when it holds no '/') with `argv` as its argument vector,
// every signal at its default and none blocked. With `outputFd`, the child reads nothing and
// writes its standard output into that descriptor. Returns the process id, or -1 when the
// program could not be run.
pid_t StartProgram(const std::string& program, const std::vector<std::string>& argv,
                   int outputFd = -1);

struct ChildResult {
    bool started = false;  // false: the program could not be run at all
    int exitCode = -1;     // -1 when it ended through a signal or its end was lost
    std::string output;    // what it wrote on its standard output (the first MiB)
};

enum class WhileChildRuns {
    Block,             // any thread
    DispatchMessages,  // loop thread only: windows keep painting and timers keep ticking
};

// Runs `arguments[0]` (looked up on PATH) with `arguments` until it ends.
ChildResult RunChild(const std::vector<std::string>& arguments, WhileChildRuns mode);

}  // namespace platform::posix
