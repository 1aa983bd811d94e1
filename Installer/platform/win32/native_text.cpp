// Text into and out of the system's text controls.
#include "platform/win32/native_text.h"

#include <algorithm>

#include "platform/Unicode.h"

// After windows.h: the rich edit header needs its types.
#include <richedit.h>

namespace platform::backend {
namespace {

// A line break inside a paragraph (RTF's \line), as a rich edit hands it out.
constexpr wchar_t kRichLineBreak = L'\v';

bool IsRtf(const std::string& text) {
    return text.starts_with("{\\rtf");
}

struct StreamSource {
    const std::string& text;
    size_t offset = 0;
};

DWORD CALLBACK ReadStreamSource(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const size_t count =
        std::min(source->text.size() - source->offset, static_cast<size_t>(std::max(wanted, 0L)));
    source->text.copy(reinterpret_cast<char*>(buffer), count, source->offset);
    source->offset += count;
    *given = static_cast<LONG>(count);
    return 0;
}

}  // namespace

std::wstring ControlText(const std::string& textUtf8, bool multiLine) {
    const std::wstring text = Utf8ToUtf16(textUtf8);
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            if (!multiLine) {
                break;
            }
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
                ++i;
            }
            out += L"\r\n";
        } else if (c != L'\0') {
            out += c;
        }
    }
    return out;
}

std::string ProgramText(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == kRichLineBreak) {
            out += L'\n';
        } else if (text[i] == L'\r') {
            out += L'\n';
            if (i + 1 < text.size() && text[i + 1] == L'\n') {
                ++i;
            }
        } else {
            out += text[i];
        }
    }
    return Utf16ToUtf8(out);
}

std::wstring WindowText(HWND control) {
    std::wstring text(static_cast<size_t>(std::max(0, GetWindowTextLengthW(control))), L'\0');
    const int copied = GetWindowTextW(control, text.data(), static_cast<int>(text.size()) + 1);
    text.resize(static_cast<size_t>(std::max(0, copied)));
    return text;
}

void SetRichText(HWND control, const std::string& textUtf8, bool multiLine) {
    // Loading stops at the text limit, 32767 characters unless raised.
    SendMessageW(control, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    if (IsRtf(textUtf8)) {
        StreamSource source{textUtf8};
        EDITSTREAM stream{};
        stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
        stream.pfnCallback = &ReadStreamSource;
        SendMessageW(control, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    } else {
        SetWindowTextW(control, ControlText(textUtf8, multiLine).c_str());
    }
}

}  // namespace platform::backend
