// Thread start on Linux: detached POSIX threads.
#include "platform/Thread.h"

#include <pthread.h>

#include <mutex>

#include "crash_server.h"

namespace platform {
namespace {

struct StartRequest {
    ThreadEntry entry;
    void* argument;
};

// Held by the starter until the handle is stored; the new thread passes it before its entry runs.
std::mutex startMutex;

void* ThreadMain(void* raw) {
    const StartRequest request = *static_cast<StartRequest*>(raw);
    delete static_cast<StartRequest*>(raw);
    { std::lock_guard<std::mutex> handleStored(startMutex); }
    request.entry(request.argument);
    return nullptr;
}

}  // namespace

bool StartThread(ThreadEntry entry, void* argument, ThreadHandle* handle) {
    // The crash server of the guarded threads is forked here, by the thread that starts them and
    // before the new one runs. A fork copies only the forking thread: a lock that another thread
    // held at that moment (an allocator's, say) would stay held in the server for ever.
    crashserver::Start();
    auto* request = new StartRequest{entry, argument};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);

    std::lock_guard<std::mutex> storing(startMutex);
    pthread_t thread{};
    const bool started = pthread_create(&thread, &attributes, ThreadMain, request) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) {
        delete request;
        return false;
    }
    if (handle) {
        *handle = static_cast<ThreadHandle>(thread);
    }
    return true;
}

}  // namespace platform
