// The clipboard as Unicode text with CR LF line ends, in memory the clipboard then owns.
#include <cstring>

#include "platform/Clipboard.h"
#include "platform/Unicode.h"
#include "platform/win32/window_record.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

std::wstring WithCarriageReturns(const std::string& textUtf8) {
    const WideString text = Utf8ToUtf16(textUtf8);
    std::wstring lines;
    for (const WideChar c : text) {
        if (c == L'\n' && (lines.empty() || lines.back() != L'\r')) {
            lines += L'\r';
        }
        lines += c;
    }
    return lines;
}

}  // namespace

void CopyToClipboard(NativeWindow owner, const std::string& textUtf8) {
    const std::wstring text = WithCarriageReturns(textUtf8);
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) {
        return;
    }
    void* data = GlobalLock(memory);
    std::memcpy(data, text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!OpenClipboard(backend::HandleOf(owner))) {
        GlobalFree(memory);
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, memory)) {
        GlobalFree(memory);
    }
    CloseClipboard();
}

}  // namespace platform
