// Locating the Wine prefix and Wine's case-insensitive name comparison.
#include "platform/wine/wine_prefix.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/posix/invoking_user.h"
#include "platform/posix/posix_util.h"

namespace platform::wine {
namespace {

char32_t DecodeNext(const char*& p, const char* end) {
    return DecodeUtf8(p, end);
}
char32_t DecodeNext(const WideChar*& p, const WideChar* end) {
    return DecodeUtf16(p, end);
}

}  // namespace

std::string PrefixPath() {
    std::string prefix = posix::EnvironmentValue("WINEPREFIX");
    if (!prefix.empty()) {
        return prefix;
    }
    return posix::UserHome() + "/.wine";
}

std::string PrefixOwnerProblem(const std::string& prefix) {
    struct stat info;
    if (stat(prefix.c_str(), &info) != 0 || info.st_uid == geteuid()) {
        return {};
    }
    return "the Wine prefix " + prefix + " belongs to another user";
}

char32_t UpperCase(char32_t c) {
    if (c < 0x80) {
        return c >= 'a' && c <= 'z' ? c - 0x20 : c;
    }
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F)) {
        return c - 0x20;
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if (c == 0x3C2) {  // final sigma
        return 0x3A3;
    }
    if (c >= 0x450 && c <= 0x45F) {
        return c - 0x50;
    }
    // Latin Extended-A pairs capitals and small letters as even/odd, except in two runs where
    // the capital is the odd one.
    const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x178 && c != 0x17F) {
        const bool small = oddCapitals ? (c % 2 == 0) : (c % 2 == 1);
        return small ? c - 1 : c;
    }
    return c;
}

std::u32string UpperCased(WideStringView name) {
    std::u32string folded;
    folded.reserve(name.size());
    const WideChar* p = name.data();
    const WideChar* end = p + name.size();
    while (p != end) {
        folded.push_back(UpperCase(DecodeUtf16(p, end)));
    }
    return folded;
}

template <typename Char>
static bool EqualFolded(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    const Char* pa = a.data();
    const Char* pb = b.data();
    const Char* endA = pa + a.size();
    const Char* endB = pb + b.size();
    while (pa != endA && pb != endB) {
        if (UpperCase(DecodeNext(pa, endA)) != UpperCase(DecodeNext(pb, endB))) {
            return false;
        }
    }
    return pa == endA && pb == endB;
}

bool EqualIgnoringCase(WideStringView a, WideStringView b) {
    return EqualFolded(a, b);
}

bool EqualIgnoringCaseUtf8(std::string_view a, std::string_view b) {
    return EqualFolded(a, b);
}

}  // namespace platform::wine
