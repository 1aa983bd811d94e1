// The crash server: a process forked before any fault that writes the dumps of this process
// and runs its fault reports, so that a faulting thread needs neither the heap nor any lock
// that it may have been holding (backend only).
#pragma once

#include <sys/ucontext.h>

#include <cstddef>
#include <cstdint>

#include "platform/Minidump.h"
#include "platform/Thread.h"

namespace platform::crashserver {

enum class RequestKind : uint32_t {
    Report,  // run `reporter` for `fault`
    Dump,    // write a dump of the process into `path`
};

constexpr size_t kPathCapacity = 4096;
// The reporter runs with the faulting process's environment (folders, display, search path).
constexpr size_t kEnvironmentCapacity = 48 * 1024;

// Plain data only: it is filled in a signal handler and sent as it is.
struct Request {
    RequestKind kind = RequestKind::Dump;
    long processId = 0;
    bool hasFault = false;
    FaultRecord fault;        // its thread pointer is not sent
    bool hasContext = false;  // the faulting thread's registers at the fault
    gregset_t registers{};
    struct _libc_fpstate floatingPoint {};
    bool hasFloatingPoint = false;
    FaultReporter reporter = nullptr;
    char path[kPathCapacity] = {};
    size_t environmentSize = 0;
    char environment[kEnvironmentCapacity] = {};  // "NAME=value" strings, each ending in NUL
};

// Starts the server for this process unless it runs already. Not async-signal-safe: the
// guard calls it before the guarded work begins.
bool Start();

// Fills `environment` from this process's environment. Async-signal-safe.
void CaptureEnvironment(Request* request);

// Sends `request` to the server and waits for its answer: 1 done, 0 failed, -1 no server.
// Async-signal-safe.
int Exchange(const Request& request);

// True inside the server process.
bool IsServer();

}  // namespace platform::crashserver
