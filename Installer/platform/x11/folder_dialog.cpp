// The folder chooser on Linux: zenity, or kdialog where zenity is missing, as a child process
// while the owner stays disabled and the loop keeps running.
#include "platform/FolderDialog.h"

#include <span>
#include <string>
#include <vector>

#include "platform/Events.h"
#include "platform/posix/child_process.h"
#include "platform/posix/posix_util.h"
#include "platform/x11/chooser_transient.h"
#include "platform/x11/window_record.h"

namespace platform {
namespace {

// A relative start folder is spelt so that no chooser can take it for an option.
std::string StartFolder(const std::string& initialFolder) {
    if (initialFolder.empty() || initialFolder[0] == '/') {
        return initialFolder;
    }
    return "./" + initialFolder;
}

// The tools print the folder and one line end.
std::string FolderFromAnswer(const posix::ChildResult& answer) {
    if (!answer.started || answer.exitCode != 0) {
        return "";
    }
    std::string folder = answer.output;
    if (!folder.empty() && folder.back() == '\n') {
        folder.pop_back();
    }
    const bool wellFormed =
        !folder.empty() && folder[0] == '/' && folder.find('\0') == std::string::npos;
    return wellFormed && posix::IsDirectory(folder) ? folder : "";
}

// Windows keep painting and timers keep ticking while the chooser is open.
void WaitDispatchingMessages(std::span<const int> descriptors) {
    backend::WaitMessageOrReadable(descriptors);
    Message message;
    while (PeekMessage(message)) {
        DispatchMessage(message);
    }
}

}  // namespace

std::string ChooseFolder(NativeWindow owner, const std::string& title,
                         const std::string& initialFolder, bool* noChooser) {
    NativeWindow top = backend::Alive(owner) ? backend::TopLevelOf(owner) : nullptr;
    const std::string start = StartFolder(initialFolder);

    std::vector<std::string> zenity = {"zenity", "--file-selection", "--directory",
                                       "--title=" + title};
    std::vector<std::string> kdialog = {"kdialog", "--title", title};
    if (top) {
        // Transient for the owner, so that the window manager keeps it above and centred on it.
        const std::string id = std::to_string(top->xid);
        zenity.insert(zenity.end(), {"--modal", "--attach=" + id});
        kdialog.insert(kdialog.end(), {"--attach", id});
    }
    if (!start.empty()) {
        // The trailing separator opens the folder itself rather than its parent with it selected.
        zenity.push_back("--filename=" + start + (start.back() == '/' ? "" : "/"));
    }
    kdialog.push_back("--getexistingdirectory");
    if (!start.empty()) {
        kdialog.push_back(start);
    }

    const bool disable = top && IsWindowEnabled(top);
    if (disable) {
        EnableWindow(top, false);
    }
    posix::ChildResult answer;
    {
        const backend::ChooserTransient keepAbove(top);
        answer = posix::RunChild(zenity, WaitDispatchingMessages);
        if (!answer.started) {
            answer = posix::RunChild(kdialog, WaitDispatchingMessages);
        }
    }
    if (disable) {
        EnableWindow(top, true);
    }
    if (noChooser) {
        *noChooser = !answer.started;
    }
    return FolderFromAnswer(answer);
}

}  // namespace platform
