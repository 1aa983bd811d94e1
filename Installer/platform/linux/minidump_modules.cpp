// Minidump module list: every loaded ELF object with its build id, and its data segments.
#include <elf.h>
#include <link.h>
#include <unistd.h>

#include <cstring>

#include "minidump_file.h"

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

std::string ExecutablePath() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : "";
}

std::string BuildId(const dl_phdr_info& info, const ElfW(Phdr) & note) {
    const auto* p = reinterpret_cast<const uint8_t*>(info.dlpi_addr + note.p_vaddr);
    const uint8_t* end = p + note.p_memsz;
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

int CollectObject(dl_phdr_info* info, size_t, void* data) {
    auto& objects = *static_cast<std::vector<LoadedObject>*>(data);
    LoadedObject object;
    object.path = info->dlpi_name && info->dlpi_name[0] ? info->dlpi_name : "";
    if (objects.empty() && object.path.empty()) {
        object.path = ExecutablePath();  // the first object is the program itself
    }
    if (object.path.empty() || object.path[0] != '/') {
        return 0;  // the vDSO has no file to load symbols from
    }
    object.base = UINTPTR_MAX;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type == PT_NOTE && object.buildId.empty()) {
            object.buildId = BuildId(*info, segment);
        }
        if (segment.p_type != PT_LOAD) {
            continue;
        }
        const uintptr_t start = (info->dlpi_addr + segment.p_vaddr) & ~(kPageSize - 1);
        const uintptr_t end =
            (info->dlpi_addr + segment.p_vaddr + segment.p_memsz + kPageSize - 1) &
            ~(kPageSize - 1);
        object.base = std::min(object.base, start);
        object.end = std::max(object.end, end);
        if (segment.p_flags & PF_W) {
            object.writableSegments.emplace_back(start, end);
        }
    }
    if (object.base < object.end) {
        objects.push_back(std::move(object));
    }
    return 0;
}

}  // namespace

void WriteModules(DumpFile& file, pid_t pid, std::vector<SavedMemory>& dataSegments) {
    std::vector<LoadedObject> objects;
    dl_iterate_phdr(CollectObject, &objects);

    std::vector<Module> modules;
    for (const LoadedObject& object : objects) {
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
