// UTF-8 coding with replacement of ill-formed input.
#include "unicode/Utf8.h"

namespace unicode {
namespace {

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

}  // namespace

char32_t DecodeUtf8(const char*& p, const char* end) {
    const auto lead = static_cast<unsigned char>(*p++);
    if (lead < 0x80) {
        return lead;
    }
    // The allowed range of the second byte depends on the lead byte: it rules out overlong
    // forms, surrogates and code points above U+10FFFF.
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;
    char32_t c = 0;
    if (InRange(lead, 0xC2, 0xDF)) {
        length = 2;
        c = lead & 0x1F;
    } else if (InRange(lead, 0xE0, 0xEF)) {
        length = 3;
        c = lead & 0x0F;
        if (lead == 0xE0) {
            low = 0xA0;
        } else if (lead == 0xED) {
            high = 0x9F;
        }
    } else if (InRange(lead, 0xF0, 0xF4)) {
        length = 4;
        c = lead & 0x07;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F;
        }
    } else {
        return kReplacementCharacter;
    }
    for (int i = 1; i < length; ++i) {
        if (p == end || !InRange(static_cast<unsigned char>(*p), low, high)) {
            return kReplacementCharacter;
        }
        c = (c << 6) | (static_cast<unsigned char>(*p++) & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return c;
}

void AppendUtf8(char32_t c, std::string* out) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace unicode
