// The minidump writer: the streams in order, for the faulting thread or the calling one.
#include "platform/Minidump.h"

#include <fcntl.h>
#include <ucontext.h>
#include <unistd.h>

#include <vector>

#include "minidump_file.h"
#include "platform/Process.h"

namespace platform {

using namespace minidump;

bool WriteMinidump(const std::string& path, const FaultRecord* fault) {
    // The dump holds the process's memory: only its owner may read it. A new file only, and
    // never through a link, so that nothing planted in a shared folder receives it.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }

    // Without a recorded fault, the calling thread is recorded as it is here.
    ThreadState current;
    std::vector<uint8_t> stackCopy;
    long threadId = fault ? fault->threadId : 0;
    const ThreadState* state = fault ? fault->thread : nullptr;
    if (!state) {
        ucontext_t context;
        if (getcontext(&context) == 0) {
            stackCopy.resize(kStackCopyCapacity);
            CaptureThreadState(context, CurrentStackBounds(), stackCopy.data(), stackCopy.size(),
                               &current);
        }
        state = &current;
        threadId = CurrentThreadId();
    }

    DumpFile file(fd);
    std::vector<SavedMemory> memory;
    WriteSystemInfo(file);
    const Location context = WriteThreadContext(file, *state);
    WriteThreadList(file, threadId, *state, context, memory);
    if (fault) {
        FaultRecord withThread = *fault;
        withThread.threadId = threadId;
        WriteException(file, withThread, context);
    }
    WriteModules(file, memory);
    WriteMemoryList(file, memory);
    WriteMemoryInfo(file);
    WriteProcFile(file, kLinuxMapsStream, "/proc/self/maps");
    WriteProcFile(file, kLinuxProcStatusStream, "/proc/self/status");
    WriteProcFile(file, kLinuxCommandLineStream, "/proc/self/cmdline");
    WriteProcFile(file, kLinuxAuxvStream, "/proc/self/auxv");
    const bool written = file.Finish(kWithDataSegments);
    return close(fd) == 0 && written;
}

}  // namespace platform
