// Capturing a thread's registers and stack for a minidump.
#include "thread_state.h"

#include <pthread.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

constexpr uintptr_t kRedZone = 128;

// Reads this process's memory through the kernel, which reports unmapped pages instead of
// faulting. Returns the count of bytes read from the start of the range.
size_t ReadOwnMemory(uintptr_t address, uint8_t* buffer, size_t size) {
    iovec local{buffer, size};
    iovec remote{reinterpret_cast<void*>(address), size};
    const ssize_t count = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    return count > 0 ? static_cast<size_t>(count) : 0;
}

}  // namespace

StackBounds CurrentStackBounds() {
    StackBounds bounds;
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0) {
        return bounds;
    }
    void* address = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attributes, &address, &size) == 0) {
        bounds.bottom = reinterpret_cast<uintptr_t>(address);
        bounds.top = bounds.bottom + size;
    }
    pthread_attr_destroy(&attributes);
    return bounds;
}

void CaptureThreadState(const ucontext_t& context, StackBounds stack, uint8_t* buffer,
                        size_t capacity, ThreadState* state) {
    std::memcpy(state->registers, context.uc_mcontext.gregs, sizeof state->registers);
    state->hasFloatingPoint = context.uc_mcontext.fpregs != nullptr;
    if (state->hasFloatingPoint) {
        std::memcpy(&state->floatingPoint, context.uc_mcontext.fpregs, sizeof state->floatingPoint);
    }

    const auto sp = static_cast<uintptr_t>(context.uc_mcontext.gregs[REG_RSP]);
    uintptr_t start = sp > kRedZone ? sp - kRedZone : 0;
    uintptr_t end = start + capacity;
    if (stack.top > stack.bottom && sp >= stack.bottom && sp < stack.top) {
        start = std::max(start, stack.bottom);
        end = std::min(end, stack.top);
    }
    state->stackStart = start;
    state->stackSize = buffer ? ReadOwnMemory(start, buffer, end - start) : 0;
    state->stackCopy = buffer;
}

}  // namespace platform
