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
    // Appends this process's memory straight from where it lies; an unreadable part ends it.
    Location AppendOwnMemory(uintptr_t address, size_t size);
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

// The streams, one writer per topic.
void WriteSystemInfo(DumpFile& file);
// The thread's context record; the stack copy is appended and listed in `memory`.
Location WriteThreadContext(DumpFile& file, const ThreadState& state);
void WriteThreadList(DumpFile& file, long threadId, const ThreadState& state, Location context,
                     std::vector<SavedMemory>& memory);
void WriteException(DumpFile& file, const FaultRecord& fault, Location context);
void WriteModules(DumpFile& file, std::vector<SavedMemory>& dataSegments);
void WriteMemoryList(DumpFile& file, const std::vector<SavedMemory>& memory);
void WriteMemoryInfo(DumpFile& file);
// A file of /proc/self copied whole as a stream.
void WriteProcFile(DumpFile& file, uint32_t type, const char* path);

}  // namespace platform::minidump
