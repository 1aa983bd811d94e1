// The registers and stack copy of one thread of a process being dumped (backend only).
#pragma once

#include <sys/types.h>
#include <sys/ucontext.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Minidump.h"

namespace platform {

// Enough of a stack for the debugger to walk every frame of a worker.
constexpr size_t kStackCopyCapacity = 512 * 1024;

struct ThreadState {
    long threadId = 0;
    gregset_t registers{};
    struct _libc_fpstate floatingPoint {};
    bool hasFloatingPoint = false;
    uintptr_t stackStart = 0;  // address of the first copied byte
    std::vector<uint8_t> stack;
};

// Reads memory of process `pid` through the kernel, which reports unmapped pages instead of
// faulting. Returns the count of bytes read from the start of the range.
size_t ReadProcessMemory(pid_t pid, uintptr_t address, void* buffer, size_t size);

// Copies the stack of a thread of `pid` whose registers `state` holds: from just below its
// stack pointer (the red zone included) to the end of the mapping that holds it, at most
// kStackCopyCapacity bytes.
void CopyThreadStack(pid_t pid, ThreadState* state);

// Stops every thread of `pid` but `except` with ptrace and records its registers and stack;
// the threads stay stopped until the object goes away. Threads that cannot be stopped are
// left out.
class StoppedThreads {
  public:
    StoppedThreads(pid_t pid, long except);
    ~StoppedThreads();
    StoppedThreads(const StoppedThreads&) = delete;
    StoppedThreads& operator=(const StoppedThreads&) = delete;

    std::vector<ThreadState>& states() { return m_states; }

  private:
    std::vector<long> m_attached;
    std::vector<ThreadState> m_states;
};

}  // namespace platform
