// The system message box on Linux: zenity, or kdialog where zenity is missing, as a child
// process; the message always goes to the standard error stream as well.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/MessageBox.h"

extern char** environ;

namespace platform {
namespace {

bool HasDesktop() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            return true;
        }
    }
    return false;
}

// True when the tool ran and showed the notice (closed with OK or the close box).
bool RunDialog(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1);
}

}  // namespace

void ShowSystemMessage(const std::string& text, const std::string& caption) {
    // Always on the error stream too: zenity's exit status cannot tell a closed dialog from a
    // display it could not open, and the message must not be lost.
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    if (HasDesktop() &&
        !RunDialog({"zenity", "--info", "--no-markup", "--title=" + caption, "--text=" + text})) {
        RunDialog({"kdialog", "--title", caption, "--msgbox", text});
    }
}

}  // namespace platform
