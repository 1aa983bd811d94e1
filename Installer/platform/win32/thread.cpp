// Thread start on Windows: the C runtime's own thread start, so that the runtime's per-thread
// state is set up and released with the thread; the runtime closes the handle when it ends.
#include <process.h>

#include <mutex>

#include "platform/Thread.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

struct StartRequest {
    ThreadEntry entry;
    void* argument;
};

// Held by the starter until the handle is stored; the new thread passes it before its entry runs.
std::mutex startMutex;

void __cdecl ThreadMain(void* raw) {
    const StartRequest request = *static_cast<StartRequest*>(raw);
    delete static_cast<StartRequest*>(raw);
    { std::lock_guard<std::mutex> handleStored(startMutex); }
    request.entry(request.argument);
}

}  // namespace

bool StartThread(ThreadEntry entry, void* argument, ThreadHandle* handle) {
    auto* request = new StartRequest{entry, argument};
    std::lock_guard<std::mutex> storing(startMutex);
    const uintptr_t thread = _beginthread(&ThreadMain, 0, request);
    if (thread == static_cast<uintptr_t>(-1) || thread == 0) {
        delete request;
        return false;
    }
    if (handle) {
        *handle = static_cast<ThreadHandle>(thread);
    }
    return true;
}

}  // namespace platform
