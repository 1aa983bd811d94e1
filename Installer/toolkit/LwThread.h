// A worker thread object: run() executes on a thread of its own under the fault guard, and the
// object deletes itself when run() returns or faults.
#pragma once

#include "platform/Thread.h"

class LwThread {
  public:
    virtual ~LwThread() = default;
    virtual void run() = 0;

    // Starts `thread` on a new thread; from then on the object belongs to that thread, and the
    // caller must not touch it again. False when no thread could be started: the object is
    // deleted here and run() never happens.
    static bool Start(LwThread* thread);

    // Told about a fault escaping run(), process-wide. The application's crash reporter sets
    // itself as the default; with none, faults still end only their thread.
    static void SetFaultReporter(platform::FaultReporter reporter);

    // Stored before the thread runs; nothing reads it.
    platform::ThreadHandle handle = 0;
    // Told about a fault escaping this thread's run() instead of the process-wide reporter;
    // written by the creator before Start.
    platform::FaultReporter faultReporter = nullptr;

  private:
    static void ThreadProcedure(void* object);
};
