// Folders and whole-file replacement on Linux.
#include "platform/Files.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <mutex>

#include "platform/posix/partial_files.h"
#include "platform/posix/posix_util.h"

namespace platform {
namespace {

// A file-size limit must fail the write, not end the process with SIGXFSZ. Done once, and only
// when nobody else chose what the signal does.
void IgnoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            signal(SIGXFSZ, SIG_IGN);
        }
    });
}

// Where [data, data + size) lies in a file mapped into this process (the executable's read-only
// data, for embedded blocks): the file, opened, and the offset of data in it. -1 when the bytes
// are not mapped from one file that is still the one on disk.
int OpenBackingFile(const void* data, size_t size, off_t* offset) {
    const auto begin = reinterpret_cast<uintptr_t>(data);
    std::ifstream maps("/proc/self/maps");
    std::string line;
    posix::MapsEntry entry;
    while (std::getline(maps, line)) {
        if (!posix::ParseMapsLine(line, &entry) || begin < entry.start || begin >= entry.end) {
            continue;
        }
        if (begin + size > entry.end || entry.inode == 0 || entry.path.empty() ||
            entry.path[0] != '/' || entry.permissions.compare(0, 2, "r-") != 0) {
            return -1;
        }
        const int fd = open(entry.path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        if (fd < 0 || fstat(fd, &info) != 0 || info.st_ino != entry.inode ||
            static_cast<uint64_t>(info.st_size) < entry.offset + (entry.end - entry.start)) {
            if (fd >= 0) {
                close(fd);
            }
            return -1;
        }
        *offset = static_cast<off_t>(entry.offset + (begin - entry.start));
        return fd;
    }
    return -1;
}

// Copies the bytes into `fd`. Bytes mapped from a file are copied by the kernel from that file,
// so they are neither copied into this process nor paged into it; others are written from where
// they lie. True when every byte was written.
bool WriteAll(int fd, const void* data, size_t size) {
    size_t written = 0;
    off_t sourceOffset = 0;
    const int source = OpenBackingFile(data, size, &sourceOffset);
    if (source >= 0) {
        while (written < size) {
            const ssize_t count = sendfile(fd, source, &sourceOffset, size - written);
            if (count <= 0 && !(count < 0 && errno == EINTR)) {
                break;
            }
            written += count > 0 ? static_cast<size_t>(count) : 0;
        }
        close(source);
        if (written > 0 || size == 0) {
            return written == size;
        }
        // sendfile refused the pair of files: write from memory instead.
    }
    const auto* bytes = static_cast<const char*>(data);
    while (written < size) {
        const ssize_t count = write(fd, bytes + written, size - written);
        if (count <= 0 && !(count < 0 && errno == EINTR)) {
            return false;
        }
        written += count > 0 ? static_cast<size_t>(count) : 0;
    }
    return true;
}

// Opens the folder that holds `path`'s last name for use with the *at calls, and gives that
// name; -1 when there is none. `flags` adds to how the folder itself is opened: O_NOFOLLOW
// refuses a link in its place.
int OpenParentFolder(const std::string& path, std::string* name, int flags = 0) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    const size_t slash = trimmed.rfind('/');
    *name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    if (name->empty() || *name == "." || *name == "..") {
        errno = EINVAL;
        return -1;
    }
    // Without a trailing separator: one would have a link in the folder's place followed.
    size_t end = slash;
    while (end != std::string::npos && end > 0 && trimmed[end - 1] == '/') {
        --end;
    }
    const std::string parent = slash == std::string::npos ? "."
                               : end == 0                 ? "/"
                                                          : trimmed.substr(0, end);
    return open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags);
}

// The replacement inside the open `folder`: every step names the file relative to it, so that
// nothing swapped in along the path meanwhile is followed.
// Keeps the error number of the first call that failed: the clean-up's calls would overwrite it.
// A write that stopped short sets none, and the program's own refusals count as none.
class FirstError {
  public:
    bool Check(bool succeeded) {
        if (!succeeded && error_ == 0) {
            error_ = errno != 0 ? errno : EIO;
        }
        return succeeded;
    }
    int error() const { return error_; }

  private:
    int error_ = 0;
};

ReplaceResult ReplaceIn(int folder, const std::string& name, const void* data, size_t size,
                        FirstError& failure) {
    // Only a file that could be written in place is replaced; what stands there is looked at, not
    // opened, and a link, folder or device is not ours to replace.
    struct stat existing {};
    const bool exists = fstatat(folder, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        return ReplaceResult::CannotCreate;
    }

    if (exists && !failure.Check(faccessat(folder, name.c_str(), W_OK, AT_EACCESS) == 0)) {
        return ReplaceResult::CannotCreate;
    }

    posix::RemoveStalePartialFiles(folder, name);
    const std::string partial = posix::PartialFileName(name);
    errno = 0;
    const int fd = posix::CreatePartialFile(folder, partial);
    if (!failure.Check(fd >= 0)) {
        return ReplaceResult::CannotCreate;
    }
    errno = 0;
    bool ok = failure.Check(WriteAll(fd, data, size));
    if (ok && exists) {
        fchmod(fd, existing.st_mode & 0777);
    }
    ok = ok && failure.Check(fsync(fd) == 0);
    ok = failure.Check(close(fd) == 0) && ok;
    ok = ok && failure.Check(renameat(folder, partial.c_str(), folder, name.c_str()) == 0);
    if (!ok) {
        unlinkat(folder, partial.c_str(), 0);
    }
    posix::EndPartialFile(partial);
    return ok ? ReplaceResult::Replaced : ReplaceResult::WriteFailed;
}

}  // namespace

bool FolderExists(const std::string& path) {
    return posix::IsDirectory(path);
}

bool CreateFolder(const std::string& path) {
    std::string name;
    const int parent = OpenParentFolder(path, &name);
    if (parent < 0) {
        return false;
    }
    struct stat info {};
    const bool made =
        mkdirat(parent, name.c_str(), 0755) == 0 ||
        (errno == EEXIST && fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISDIR(info.st_mode));
    close(parent);
    return made;
}

bool CreateFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        if (path[slash - 1] != '/') {
            CreateFolder(path.substr(0, slash));
        }
    }
    return CreateFolder(path);
}

std::string ChildPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

bool BackslashSeparatesFolders() {
    return false;
}

ReplaceResult ReplaceFileContents(const std::string& path, const void* data, size_t size,
                                  int* systemError) {
    IgnoreFileSizeSignal();
    FirstError failure;
    std::string name;
    const int folder = OpenParentFolder(path, &name, O_NOFOLLOW);
    ReplaceResult result = ReplaceResult::CannotCreate;
    if (failure.Check(folder >= 0)) {
        result = ReplaceIn(folder, name, data, size, failure);
        close(folder);
    }
    if (systemError) {
        *systemError = result == ReplaceResult::Replaced ? 0 : failure.error();
    }
    return result;
}

}  // namespace platform
