// Minidump memory streams: the saved ranges, the process's memory map, and its /proc files.
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "minidump_file.h"
#include "platform/posix/posix_util.h"

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

// Shared objects ("libc.so.6" as well as "x.so") and this program itself.
bool IsExecutableImage(const std::string& path, const std::string& program) {
    const size_t so = path.find(".so");
    return (so != std::string::npos && (so + 3 == path.size() || path[so + 3] == '.')) ||
           path == program;
}

void WriteMemoryInfo(DumpFile& file, pid_t pid) {
    std::vector<MemoryInfo> regions;
    const std::string proc = "/proc/" + std::to_string(pid);
    std::istringstream maps(ReadWholeFile((proc + "/maps").c_str()));
    std::string line;
    char exe[4096];
    const ssize_t exeLength = readlink((proc + "/exe").c_str(), exe, sizeof exe - 1);
    const std::string program(exe, exeLength > 0 ? static_cast<size_t>(exeLength) : 0);
    posix::MapsEntry entry;
    while (std::getline(maps, line)) {
        if (!posix::ParseMapsLine(line, &entry)) {
            continue;
        }
        MemoryInfo info;
        info.baseAddress = entry.start;
        info.allocationBase = entry.start - entry.offset;
        info.regionSize = entry.end - entry.start;
        info.state = kMemoryCommitted;
        info.protect = info.allocationProtect = Protection(entry.permissions);
        info.type = entry.inode == 0                         ? kMemoryPrivate
                    : IsExecutableImage(entry.path, program) ? kMemoryImage
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

void WriteProcFile(DumpFile& file, uint32_t type, pid_t pid, const char* name) {
    const std::string content =
        ReadWholeFile(("/proc/" + std::to_string(pid) + "/" + name).c_str());
    file.AddStream(type, file.Append(content.data(), content.size()));
}

}  // namespace platform::minidump
