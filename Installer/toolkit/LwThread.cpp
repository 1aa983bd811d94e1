// The thread procedure of every LwThread: run() under the fault guard, then delete.
#include "toolkit/LwThread.h"

#include <atomic>

namespace {

std::atomic<platform::FaultReporter> processReporter{nullptr};

void Run(void* object) {
    static_cast<LwThread*>(object)->run();
}

}  // namespace

bool LwThread::Start(LwThread* thread) {
    if (!platform::StartThread(&LwThread::ThreadProcedure, thread, &thread->handle)) {
        delete thread;
        return false;
    }
    return true;
}

void LwThread::SetFaultReporter(platform::FaultReporter reporter) {
    processReporter.store(reporter, std::memory_order_release);
}

void LwThread::ThreadProcedure(void* object) {
    auto* thread = static_cast<LwThread*>(object);
    const platform::FaultReporter reporter = thread->faultReporter
                                                 ? thread->faultReporter
                                                 : processReporter.load(std::memory_order_acquire);
    platform::RunGuarded(&Run, thread, reporter);
    delete thread;
}
