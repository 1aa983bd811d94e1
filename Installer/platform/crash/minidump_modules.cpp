// Minidump module list: every ELF object mapped into the process, read from the process
// itself, with its build id and its data segments.
#include <elf.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>

#include "minidump_file.h"
#include "platform/posix/posix_util.h"

namespace platform::minidump {
namespace {

constexpr uintptr_t kPageSize = 4096;

struct LoadedObject {
    std::string path;
    uintptr_t base = 0;
    uintptr_t end = 0;
    std::string buildId;
    std::vector<std::pair<uintptr_t, uintptr_t>> writableSegments;
};

std::string BuildId(const std::vector<uint8_t>& notes) {
    const uint8_t* p = notes.data();
    const uint8_t* end = p + notes.size();
    const auto aligned = [](uint32_t size) { return (size + 3u) & ~3u; };
    while (p + sizeof(ElfW(Nhdr)) <= end) {
        ElfW(Nhdr) header;
        std::memcpy(&header, p, sizeof header);
        const uint8_t* name = p + sizeof header;
        const uint8_t* descriptor = name + aligned(header.n_namesz);
        if (descriptor + header.n_descsz > end) {
            break;
        }
        if (header.n_type == NT_GNU_BUILD_ID && header.n_namesz == 4 &&
            std::memcmp(name, "GNU", 4) == 0) {
            return std::string(reinterpret_cast<const char*>(descriptor), header.n_descsz);
        }
        p = descriptor + aligned(header.n_descsz);
    }
    return "";
}

// The ELF object whose headers lie at `start` in `pid`: its extent, build id and data.
bool ReadObject(pid_t pid, uintptr_t start, LoadedObject* object) {
    ElfW(Ehdr) header;
    if (ReadProcessMemory(pid, start, &header, sizeof header) != sizeof header ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_phentsize != sizeof(ElfW(Phdr))) {
        return false;
    }
    std::vector<ElfW(Phdr)> segments(header.e_phnum);
    const size_t size = segments.size() * sizeof(ElfW(Phdr));
    if (ReadProcessMemory(pid, start + header.e_phoff, segments.data(), size) != size) {
        return false;
    }
    // Where the loader put the object: its first loadable page is mapped at `start`.
    uintptr_t bias = 0;
    for (const ElfW(Phdr) & segment : segments) {
        if (segment.p_type == PT_LOAD) {
            bias = start - (segment.p_vaddr & ~(kPageSize - 1));
            break;
        }
    }
    object->base = UINTPTR_MAX;
    for (const ElfW(Phdr) & segment : segments) {
        if (segment.p_type == PT_NOTE && object->buildId.empty()) {
            std::vector<uint8_t> notes(std::min<size_t>(segment.p_memsz, 64 * 1024));
            notes.resize(
                ReadProcessMemory(pid, bias + segment.p_vaddr, notes.data(), notes.size()));
            object->buildId = BuildId(notes);
        }
        if (segment.p_type != PT_LOAD) {
            continue;
        }
        const uintptr_t first = (bias + segment.p_vaddr) & ~(kPageSize - 1);
        const uintptr_t last =
            (bias + segment.p_vaddr + segment.p_memsz + kPageSize - 1) & ~(kPageSize - 1);
        object->base = std::min(object->base, first);
        object->end = std::max(object->end, last);
        if (segment.p_flags & PF_W) {
            object->writableSegments.emplace_back(first, last);
        }
    }
    return object->base < object->end;
}

// Every ELF object mapped from a file into `pid` (the vDSO has no file to load symbols from).
std::vector<LoadedObject> LoadedObjects(pid_t pid) {
    std::vector<LoadedObject> objects;
    std::set<std::string> seen;
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    posix::MapsEntry entry;
    while (std::getline(maps, line)) {
        if (!posix::ParseMapsLine(line, &entry) || entry.offset != 0 || entry.inode == 0 ||
            entry.path.empty() || entry.path[0] != '/' || seen.count(entry.path)) {
            continue;
        }
        LoadedObject object;
        if (ReadObject(pid, entry.start, &object)) {
            object.path = entry.path;
            seen.insert(entry.path);
            objects.push_back(std::move(object));
        }
    }
    return objects;
}

}  // namespace

void WriteModules(DumpFile& file, pid_t pid, std::vector<SavedMemory>& dataSegments) {
    std::vector<Module> modules;
    for (const LoadedObject& object : LoadedObjects(pid)) {
        Module module;
        module.baseOfImage = object.base;
        module.sizeOfImage = static_cast<uint32_t>(object.end - object.base);
        module.moduleNameRva = file.AppendString(object.path);
        if (!object.buildId.empty()) {
            std::string record(reinterpret_cast<const char*>(&kCodeViewElfSignature),
                               sizeof kCodeViewElfSignature);
            record += object.buildId;
            module.cvRecord = file.Append(record.data(), record.size());
        }
        modules.push_back(module);
        // "With data segments": the initialised and zeroed data of every module.
        for (const auto& [start, end] : object.writableSegments) {
            dataSegments.push_back({start, file.AppendProcessMemory(pid, start, end - start)});
        }
    }

    const auto count = static_cast<uint32_t>(modules.size());
    std::string record(reinterpret_cast<const char*>(&count), sizeof count);
    record.append(reinterpret_cast<const char*>(modules.data()), modules.size() * sizeof(Module));
    file.AddStream(kModuleListStream, file.Append(record.data(), record.size()));
}

}  // namespace platform::minidump
