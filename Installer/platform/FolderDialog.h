// The desktop's folder chooser, run modally over an owner window.
#pragma once

#include <string>

#include "platform/Window.h"

namespace platform {

// Lets the user pick an existing folder, opening on `initialFolder` when one is given. Blocks
// until the chooser closes; meanwhile the owner's top-level window (may be null) is disabled and
// the message loop keeps painting and ticking. Returns the folder as this system spells file
// paths, or the empty string when the user cancelled, no chooser could be started, or the
// answer names no existing folder. `noChooser` (when given) tells the last case apart: true when
// no chooser could be started at all (on Linux, neither zenity nor kdialog is installed).
std::string ChooseFolder(NativeWindow owner, const std::string& title,
                         const std::string& initialFolder, bool* noChooser = nullptr);

}  // namespace platform
