// Threads: starting one, and the guard that turns a fault in a thread's work into a report.
#pragma once

#include <cstdint>

namespace platform {

struct FaultRecord;

using ThreadHandle = uintptr_t;
using ThreadEntry = void (*)(void* argument);
// Told about a fault on the faulting thread; the result is ignored.
using FaultReporter = int (*)(const FaultRecord* fault);

// Starts entry(argument) on a new thread that nothing waits for. `*handle` is stored before
// entry runs, so it may live in an object that entry deletes. False when no thread started.
bool StartThread(ThreadEntry entry, void* argument, ThreadHandle* handle);

// Runs body(argument) on the calling thread. A fault in it (a SIGSEGV, SIGBUS, SIGFPE, SIGILL
// or SIGABRT on this thread, or a C++ exception escaping body) is handed to `reporter` with
// the thread's state at the fault; RunGuarded then returns false as if body had returned.
// Faults on threads outside such a guard keep their usual effect.
bool RunGuarded(ThreadEntry body, void* argument, FaultReporter reporter);

}  // namespace platform
