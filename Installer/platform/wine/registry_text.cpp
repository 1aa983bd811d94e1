// Decoding the characters of Wine's registry text, as Wine's own reader decodes them.
#include "platform/wine/registry_text.h"

namespace platform::wine {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string_view TrimLeft(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    return text.substr(i);
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool EndsWithBackslash(std::string_view line) {
    line = TrimRight(line);
    return !line.empty() && line.back() == '\\';
}

Step NextCharacter(const char*& p, const char* end, char delimiter, char32_t* out) {
    if (p == end || *p == '\0') {
        return Step::kBroken;
    }
    if (*p == delimiter) {
        ++p;
        return Step::kDelimiter;
    }
    if (static_cast<unsigned char>(*p) >= 0x80) {
        *out = DecodeUtf8(p, end);
        return Step::kCharacter;
    }
    if (*p != '\\') {
        *out = static_cast<unsigned char>(*p++);
        return Step::kCharacter;
    }
    ++p;
    if (p == end || *p == '\0') {
        return Step::kBroken;
    }
    const char escaped = *p++;
    switch (escaped) {
        case 'a':
            *out = '\a';
            break;
        case 'b':
            *out = '\b';
            break;
        case 'e':
            *out = 0x1B;
            break;
        case 'f':
            *out = '\f';
            break;
        case 'n':
            *out = '\n';
            break;
        case 'r':
            *out = '\r';
            break;
        case 't':
            *out = '\t';
            break;
        case 'v':
            *out = '\v';
            break;
        case 'x': {
            char32_t unit = 0;
            int digits = 0;
            while (digits < 4 && p != end && HexDigit(*p) >= 0) {
                unit = unit * 16 + HexDigit(*p++);
                ++digits;
            }
            *out = digits == 0 ? U'x' : unit;
            break;
        }
        default:
            if (escaped >= '0' && escaped <= '7') {
                char32_t value = escaped - '0';
                for (int i = 0; i < 2 && p != end && *p >= '0' && *p <= '7'; ++i) {
                    value = value * 8 + (*p++ - '0');
                }
                *out = value;
            } else {
                *out = static_cast<unsigned char>(escaped);
            }
            break;
    }
    return Step::kCharacter;
}

std::string WrittenKeyPath(std::u32string_view path) {
    std::string written;
    for (const char32_t c : path) {
        if (c == '\\') {
            written += "\\\\";
        } else if (c >= 0x20 && c < 0x7F && c != '"' && c != '[' && c != ']') {
            written += static_cast<char>(c);
        } else {
            return {};
        }
    }
    return written;
}

bool DecodeString(const char*& p, const char* end, char delimiter, WideString* out) {
    for (;;) {
        char32_t c = 0;
        switch (NextCharacter(p, end, delimiter, &c)) {
            case Step::kDelimiter:
                return true;
            case Step::kBroken:
                return false;
            case Step::kCharacter:
                AppendUtf16(c, out);
                break;
        }
    }
}

}  // namespace platform::wine
