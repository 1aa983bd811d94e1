// UTF-8 coding, plain C++ below every other folder: the platform layer's text conversions and
// the rich-text reader both decode and encode with it.
#pragma once

#include <string>

namespace unicode {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes one code point at `p` (p < end) and advances `p`. An ill-formed sequence yields
// U+FFFD and advances past its longest well-formed start only, so that the next byte is
// decoded afresh (one replacement per maximal subpart, as Unicode recommends).
char32_t DecodeUtf8(const char*& p, const char* end);

void AppendUtf8(char32_t c, std::string* out);

}  // namespace unicode
