// UTF-8 and UTF-16 coding, portable: the text conversions, the registry reader and the path
// mapping all decode with these.
#pragma once

#include <string>
#include <string_view>

#include "platform/WideString.h"

namespace platform {

using WideStringView = std::basic_string_view<WideChar>;

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes one code point at `p` (p < end) and advances `p`. An ill-formed sequence yields
// U+FFFD and advances past its longest well-formed start only, so that the next byte is
// decoded afresh (one replacement per maximal subpart, as Unicode recommends).
char32_t DecodeUtf8(const char*& p, const char* end);

// Decodes one code point at `p` (p < end); an unpaired surrogate yields U+FFFD.
char32_t DecodeUtf16(const WideChar*& p, const WideChar* end);

void AppendUtf16(char32_t c, WideString* out);
void AppendUtf8(char32_t c, std::string* out);

// Whole-string conversions; ill-formed input becomes U+FFFD, never an error.
WideString Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(WideStringView text);

}  // namespace platform
