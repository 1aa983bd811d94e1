// The registers and stack copy of one thread, as a minidump records them (backend only).
#pragma once

#include <sys/ucontext.h>

#include <cstddef>
#include <cstdint>

#include "platform/Minidump.h"

namespace platform {

// Enough of a stack for the debugger to walk every frame of a worker.
constexpr size_t kStackCopyCapacity = 512 * 1024;

struct ThreadState {
    gregset_t registers{};
    struct _libc_fpstate floatingPoint {};
    bool hasFloatingPoint = false;
    uintptr_t stackStart = 0;  // address of the first copied byte
    size_t stackSize = 0;
    const uint8_t* stackCopy = nullptr;
};

struct StackBounds {
    uintptr_t bottom = 0;  // lowest address of the stack
    uintptr_t top = 0;     // one past its highest address
};

// The calling thread's stack. Not async-signal-safe: ask before a fault.
StackBounds CurrentStackBounds();

// Fills `state` from `context`, copying the stack from just below its stack pointer (the red
// zone included) towards `stack.top`, at most `capacity` bytes into `buffer`. Unreadable stack
// ends the copy early instead of faulting. Async-signal-safe.
void CaptureThreadState(const ucontext_t& context, StackBounds stack, uint8_t* buffer,
                        size_t capacity, ThreadState* state);

}  // namespace platform
