// The system message box: system-modal, no owner, so the program's own windows keep running.
#include <cstdio>

#include "platform/MessageBox.h"
#include "platform/Unicode.h"
#include "platform/win32/windows_api.h"

namespace platform {

void ShowSystemMessage(const std::string& text, const std::string& caption) {
    if (MessageBoxW(nullptr, Utf8ToUtf16(text).c_str(), Utf8ToUtf16(caption).c_str(),
                    MB_SYSTEMMODAL) == 0) {
        // No desktop to show it on (a service, or no display under Wine).
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
}

bool AskSystemQuestion(const std::string& text, const std::string& caption) {
    const int answer = MessageBoxW(nullptr, Utf8ToUtf16(text).c_str(), Utf8ToUtf16(caption).c_str(),
                                   MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL);
    // 0: no desktop to ask on, the run is unattended.
    return answer == 0 || answer == IDYES;
}

}  // namespace platform
