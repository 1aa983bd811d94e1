// The desktop's clipboard, where other programs paste from.
#pragma once

#include <string>

#include "platform/Window.h"

namespace platform {

// Puts the text on the clipboard; `owner` is the window of ours that answers for it. Lines end
// as the desktop's programs expect them.
void CopyToClipboard(NativeWindow owner, const std::string& textUtf8);

}  // namespace platform
