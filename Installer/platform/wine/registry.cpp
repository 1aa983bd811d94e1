// The registry on Linux: HKEY_LOCAL_MACHINE of the Wine prefix, read from its system.reg.
// A win64 prefix keeps the 32-bit view of Software below Software\Wow6432Node; a win32 prefix
// has one view. The file is read once per change and the keys asked for are kept.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "platform/Registry.h"
#include "platform/wine/registry_file.h"
#include "platform/wine/wine_prefix.h"

namespace platform {

struct RegistryKeyState {
    std::shared_ptr<const wine::RegistrySnapshot> snapshot;
    const wine::RegistryNode* node = nullptr;
};

namespace {

constexpr size_t kReadChunkBytes = 1 << 20;

struct FileIdentity {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileIdentity& other) const {
        return path == other.path && device == other.device && inode == other.inode &&
               size == other.size && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

struct CachedSnapshot {
    FileIdentity identity;
    std::vector<WideString> rootPaths;
    std::shared_ptr<const wine::RegistrySnapshot> snapshot;
};

std::mutex cacheMutex;
CachedSnapshot cache;
std::string readProblem;  // of the last reading, for RegistryReadProblem

// "Software\X" as a 32-bit program sees it in a win64 prefix.
WideString Wow64Path(const WideString& path) {
    constexpr WideStringView kSoftware = u"Software";
    if (path.size() > kSoftware.size() && path[kSoftware.size()] == u'\\' &&
        wine::EqualIgnoringCase(WideStringView(path).substr(0, kSoftware.size()), kSoftware)) {
        return WideString(kSoftware) + u"\\Wow6432Node" + path.substr(kSoftware.size());
    }
    return path;
}

// Null when reading fails part-way: a part of the file is no snapshot of it.
std::shared_ptr<const wine::RegistrySnapshot> ReadSnapshot(
    int fd, const std::vector<WideString>& rootPaths) {
    wine::RegistryFileParser parser(rootPaths);
    std::string buffer(kReadChunkBytes, '\0');
    for (;;) {
        const ssize_t got = read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return nullptr;
        }
        if (got == 0) {
            break;
        }
        parser.Feed(std::string_view(buffer.data(), static_cast<size_t>(got)));
    }
    return std::make_shared<const wine::RegistrySnapshot>(parser.Finish());
}

std::string LimitProblem(const std::string& path, wine::RegistryLimit limit) {
    const std::string refused = "the registry file " + path + " was not read: ";
    switch (limit) {
        case wine::RegistryLimit::kKeyDepth:
            return refused + "a key in it is nested more than " +
                   std::to_string(wine::kMaxKeyDepth) + " levels deep";
        case wine::RegistryLimit::kKeys:
            return refused + "the part read holds more than " + std::to_string(wine::kMaxKeys) +
                   " keys";
        case wine::RegistryLimit::kValueBytes:
            return refused + "the values of the part read take more than " +
                   std::to_string(wine::kMaxValueBytes >> 20) + " MB";
        case wine::RegistryLimit::kNone:
            break;
    }
    return {};
}

// The keys at and below `rootPaths` (none: only the file's header and options). Null when the
// prefix or the file is missing, unreadable or refused; `readProblem` says why it was refused.
std::shared_ptr<const wine::RegistrySnapshot> LoadSnapshot(
    const std::vector<WideString>& rootPaths) {
    const std::string prefix = wine::PrefixPath();
    std::lock_guard<std::mutex> lock(cacheMutex);
    readProblem = wine::PrefixOwnerProblem(prefix);
    if (!readProblem.empty()) {
        return nullptr;
    }
    const std::string path = prefix + "/system.reg";
    // Non-blocking, so that a FIFO in its place cannot stall us; it is refused below. Wine
    // never links system.reg elsewhere, and a link could lead to a file not ours to show.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP) {
            readProblem = "the registry file " + path + " is a symbolic link; it was not read";
        }
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        readProblem = "the registry file " + path + " is not a regular file; it was not read";
        return nullptr;
    }
    const FileIdentity identity{path, info.st_dev, info.st_ino, info.st_size, info.st_mtim};
    if (!cache.snapshot || !(cache.identity == identity) ||
        (!rootPaths.empty() && cache.rootPaths != rootPaths)) {
        auto snapshot = ReadSnapshot(fd, rootPaths);
        if (!snapshot) {
            close(fd);
            return nullptr;
        }
        cache = CachedSnapshot{identity, rootPaths, std::move(snapshot)};
    }
    close(fd);
    readProblem = LimitProblem(path, cache.snapshot->exceeded);
    return cache.snapshot;
}

