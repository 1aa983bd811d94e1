// Partial files of whole-file replacement: named after the writing process, so that a later run
// can tell a killed writer's leftovers from a running one's work, and kept in a table that the
// interrupt handler can walk without taking a lock.
#include "platform/posix/partial_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/Files.h"

namespace platform {
namespace {

// One partial file being written: its folder (a descriptor of this table's own) and its name.
struct PartialSlot {
    std::atomic<bool> used{false};
    int folder = -1;
    char name[NAME_MAX + 1] = {};
};

// As many as threads may write at once; the worker writes one at a time.
constexpr int kSlotCount = 8;

struct OpenPartials {
    std::mutex mutex;  // claiming and freeing slots; never taken by the interrupt handler
    PartialSlot slots[kSlotCount];
    bool closing = false;
};

OpenPartials& Partials() {
    static auto* partials = new OpenPartials;  // still usable by a worker during exit
    return *partials;
}

// Only calls that are safe in a signal handler.
void RemoveRecordedFiles(OpenPartials& partials) {
    for (PartialSlot& slot : partials.slots) {
        if (slot.used.load(std::memory_order_acquire)) {
            unlinkat(slot.folder, slot.name, 0);
        }
    }
}

std::atomic<int> interruptExitCode{0};

void EndOnInterrupt(int) {
    RemoveRecordedFiles(Partials());
    _exit(interruptExitCode.load());
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

std::string PartialFileName(const std::string& name) {
    static std::atomic<unsigned> counter{0};
    return "." + name + "." + std::to_string(getpid()) + "-" +
           std::to_string(counter.fetch_add(1)) + ".part";
}

int CreatePartialFile(int folder, const std::string& partial) {
    OpenPartials& partials = Partials();
    std::lock_guard<std::mutex> lock(partials.mutex);
    if (partials.closing || partial.size() > NAME_MAX) {
        return -1;
    }
    for (PartialSlot& slot : partials.slots) {
        if (slot.used.load(std::memory_order_relaxed)) {
            continue;
        }
        slot.folder = fcntl(folder, F_DUPFD_CLOEXEC, 0);
        if (slot.folder < 0) {
            return -1;
        }
        std::memcpy(slot.name, partial.c_str(), partial.size() + 1);
        // Recorded before it exists, so that an interrupt in between misses nothing.
        slot.used.store(true, std::memory_order_release);
        const int fd =
            openat(folder, partial.c_str(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644);
        if (fd < 0) {
            slot.used.store(false, std::memory_order_release);
            close(slot.folder);
        }
        return fd;
    }
    return -1;
}

void EndPartialFile(const std::string& partial) {
    OpenPartials& partials = Partials();
    std::lock_guard<std::mutex> lock(partials.mutex);
    for (PartialSlot& slot : partials.slots) {
        if (slot.used.load(std::memory_order_relaxed) && partial == slot.name) {
            slot.used.store(false, std::memory_order_release);
            close(slot.folder);
            return;
        }
    }
}

void RemoveStalePartialFiles(int folder, const std::string& name) {
    const int listed = fcntl(folder, F_DUPFD_CLOEXEC, 0);
    DIR* dir = listed >= 0 ? fdopendir(listed) : nullptr;
    if (!dir) {
        if (listed >= 0) {
            close(listed);
        }
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        const long writer = WriterOf(entry->d_name, name);
        // Only a writer that is gone: another installer may be writing this very moment.
        if (writer > 0 && writer != getpid() && kill(static_cast<pid_t>(writer), 0) != 0 &&
            errno == ESRCH) {
            unlinkat(folder, entry->d_name, 0);
        }
    }
    closedir(dir);
}

}  // namespace posix

void RemoveUnfinishedFiles() {
    OpenPartials& partials = Partials();
    std::lock_guard<std::mutex> lock(partials.mutex);
    partials.closing = true;
    RemoveRecordedFiles(partials);
}

void RemoveUnfinishedFilesOnInterrupt(int exitCode) {
    interruptExitCode.store(exitCode);
    struct sigaction action {};
    action.sa_handler = EndOnInterrupt;
    sigfillset(&action.sa_mask);  // one handler run at a time
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

}  // namespace platform
