// The system message box on Linux: zenity, or kdialog where zenity is missing, as a child
// process; the message always goes to the standard error stream as well.
#include <cstdio>
#include <cstdlib>

#include "platform/MessageBox.h"
#include "platform/posix/child_process.h"

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

// True when the tool ran and showed the notice (closed with OK or the close box). The caller
// may be any thread, a crashed worker's included, so the loop is not run meanwhile.
bool RunDialog(const std::vector<std::string>& arguments) {
    const posix::ChildResult result = posix::RunChild(arguments);
    return result.exitCode == 0 || result.exitCode == 1;
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

bool AskSystemQuestion(const std::string& text, const std::string& caption) {
    if (!HasDesktop()) {
        return true;
    }
    // Both tools answer Yes with 0 and No (or a closed dialog) with 1.
    posix::ChildResult answer = posix::RunChild(
        {"zenity", "--question", "--no-markup", "--title=" + caption, "--text=" + text});
    if (answer.exitCode != 0 && answer.exitCode != 1) {
        answer = posix::RunChild({"kdialog", "--title", caption, "--yesno", text});
    }
    return answer.exitCode == 0;
}

}  // namespace platform
