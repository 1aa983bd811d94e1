// The minidump writer: every thread of the process stopped and read from outside, then the
// streams in order. A process cannot stop its own threads, so its dumps go to the crash server.
#include "platform/Minidump.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "crash_server.h"
#include "minidump_file.h"

namespace platform {

using namespace minidump;

bool WriteMinidump(const std::string& path, const FaultRecord* fault) {
    const long pid = fault && fault->processId ? fault->processId : getpid();
    if (pid != getpid()) {
        return WriteProcessMinidump(path, pid, fault);
    }
    auto request = std::make_unique<crashserver::Request>();
    if (path.size() >= sizeof request->path || !crashserver::Start()) {
        return false;
    }
    request->kind = crashserver::RequestKind::Dump;
    request->processId = pid;
    request->hasFault = fault != nullptr;
    if (fault) {
        request->fault = *fault;
        request->fault.thread = nullptr;
    }
    std::memcpy(request->path, path.c_str(), path.size() + 1);
    return crashserver::Exchange(*request) == 1;
}

namespace minidump {

bool WriteProcessMinidump(const std::string& path, long pid, const FaultRecord* fault) {
    // The dump holds the process's memory: only its owner may read it. A new file only, and
    // never through a link, so that nothing planted in a shared folder receives it.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const auto process = static_cast<pid_t>(pid);
    const ThreadState* known = fault ? fault->thread : nullptr;
    // Stopped until the dump is written, so that memory and registers agree.
    StoppedThreads stopped(process, known ? known->threadId : 0);
    std::vector<const ThreadState*> threads;
    const ThreadState* faulting = known;
    if (known) {
        threads.push_back(known);
    }
    for (const ThreadState& state : stopped.states()) {
        threads.push_back(&state);
        if (fault && !faulting && state.threadId == fault->threadId) {
            faulting = &state;
        }
    }

    DumpFile file(fd);
    std::vector<SavedMemory> memory;
    WriteSystemInfo(file);
    const Location context = WriteThreadList(file, threads, fault ? fault->threadId : 0, memory);
    if (fault) {
        WriteException(file, *fault, faulting, context);
    }
    WriteModules(file, process, memory);
    WriteMemoryList(file, memory);
    WriteMemoryInfo(file, process);
    WriteProcFile(file, kLinuxMapsStream, process, "maps");
    WriteProcFile(file, kLinuxProcStatusStream, process, "status");
    WriteProcFile(file, kLinuxCommandLineStream, process, "cmdline");
    WriteProcFile(file, kLinuxAuxvStream, process, "auxv");
    const bool written = file.Finish(kWithDataSegments);
    return close(fd) == 0 && written;
}

}  // namespace minidump
}  // namespace platform
