// Minidump memory streams: the saved ranges, the process's memory map, and /proc/self files.
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "minidump_file.h"

namespace platform::minidump {
namespace {

std::string ReadWholeFile(const char* path) {
    std::string content;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return content;
    }
    char buffer[16384];
    ssize_t count;
    while ((count = read(fd, buffer, sizeof buffer)) > 0) {
        content.append(buffer, static_cast<size_t>(count));
    }
    close(fd);
    return content;
}

uint32_t Protection(const std::string& permissions) {
    const bool read = permissions[0] == 'r';
    const bool write = permissions[1] == 'w';
    const bool execute = permissions[2] == 'x';
    const bool shared = permissions[3] == 's';
    if (execute) {
        return write  ? (shared ? kPageExecuteReadWrite : kPageExecuteWriteCopy)
               : read ? kPageExecuteRead
                      : kPageExecute;
    }
    if (write) {
        return shared ? kPageReadWrite : kPageWriteCopy;
    }
    return read ? kPageReadOnly : kPageNoAccess;
}

}  // namespace

void WriteMemoryList(DumpFile& file, const std::vector<SavedMemory>& memory) {
    const auto count = static_cast<uint32_t>(memory.size());
    std::string record(reinterpret_cast<const char*>(&count), sizeof count);
    for (const SavedMemory& range : memory) {
        const MemoryDescriptor descriptor{range.address, range.location};
        record.append(reinterpret_cast<const char*>(&descriptor), sizeof descriptor);
    }
    file.AddStream(kMemoryListStream, file.Append(record.data(), record.size()));
}

void WriteMemoryInfo(DumpFile& file) {
    std::vector<MemoryInfo> regions;
    std::istringstream maps(ReadWholeFile("/proc/self/maps"));
    std::string line;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        uint64_t start = 0, end = 0, offset = 0, inode = 0;
        char dash = 0;
        std::string permissions, device, path;
        fields >> std::hex >> start >> dash >> end >> permissions >> offset >> device >> std::dec >>
            inode;
        std::getline(fields >> std::ws, path);
        if (permissions.size() < 4 || end <= start) {
            continue;
        }
        MemoryInfo info;
        info.baseAddress = start;
        info.allocationBase = start - offset;
        info.regionSize = end - start;
        info.state = kMemoryCommitted;
        info.protect = info.allocationProtect = Protection(permissions);
        info.type = inode == 0 ? kMemoryPrivate
                    : path.size() > 3 && path.compare(path.size() - 3, 3, ".so") == 0
                        ? kMemoryImage
                        : kMemoryMapped;
        regions.push_back(info);
    }
    MemoryInfoListHeader header;
    header.numberOfEntries = regions.size();
    std::string record(reinterpret_cast<const char*>(&header), sizeof header);
    record.append(reinterpret_cast<const char*>(regions.data()),
                  regions.size() * sizeof(MemoryInfo));
    file.AddStream(kMemoryInfoListStream, file.Append(record.data(), record.size()));
}

void WriteProcFile(DumpFile& file, uint32_t type, const char* path) {
    const std::string content = ReadWholeFile(path);
    file.AddStream(type, file.Append(content.data(), content.size()));
}

}  // namespace platform::minidump
