// The minidump file: records appended in order, the directory and header written last.
#include "minidump_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "platform/Unicode.h"

namespace platform::minidump {

DumpFile::DumpFile(int fd) : m_fd(fd) {}

void DumpFile::Align() {
    m_end = (m_end + 7) & ~uint64_t{7};
}

Location DumpFile::Append(const void* data, size_t size) {
    Align();
    Location location{static_cast<uint32_t>(size), static_cast<uint32_t>(m_end)};
    const auto* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t count = pwrite(m_fd, bytes + done, size - done, m_end + done);
        if (count <= 0 && !(count < 0 && errno == EINTR)) {
            m_ok = false;
            location.dataSize = static_cast<uint32_t>(done);
            break;
        }
        done += count > 0 ? static_cast<size_t>(count) : 0;
    }
    m_end += done;
    return location;
}

Location DumpFile::AppendProcessMemory(pid_t pid, uintptr_t address, size_t size) {
    Align();
    const Location start{0, static_cast<uint32_t>(m_end)};
    std::vector<uint8_t> chunk(std::min<size_t>(size, 64 * 1024));
    size_t done = 0;
    while (done < size) {
        const size_t wanted = std::min(chunk.size(), size - done);
        const size_t got = ReadProcessMemory(pid, address + done, chunk.data(), wanted);
        const Location part = Append(chunk.data(), got);
        done += part.dataSize;
        if (got < wanted || part.dataSize < got) {
            break;  // unreadable memory only cuts the region short
        }
    }
    return {static_cast<uint32_t>(done), start.rva};
}

uint32_t DumpFile::AppendString(const std::string& utf8) {
    const WideString text = Utf8ToUtf16(utf8);
    const uint32_t byteLength = static_cast<uint32_t>(text.size() * sizeof(WideChar));
    std::string record(reinterpret_cast<const char*>(&byteLength), sizeof byteLength);
    record.append(reinterpret_cast<const char*>(text.data()), byteLength);
    record.append(sizeof(WideChar), '\0');  // terminated, though the length does not count it
    return Append(record.data(), record.size()).rva;
}

void DumpFile::Patch(uint32_t rva, const void* data, size_t size) {
    if (pwrite(m_fd, data, size, rva) != static_cast<ssize_t>(size)) {
        m_ok = false;
    }
}

void DumpFile::AddStream(uint32_t type, Location location) {
    m_directory.push_back({type, location});
}

bool DumpFile::Finish(uint64_t flags) {
    Header header;
    header.numberOfStreams = static_cast<uint32_t>(m_directory.size());
    header.streamDirectoryRva =
        Append(m_directory.data(), m_directory.size() * sizeof(Directory)).rva;
    header.timeDateStamp = static_cast<uint32_t>(time(nullptr));
    header.flags = flags;
    Patch(0, &header, sizeof header);
    return m_ok;
}

}  // namespace platform::minidump