bool IsWin64(const wine::RegistrySnapshot& snapshot) {
    // Wine on a 64-bit system makes win64 prefixes unless told otherwise.
    return snapshot.arch != wine::PrefixArch::kWin32;
}

const wine::RegistryNode* FindPath(const wine::RegistryNode* node, WideStringView path) {
    while (node != nullptr && !path.empty()) {
        const size_t stop = path.find(u'\\');
        node = node->FindSubkey(path.substr(0, stop));
        path = stop == WideStringView::npos ? WideStringView() : path.substr(stop + 1);
    }
    return node;
}

}  // namespace

bool RegistryHasSeparate64BitView() {
    const auto snapshot = LoadSnapshot({});
    return snapshot && snapshot->recognised && IsWin64(*snapshot);
}

std::string RegistryReadProblem() {
    std::lock_guard<std::mutex> lock(cacheMutex);
    return readProblem;
}

std::string RegistryLocation() {
    return wine::PrefixPath();
}

RegistryKey::RegistryKey() = default;
RegistryKey::~RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&&) noexcept = default;

bool RegistryKey::Open(const char* machinePath, bool view64) {
    Close();
    const WideString path = Utf8ToUtf16(machinePath != nullptr ? machinePath : "");
    const WideString path32 = Wow64Path(path);
    const std::vector<WideString> roots =
        path32 == path ? std::vector<WideString>{path} : std::vector<WideString>{path, path32};
    auto snapshot = LoadSnapshot(roots);
    if (!snapshot || !snapshot->recognised || snapshot->roots.size() != roots.size()) {
        return false;
    }
    const bool redirect = !view64 && IsWin64(*snapshot) && roots.size() == 2;
    const wine::RegistryNode* node = snapshot->roots[redirect ? 1 : 0].get();
    if (node == nullptr) {
        return false;
    }
    state_ = std::make_unique<RegistryKeyState>();
    state_->snapshot = std::move(snapshot);
    state_->node = node;
    return true;
}

void RegistryKey::Close() {
    state_.reset();
}

bool RegistryKey::QuerySubkeyCount(uint32_t* count) const {
    if (!state_) {
        return false;
    }
    *count = static_cast<uint32_t>(state_->node->orderedSubkeys.size());
    return true;
}

bool RegistryKey::EnumSubkey(uint32_t index, size_t capacity, WideString* name) const {
    if (!state_ || index >= state_->node->orderedSubkeys.size()) {
        return false;
    }
    const WideString& found = state_->node->orderedSubkeys[index]->name;
    if (found.size() + 1 > capacity) {
        return false;
    }
    *name = found;
    return true;
}

bool RegistryKey::GetValue(const WideString& subkey, const WideString& valueName, uint32_t* type,
                           std::vector<uint8_t>* data) const {
    if (!state_) {
        return false;
    }
    const wine::RegistryNode* node = FindPath(state_->node, subkey);
    const wine::RegistryValue* value = node != nullptr ? node->FindValue(valueName) : nullptr;
    if (value == nullptr) {
        return false;
    }
    *type = value->type;
    *data = value->data;
    return true;
}

bool RegistryKey::GetStringValue(const WideString& subkey, const WideString& valueName,
                                 size_t bufferBytes, WideString* value) const {
    if (!state_) {
        return false;
    }
    const wine::RegistryNode* node = FindPath(state_->node, subkey);
    const wine::RegistryValue* found = node != nullptr ? node->FindValue(valueName) : nullptr;
    if (found == nullptr || found->type != kRegSz) {
        return false;
    }
    const std::vector<uint8_t>& data = found->data;
    const size_t units = data.size() / 2;
    const bool terminated = units > 0 && data[2 * units - 2] == 0 && data[2 * units - 1] == 0;
    // Data stored without its terminator needs room for one.
    if ((terminated ? units : units + 1) * 2 > bufferBytes) {
        return false;
    }
    value->clear();
    for (size_t i = 0; i < units; ++i) {
        const auto unit = static_cast<WideChar>(data[2 * i] | (data[2 * i + 1] << 8));
        if (unit == 0) {
            break;
        }
        value->push_back(unit);
    }
    return true;
}

}  // namespace platform
