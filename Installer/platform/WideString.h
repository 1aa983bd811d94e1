// UTF-16 text as the platform's wide calls take it: wchar_t on Windows, char16_t elsewhere.
#pragma once

#include <string>

namespace platform {

#if defined(_WIN32)
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif
using WideString = std::basic_string<WideChar>;

}  // namespace platform
