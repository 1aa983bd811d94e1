// Other programs run as child processes: arguments handed over as they are (no shell), standard
// output collected, while the caller blocks or waits its own way (the folder chooser keeps the
// message loop running).
#pragma once

#include <sys/types.h>

#include <span>
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

// Returns once one of `descriptors` is readable or closed; negative ones are left out.
using WaitForDescriptors = void (*)(std::span<const int> descriptors);

// Waits in poll(2) and nothing else: any thread may.
void PollDescriptors(std::span<const int> descriptors);

// Runs `arguments[0]` (looked up on PATH) with `arguments` until it ends; between reads of its
// output, `waitForOutput` watches that output and the child's end.
ChildResult RunChild(const std::vector<std::string>& arguments,
                     WaitForDescriptors waitForOutput = PollDescriptors);

}  // namespace platform::posix
