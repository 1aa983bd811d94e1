// Process ids, command line and relaunch, local time and the user's folders on Linux (XDG user
// directories).
#include "platform/Process.h"

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>

#include "platform/posix/child_process.h"
#include "platform/posix/invoking_user.h"
#include "platform/posix/posix_util.h"

namespace platform {
namespace {

// XDG_DOCUMENTS_DIR from user-dirs.dirs: a quoted path, relative to $HOME when it starts with
// "$HOME/"; other forms are not valid there.
std::string ConfiguredDocumentsFolder(const std::string& home) {
    std::string config = posix::EnvironmentValue("XDG_CONFIG_HOME");
    if (config.empty() || config[0] != '/') {
        config = home + "/.config";
    }
    std::ifstream file(config + "/user-dirs.dirs");
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    std::string line;
    while (std::getline(file, line)) {
        if (line.compare(0, key.size(), key) != 0 || line.back() != '"') {
            continue;
        }
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.compare(0, 6, "$HOME/") == 0) {
            return home + value.substr(5);
        }
        if (value == "$HOME") {
            return home;
        }
        return value[0] == '/' ? value : "";
    }
    return home + "/Documents";
}

}  // namespace

// The dynamic loader's search is settled before the program runs; a sudo policy clears LD_*.
void LimitLibrarySearch() {}

LocalTime CurrentLocalTime() {
    const time_t now = time(nullptr);
    struct tm parts {};
    localtime_r(&now, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

long CurrentProcessId() {
    return static_cast<long>(getpid());
}

long CurrentThreadId() {
    return static_cast<long>(syscall(SYS_gettid));
}

std::vector<std::string> CommandLineArguments() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // Every argument ends in a NUL; the first is the program's own name.
    std::vector<std::string> arguments;
    for (size_t start = 0; start < all.size();) {
        const size_t end = std::min(all.find('\0', start), all.size());
        arguments.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    if (!arguments.empty()) {
        arguments.erase(arguments.begin());
    }
    return arguments;
}

std::string CommandLine() {
    const std::vector<std::string> arguments = CommandLineArguments();
    std::string joined;
    for (size_t i = 0; i < arguments.size(); ++i) {
        joined += (i > 0 ? " " : "") + arguments[i];
    }
    return joined;
}

void ConnectCommandLineOutput() {
    // A program here always has the standard streams it was started with.
    signal(SIGPIPE, SIG_IGN);
}

bool StartSelf(const std::vector<std::string>& arguments) {
    // The kernel's link to the running image still works when the file has been replaced or
    // renamed since; the new process is named by the full path.
    std::vector<std::string> argv = {"/proc/self/exe"};
    char name[4096];
    const ssize_t length = readlink("/proc/self/exe", name, sizeof name);
    if (length > 0 && static_cast<size_t>(length) < sizeof name) {
        argv[0].assign(name, static_cast<size_t>(length));
    }
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return posix::StartProgram("/proc/self/exe", argv) > 0;
}

std::string DocumentsFolder() {
    const std::string home = posix::UserHome();
    if (home.empty()) {
        return "";
    }
    const std::string folder = ConfiguredDocumentsFolder(home);
    return posix::IsDirectory(folder) ? folder : "";
}

std::string TemporaryFolder() {
    const std::string folder = posix::EnvironmentValue("TMPDIR");
    return posix::IsDirectory(folder) ? folder : "/tmp";
}

namespace {

// A folder (not a link to one) that belongs to this user and that no one else may change.
bool MakeOwnFolder(const std::string& path) {
    mkdir(path.c_str(), 0700);
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

std::string PrivateTemporaryFolder(const std::string& name) {
    const std::string shared = TemporaryFolder() + "/" + name;
    const std::string perUser = shared + "-" + std::to_string(geteuid());
    for (const std::string& candidate : {shared, perUser}) {
        if (MakeOwnFolder(candidate)) {
            return candidate;
        }
    }
    std::string fresh = perUser + "-XXXXXX";
    return mkdtemp(fresh.data()) ? fresh : "";
}

}  // namespace platform
