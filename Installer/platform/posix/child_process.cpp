// Child processes: spawning without a shell, collecting their output, and waiting for their end
// on the child's own descriptors.
#include "platform/posix/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/posix_util.h"

extern char** environ;

namespace platform::posix {
namespace {

constexpr size_t kOutputLimit = size_t{1} << 20;

// Appends what can be read now (past the limit, reads and drops it); false once the writing
// side is closed or the pipe fails.
bool DrainOutput(int fd, std::string& output) {
    char buffer[4096];
    for (;;) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count > 0) {
            const size_t room = kOutputLimit - output.size();
            output.append(buffer, std::min(room, static_cast<size_t>(count)));
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        return count < 0 && errno == EAGAIN;
    }
}

double& DesktopToolScale() {
    static double scale = 1.0;
    return scale;
}

std::string Decimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Our windows' factor in the variables GTK and Qt take it from, unless the user set them: GTK
// scales by whole factors (GDK_SCALE) and its text by the rest (GDK_DPI_SCALE); Qt takes any
// factor, and a font resolution of its own that keeps Xft.dpi from counting twice.
void AddScaleVariables(std::vector<std::string>& kept) {
    const double scale = DesktopToolScale();
    if (scale == 1.0 || std::getenv("GDK_SCALE") || std::getenv("QT_SCALE_FACTOR")) {
        return;
    }
    const double whole = std::max(1.0, std::floor(scale));
    kept.push_back("GDK_SCALE=" + Decimal(whole));
    if (scale != whole && !std::getenv("GDK_DPI_SCALE")) {
        kept.push_back("GDK_DPI_SCALE=" + Decimal(scale / whole));
    }
    kept.push_back("QT_SCALE_FACTOR=" + Decimal(scale));
    kept.push_back("QT_FONT_DPI=96");
}

// What a desktop tool needs to open its window on the user's display in the user's language
// and scale, and nothing that could change which code it runs (LD_*, GTK_MODULES, ...).
std::vector<std::string> DesktopToolEnvironment() {
    std::vector<std::string> kept = {"PATH=/usr/local/bin:/usr/bin:/bin"};
    AddScaleVariables(kept);
    static const char* const kNames[] = {"DISPLAY",       "XAUTHORITY",      "HOME",
                                         "LANG",          "LANGUAGE",        "GDK_SCALE",
                                         "GDK_DPI_SCALE", "QT_SCALE_FACTOR", "KESTREL_SCALE"};
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        const bool wanted =
            name.starts_with("LC_") ||
            std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
        if (wanted && name.size() < text.size()) {
            kept.push_back(text);
        }
    }
    return kept;
}

}  // namespace

void PollDescriptors(std::span<const int> descriptors) {
    std::vector<pollfd> watched;
    for (const int fd : descriptors) {
        watched.push_back({fd, POLLIN, 0});
    }
    poll(watched.data(), watched.size(), -1);
}

pid_t StartProgram(const std::string& program, const std::vector<std::string>& argv, int outputFd,
                   const std::vector<std::string>* environment) {
    const auto pointersTo = [](const std::vector<std::string>& texts) {
        std::vector<char*> pointers;
        for (const std::string& text : texts) {
            pointers.push_back(const_cast<char*>(text.c_str()));
        }
        pointers.push_back(nullptr);
        return pointers;
    };
    std::vector<char*> pointers = pointersTo(argv);
    std::vector<char*> environmentPointers;
    if (environment) {
        environmentPointers = pointersTo(*environment);
    }

    // Signals this process ignores or blocks (SIGXFSZ, the fault guard's) are not the child's.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outputFd >= 0) {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    }

    pid_t pid = -1;
    const int error = posix_spawn(&pid, program.c_str(), &actions, &attributes, pointers.data(),
                                  environment ? environmentPointers.data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return error == 0 ? pid : -1;
}

void SetDesktopToolScale(double scale) {
    DesktopToolScale() = scale;
}

std::string DesktopToolPath(const std::string& name) {
    // A named folder serves the tests; the change to another user removes the name.
    const std::string named = EnvironmentValue("KESTREL_TOOLS_FOLDER");
    const std::vector<std::string> folders =
        named.empty() ? std::vector<std::string>{"/usr/local/bin", "/usr/bin", "/bin"}
                      : std::vector<std::string>{named};
    for (const std::string& folder : folders) {
        const std::string path = folder + "/" + name;
        struct stat info {};
        if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(path.c_str(), X_OK) == 0) {
            return path;
        }
    }
    return "";
}

ChildResult RunChild(const std::vector<std::string>& arguments, WaitForDescriptors waitForOutput) {
    ChildResult result;
    const std::string program = arguments.empty() ? "" : DesktopToolPath(arguments[0]);
    int pipeFds[2];
    if (program.empty() || pipe2(pipeFds, O_CLOEXEC) != 0) {
        return result;
    }
    const std::vector<std::string> environment = DesktopToolEnvironment();
    const pid_t pid = StartProgram(program, arguments, pipeFds[1], &environment);
    close(pipeFds[1]);
    if (pid < 0) {
        close(pipeFds[0]);
        return result;
    }
    result.started = true;
    int output = pipeFds[0];
    fcntl(output, F_SETFL, O_NONBLOCK);
    // The process's own end is watched: a descendant may keep its output open after it ended.
    // Kernels without process descriptors fall back on the end of the output.
    const int exited = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));

    int status = 0;
    for (;;) {
        if (output >= 0 && !DrainOutput(output, result.output)) {
            close(output);
            output = -1;
        }
        const bool canWait = exited >= 0 || output >= 0;
        const pid_t ended = waitpid(pid, &status, canWait ? WNOHANG : 0);
        if (ended == pid) {
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (ended < 0 && errno != EINTR) {
            break;  // reaped elsewhere (SIGCHLD ignored): the outcome is unknown
        }
        if (ended != 0) {
            continue;
        }
        const int watched[] = {output, exited};
        // Spelt out: GCC 12 does not turn an array into a span for a call through a pointer.
        waitForOutput(std::span<const int>(watched));
    }
    if (output >= 0) {
        DrainOutput(output, result.output);
        close(output);
    }
    if (exited >= 0) {
        close(exited);
    }
    return result;
}

}  // namespace platform::posix
