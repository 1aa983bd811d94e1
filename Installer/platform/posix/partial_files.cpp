// Partial files of whole-file replacement: named after the writing process, so that a later run
// can tell a killed writer's leftovers from a running one's work.
#include "platform/posix/partial_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <set>

#include "platform/Files.h"

namespace platform {
namespace {

struct OpenPartials {
    std::mutex mutex;
    std::set<std::string> paths;
    bool closing = false;
};

OpenPartials& Partials() {
    static auto* partials = new OpenPartials;  // still usable by a worker during exit
    return *partials;
}

void SplitPath(const std::string& path, std::string* folder, std::string* name) {
    const size_t slash = path.rfind('/');
    *folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    *name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// The writer's process id of a partial file of `name`, or 0 when `entry` is not one.
long WriterOf(const std::string& entry, const std::string& name) {
    const std::string prefix = "." + name + ".";
    const std::string suffix = ".part";
    if (entry.size() <= prefix.size() + suffix.size() || entry.compare(0, prefix.size(), prefix) ||
        entry.compare(entry.size() - suffix.size(), suffix.size(), suffix)) {
        return 0;
    }
    const std::string middle =
        entry.substr(prefix.size(), entry.size() - prefix.size() - suffix.size());
    const size_t dash = middle.find('-');
    if (dash == 0 || dash == std::string::npos ||
        middle.find_first_not_of("0123456789-") != std::string::npos) {
        return 0;
    }
    return std::strtol(middle.substr(0, dash).c_str(), nullptr, 10);
}

}  // namespace

namespace posix {

std::string PartialFileName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    std::string folder, name;
    SplitPath(path, &folder, &name);
    return folder + "." + name + "." + std::to_string(getpid()) + "-" +
           std::to_string(counter.fetch_add(1)) + ".part";
}

int CreatePartialFile(const std::string& partial) {
    OpenPartials& partials = Partials();
    // Created and recorded in one step, so that the removal on the way out misses none.
    std::lock_guard<std::mutex> lock(partials.mutex);
    if (partials.closing) {
        return -1;
    }
    const int fd = open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        partials.paths.insert(partial);
    }
    return fd;
}

void EndPartialFile(const std::string& partial) {
    OpenPartials& partials = Partials();
    std::lock_guard<std::mutex> lock(partials.mutex);
    partials.paths.erase(partial);
}

void RemoveStalePartialFiles(const std::string& path) {
    std::string folder, name;
    SplitPath(path, &folder, &name);
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) {
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        const long writer = WriterOf(entry->d_name, name);
        // Only a writer that is gone: another installer may be writing this very moment.
        if (writer > 0 && writer != getpid() && kill(static_cast<pid_t>(writer), 0) != 0 &&
            errno == ESRCH) {
            unlink((folder + entry->d_name).c_str());
        }
    }
    closedir(dir);
}

}  // namespace posix

void RemoveUnfinishedFiles() {
    OpenPartials& partials = Partials();
    std::lock_guard<std::mutex> lock(partials.mutex);
    partials.closing = true;
    for (const std::string& partial : partials.paths) {
        unlink(partial.c_str());
    }
    partials.paths.clear();
}

}  // namespace platform
