// Reading, appending, renaming and removing files on Linux.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/Files.h"
#include "platform/SystemError.h"

namespace platform {

bool ReadFileContents(const std::string& path, std::string* contents) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    std::string bytes;
    char buffer[1 << 16];
    ssize_t count = 0;
    while ((count = read(fd, buffer, sizeof buffer)) != 0) {
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            const int reason = errno;
            close(fd);
            errno = reason;
            return false;
        }
        bytes.append(buffer, static_cast<size_t>(count));
    }
    close(fd);
    *contents = std::move(bytes);
    return true;
}

int64_t FileSize(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return -1;
    }
    return info.st_size;
}

bool AppendToFile(const std::string& path, const std::string& text) {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        return false;
    }
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = write(fd, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        written += static_cast<size_t>(count);
    }
    return close(fd) == 0 && written == text.size();
}

bool MoveFileReplacing(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool RemoveEmptyFolder(const std::string& path) {
    return rmdir(path.c_str()) == 0 || errno == ENOENT;
}

std::string LastFileError() {
    return SystemErrorText(errno);
}

}  // namespace platform
