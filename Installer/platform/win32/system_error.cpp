// The system's words for a GetLastError code, in the user's language.
#include "platform/SystemError.h"

#include <cwctype>

#include "platform/Unicode.h"
#include "platform/win32/windows_api.h"

namespace platform {

std::string SystemErrorText(int systemError) {
    wchar_t buffer[512];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(systemError), 0, buffer,
                                        sizeof buffer / sizeof buffer[0], nullptr);
    std::wstring text(buffer, length);
    // The system's messages end in a full stop and a line end.
    while (!text.empty() && (std::iswspace(text.back()) || text.back() == L'.')) {
        text.pop_back();
    }
    if (text.empty()) {
        return "system error " + std::to_string(systemError);
    }
    return Utf16ToUtf8(text);
}

}  // namespace platform
