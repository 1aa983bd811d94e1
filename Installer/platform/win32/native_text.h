// Text into and out of the system's text controls: their line ends, their window text, and an
// RTF document streamed into a rich edit.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace platform::backend {

// Text for a control: UTF-16 with lines ending in CR LF; a one-line control keeps the first line
// only. NULs, which would end the text early, are dropped.
std::wstring ControlText(const std::string& textUtf8, bool multiLine);
// Text from a control as the rest of the program writes it: UTF-8, each line end one '\n'.
std::string ProgramText(const std::wstring& text);

std::wstring WindowText(HWND control);
// Sets a rich edit's whole text: an RTF document when it starts with "{\rtf", else plain text.
void SetRichText(HWND control, const std::string& textUtf8, bool multiLine);

}  // namespace platform::backend
