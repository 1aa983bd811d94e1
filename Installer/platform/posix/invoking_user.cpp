// Finding the user on whose behalf the program runs, and handing created files to them.
#include "platform/posix/invoking_user.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <vector>

#include "platform/posix/posix_util.h"

namespace platform::posix {
namespace {

// A user's account entry, looked up with the reentrant calls: the worker and the interface
// threads both get here. `lookup` is getpwnam_r or getpwuid_r bound to its key.
template <typename Lookup>
std::optional<InvokingUser> AccountOf(Lookup lookup) {
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
        if (error != 0 || found == nullptr) {
            return std::nullopt;
        }
        return InvokingUser{found->pw_uid, found->pw_gid, found->pw_dir ? found->pw_dir : ""};
    }
}

std::optional<InvokingUser> AccountOfUid(uid_t uid) {
    return AccountOf([&](passwd* entry, char* buffer, size_t size, passwd** found) {
        return getpwuid_r(uid, entry, buffer, size, found);
    });
}

std::optional<InvokingUser> AccountOfName(const std::string& name) {
    return AccountOf([&](passwd* entry, char* buffer, size_t size, passwd** found) {
        return getpwnam_r(name.c_str(), entry, buffer, size, found);
    });
}

// A whole decimal number from the environment; nothing when unset or malformed.
std::optional<unsigned> NumberFromEnvironment(const char* name) {
    const std::string text = EnvironmentValue(name);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// An id the account database may not know (a user removed since): the id alone still decides
// who owns what is created.
InvokingUser UserWithId(uid_t uid) {
    InvokingUser user;
    user.uid = uid;
    if (std::optional<InvokingUser> account = AccountOfUid(uid)) {
        user = *account;
    }
    return user;
}

}  // namespace

std::optional<InvokingUser> InvokingUserOfRoot() {
    if (geteuid() != 0) {
        return std::nullopt;
    }
    std::optional<InvokingUser> user;
    if (const std::optional<unsigned> uid = NumberFromEnvironment("SUDO_UID")) {
        user = UserWithId(*uid);
        if (const std::optional<unsigned> gid = NumberFromEnvironment("SUDO_GID")) {
            user->gid = *gid;
        }
    } else if (const std::string name = EnvironmentValue("SUDO_USER"); !name.empty()) {
        user = AccountOfName(name);
    } else if (const std::optional<unsigned> uid = NumberFromEnvironment("PKEXEC_UID")) {
        user = UserWithId(*uid);
    }
    // Root starting it for root changes nothing.
    return user && user->uid != 0 ? user : std::nullopt;
}

std::string UserHome() {
    if (const std::optional<InvokingUser> user = InvokingUserOfRoot();
        user && !user->home.empty()) {
        return user->home;
    }
    const std::string home = EnvironmentValue("HOME");
    if (!home.empty()) {
        return home;
    }
    const std::optional<InvokingUser> self = AccountOfUid(getuid());
    return self ? self->home : "";
}

void HandDescriptorToInvokingUser(int fd) {
    if (const std::optional<InvokingUser> user = InvokingUserOfRoot()) {
        [[maybe_unused]] const int changed = fchown(fd, user->uid, user->gid);
    }
}

}  // namespace platform::posix
