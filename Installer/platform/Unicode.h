// UTF-8 and UTF-16 coding, portable: the text conversions, the registry reader and the path
// mapping all decode with these. The UTF-8 half lies below the platform (unicode/Utf8.h), where
// the rich-text reader shares it.
#pragma once

#include <string>
#include <string_view>

#include "platform/WideString.h"
#include "unicode/Utf8.h"

namespace platform {

using WideStringView = std::basic_string_view<WideChar>;

using unicode::AppendUtf8;
using unicode::DecodeUtf8;
using unicode::kReplacementCharacter;

// Decodes one code point at `p` (p < end); an unpaired surrogate yields U+FFFD.
char32_t DecodeUtf16(const WideChar*& p, const WideChar* end);

void AppendUtf16(char32_t c, WideString* out);

// Whole-string conversions; ill-formed input becomes U+FFFD, never an error.
WideString Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(WideStringView text);

}  // namespace platform
