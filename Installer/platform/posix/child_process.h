// Other programs run as child processes: arguments handed over as they are (no shell), standard
// output collected, while the caller blocks or waits its own way (the folder chooser keeps the
// message loop running).
#pragma once

#include <sys/types.h>

#include <span>
#include <string>
#include <vector>

namespace platform::posix {

// Starts the program at the path `program` with `argv` as its argument vector, every signal at
// its default and none blocked, and `environment` (this process's own when null). With
// `outputFd`, the child reads nothing and writes its standard output into that descriptor.
// Returns the process id, or -1 when the program could not be run.
pid_t StartProgram(const std::string& program, const std::vector<std::string>& argv,
                   int outputFd = -1, const std::vector<std::string>* environment = nullptr);

// The scale factor of the program's windows, for the desktop tools' own (1 until set).
void SetDesktopToolScale(double scale);

// Where the desktop tool `name` (zenity, kdialog) is: looked up in the system's program folders
// only, never on PATH; empty when it is not there.
std::string DesktopToolPath(const std::string& name);

struct ChildResult {
    bool started = false;  // false: the program could not be run at all
    int exitCode = -1;     // -1 when it ended through a signal or its end was lost
    std::string output;    // what it wrote on its standard output (the first MiB)
};

// Returns once one of `descriptors` is readable or closed; negative ones are left out.
using WaitForDescriptors = void (*)(std::span<const int> descriptors);

// Waits in poll(2) and nothing else: any thread may.
void PollDescriptors(std::span<const int> descriptors);

// Runs the desktop tool `arguments[0]` (see DesktopToolPath) with `arguments` until it ends, in
// an environment of only what it needs to show itself; between reads of its output,
// `waitForOutput` watches that output and the child's end.
ChildResult RunChild(const std::vector<std::string>& arguments,
                     WaitForDescriptors waitForOutput = PollDescriptors);

}  // namespace platform::posix
