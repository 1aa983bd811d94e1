// Threads: starting one, and the guard that turns a fault in a thread's work into a report.
#pragma once

#include <cstdint>

namespace platform {

struct FaultRecord;

using ThreadHandle = uintptr_t;
using ThreadEntry = void (*)(void* argument);
// Told about a fault while the faulting thread waits. It runs in the crash server, a process
// forked from this one before any fault, with the faulting process's environment, so that a
// corrupted heap or a lock held by the faulting thread cannot stop it: `fault->processId`
// names the faulting process. The result is ignored.
using FaultReporter = int (*)(const FaultRecord* fault);

// Starts entry(argument) on a new thread that nothing waits for. `*handle` is stored before
// entry runs, so it may live in an object that entry deletes. False when no thread started.
bool StartThread(ThreadEntry entry, void* argument, ThreadHandle* handle);

// Runs body(argument) on the calling thread. A fault in it (a SIGSEGV, SIGBUS, SIGFPE, SIGILL
// or SIGABRT on this thread, or a C++ exception escaping body that no caller of RunGuarded
// catches, reported where it was thrown before anything unwinds) is handed to `reporter` with the
// thread's state at the fault; RunGuarded then returns false as if body had returned. An abort by
// the memory allocator's own checks (a corrupt heap, its lock perhaps held) is reported too, and
// then the process ends with that signal: nothing could free memory safely any more. Faults on
// threads outside such a guard keep their usual effect.
bool RunGuarded(ThreadEntry body, void* argument, FaultReporter reporter);

// Undoes something while it is pending on a guarded thread, should the thread fault: a fault
// skips destructors, and the rest of the program must not wait for this thread, for example
// on a mutex that it holds. Undo steps run on the faulting thread before the report, newest
// first. Outside a guard it does nothing.
class FaultCleanup {
  public:
    FaultCleanup(void (*undo)(void* argument), void* argument);
    ~FaultCleanup();
    FaultCleanup(const FaultCleanup&) = delete;
    FaultCleanup& operator=(const FaultCleanup&) = delete;

  private:
    bool m_registered = false;
};

}  // namespace platform
