// UTF-16 coding with replacement of ill-formed input, and whole-string conversions.
#include "platform/Unicode.h"

namespace platform {

char32_t DecodeUtf16(const WideChar*& p, const WideChar* end) {
    const char32_t unit = static_cast<char16_t>(*p++);
    if (unit < 0xD800 || unit > 0xDFFF) {
        return unit;
    }
    if (unit >= 0xDC00 || p == end) {
        return kReplacementCharacter;
    }
    const char32_t low = static_cast<char16_t>(*p);
    if (low < 0xDC00 || low > 0xDFFF) {
        return kReplacementCharacter;
    }
    ++p;
    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
}

void AppendUtf16(char32_t c, WideString* out) {
    if (c < 0x10000) {
        out->push_back(static_cast<WideChar>(c));
        return;
    }
    c -= 0x10000;
    out->push_back(static_cast<WideChar>(0xD800 + (c >> 10)));
    out->push_back(static_cast<WideChar>(0xDC00 + (c & 0x3FF)));
}

WideString Utf8ToUtf16(std::string_view text) {
    WideString out;
    out.reserve(text.size());
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end) {
        AppendUtf16(DecodeUtf8(p, end), &out);
    }
    return out;
}

std::string Utf16ToUtf8(WideStringView text) {
    std::string out;
    out.reserve(text.size());
    const WideChar* p = text.data();
    const WideChar* end = p + text.size();
    while (p != end) {
        AppendUtf8(DecodeUtf16(p, end), &out);
    }
    return out;
}

}  // namespace platform
