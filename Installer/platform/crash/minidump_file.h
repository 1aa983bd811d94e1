// Appending records to a minidump file and collecting its stream directory (backend only).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "minidump_format.h"
#include "thread_state.h"

namespace platform::minidump {

class DumpFile {
  public:
    explicit DumpFile(int fd);

    // Appends bytes at the end, 8-byte aligned, and returns where they went.
    Location Append(const void* data, size_t size);
    template <typename T>
    Location AppendRecord(const T& record) {
        return Append(&record, sizeof record);
    }
    // Appends memory of process `pid`; an unreadable part ends it.
    Location AppendProcessMemory(pid_t pid, uintptr_t address, size_t size);
    // A length-prefixed UTF-16 string, as module names and version texts are stored.
    uint32_t AppendString(const std::string& utf8);
    void Patch(uint32_t rva, const void* data, size_t size);

    void AddStream(uint32_t type, Location location);
    // Writes the directory and the header; true when every write succeeded.
    bool Finish(uint64_t flags);

  private:
    void Align();

    int m_fd;
    uint64_t m_end = sizeof(Header);
    bool m_ok = true;
    std::vector<Directory> m_directory;
};

// A memory range recorded in the memory list.
struct SavedMemory {
    uint64_t address = 0;
    Location location;
};

// Writes a minidump of process `pid` (not the calling one: its threads are stopped and read
// from outside) into `path`. The faulting thread's state comes from `fault->thread` where it
// is known, otherwise it is read like the others.
bool WriteProcessMinidump(const std::string& path, long pid, const FaultRecord* fault);

// The streams, one writer per topic.
void WriteSystemInfo(DumpFile& file);
// Every thread with its context record and stack, the stacks listed in `memory`. Returns the
// context record of thread `faultingThread`, empty when it is not among them.
Location WriteThreadList(DumpFile& file, const std::vector<const ThreadState*>& threads,
                         long faultingThread, std::vector<SavedMemory>& memory);
void WriteException(DumpFile& file, const FaultRecord& fault, const ThreadState* faulting,
                    Location context);
void WriteModules(DumpFile& file, pid_t pid, std::vector<SavedMemory>& dataSegments);
void WriteMemoryList(DumpFile& file, const std::vector<SavedMemory>& memory);
void WriteMemoryInfo(DumpFile& file, pid_t pid);
// A file of /proc/<pid> copied whole as a stream.
void WriteProcFile(DumpFile& file, uint32_t type, pid_t pid, const char* name);

}  // namespace platform::minidump
