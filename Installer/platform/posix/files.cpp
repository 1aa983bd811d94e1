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

#include "platform/posix/invoking_user.h"
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

}  // namespace

bool FolderExists(const std::string& path) {
    return posix::IsDirectory(path);
}

bool CreateFolder(const std::string& path) {
    struct stat info {};
    if (mkdir(path.c_str(), 0777) == 0) {
        HandToInvokingUser(path);
        return true;
    }
    return errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
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

void HandToInvokingUser(const std::string& path) {
    if (const std::optional<posix::InvokingUser> user = posix::InvokingUserOfRoot()) {
        [[maybe_unused]] const int changed = lchown(path.c_str(), user->uid, user->gid);
    }
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
    int error = 0;
    // Keeps the errno of the first call that failed: the clean-up's calls would overwrite it. A
    // write that stopped short sets none.
    const auto check = [&error](bool succeeded) {
        if (!succeeded && error == 0) {
            error = errno != 0 ? errno : EIO;
        }
        return succeeded;
    };
    const auto result = [&error, systemError](ReplaceResult outcome) {
        if (systemError) {
            *systemError = outcome == ReplaceResult::Replaced ? 0 : error;
        }
        return outcome;
    };

    // The target must be a file that could be opened for writing, as it would be if it were
    // overwritten in place; O_NONBLOCK keeps a FIFO from blocking the test.
    struct stat existing {};
    const bool exists = lstat(path.c_str(), &existing) == 0;
    if (exists) {
        const int probe = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (!check(probe >= 0)) {
            return result(ReplaceResult::CannotCreate);
        }
        close(probe);
    }

    posix::RemoveStalePartialFiles(path);
    const std::string sibling = posix::PartialFileName(path);
    errno = 0;
    const int fd = posix::CreatePartialFile(sibling);
    if (!check(fd >= 0)) {
        return result(ReplaceResult::CannotCreate);
    }
    errno = 0;
    bool ok = check(WriteAll(fd, data, size));
    if (ok && exists && S_ISREG(existing.st_mode)) {
        // Best effort: a user's file replaced by root stays the user's.
        fchmod(fd, existing.st_mode & 07777);
        if (fchown(fd, existing.st_uid, existing.st_gid) != 0) {
            fchmod(fd, existing.st_mode & 0777);
        }
    } else {
        posix::HandDescriptorToInvokingUser(fd);
    }
    ok = ok && check(fsync(fd) == 0);
    ok = check(close(fd) == 0) && ok;
    ok = ok && check(rename(sibling.c_str(), path.c_str()) == 0);
    if (!ok) {
        unlink(sibling.c_str());
    }
    posix::EndPartialFile(sibling);
    return result(ok ? ReplaceResult::Replaced : ReplaceResult::WriteFailed);
}

}  // namespace platform
