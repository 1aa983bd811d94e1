// Locating the Wine prefix and Wine's case-insensitive name comparison.
#include "platform/linux/wine_prefix.h"

#include "platform/linux/posix_util.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace platform::wine {
namespace {

// The home folder in a user's entry, looked up with the reentrant calls: the worker and the
// interface threads both get here. `lookup` is getpwnam_r or getpwuid_r bound to its key.
template <typename Lookup>
std::string HomeOf(Lookup lookup) {
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 1024);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        const int error = lookup(&entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return error == 0 && found != nullptr && found->pw_dir != nullptr
                   ? std::string(found->pw_dir)
                   : std::string();
    }
}

std::string HomeOfName(const std::string& name) {
    return HomeOf([&](passwd* entry, char* buffer, size_t size, passwd** found) {
        return getpwnam_r(name.c_str(), entry, buffer, size, found);
    });
}

std::string HomeOfUid(uid_t uid) {
    return HomeOf([&](passwd* entry, char* buffer, size_t size, passwd** found) {
        return getpwuid_r(uid, entry, buffer, size, found);
    });
}

// The home folder of the user on whose behalf the program runs.
std::string InvokingUserHome() {
    if (geteuid() == 0) {
        const std::string sudoUser = posix::EnvironmentValue("SUDO_USER");
        if (!sudoUser.empty() && sudoUser != "root") {
            const std::string home = HomeOfName(sudoUser);
            if (!home.empty()) {
                return home;
            }
        }
        const std::string pkexecUid = posix::EnvironmentValue("PKEXEC_UID");
        if (!pkexecUid.empty()) {
            char* end = nullptr;
            const unsigned long uid = std::strtoul(pkexecUid.c_str(), &end, 10);
            if (*end == '\0' && uid != 0) {
                const std::string home = HomeOfUid(static_cast<uid_t>(uid));
                if (!home.empty()) {
                    return home;
                }
            }
        }
    }
    std::string home = posix::EnvironmentValue("HOME");
    return home.empty() ? HomeOfUid(getuid()) : home;
}

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
    return InvokingUserHome() + "/.wine";
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
