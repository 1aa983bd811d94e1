// The conversions between the program's UTF-8 text and the platform's UTF-16 text.
#pragma once

#include <string>

#include "platform/WideString.h"

// Both read their argument as a NUL-terminated string, as the platform calls they stand for do:
// conversion stops at the first NUL. Ill-formed input becomes U+FFFD replacement characters.
platform::WideString Utf8ToWide(const std::string& text);
platform::WideString Utf8ToWide(const char* text);  // null gives the empty string
std::string WideToUtf8(const platform::WideString& text);
std::string WideToUtf8(const platform::WideChar* text);  // null gives the empty string
