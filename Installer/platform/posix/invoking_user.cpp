// Becoming the user on whose behalf root started the program, for good.
#include "platform/posix/invoking_user.h"

#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/Process.h"
#include "platform/posix/posix_util.h"

namespace platform {
namespace posix {
namespace {

struct Account {
    uid_t uid = 0;
    gid_t gid = static_cast<gid_t>(-1);  // -1: not known
    std::string name;                    // empty: the id has no account entry
    std::string home;
};

// A user's account entry, looked up with the reentrant calls. `lookup` is getpwnam_r or
// getpwuid_r bound to its key.
template <typename Lookup>
std::optional<Account> AccountOf(Lookup lookup) {
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
        return Account{found->pw_uid, found->pw_gid, found->pw_name ? found->pw_name : "",
                       found->pw_dir ? found->pw_dir : ""};
    }
}

std::optional<Account> AccountOfUid(uid_t uid) {
    return AccountOf([&](passwd* entry, char* buffer, size_t size, passwd** found) {
        return getpwuid_r(uid, entry, buffer, size, found);
    });
}

std::optional<Account> AccountOfName(const std::string& name) {
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

// An id the account database may not know (a user removed since) still names the user.
Account AccountWithId(uid_t uid) {
    Account account;
    account.uid = uid;
    return AccountOfUid(uid).value_or(account);
}

// The user that sudo (SUDO_UID, SUDO_GID, SUDO_USER) or pkexec (PKEXEC_UID) started root for;
// nothing when root was not started for someone else.
std::optional<Account> InvokingUserOfRoot() {
    if (geteuid() != 0) {
        return std::nullopt;
    }
    std::optional<Account> user;
    if (const std::optional<unsigned> uid = NumberFromEnvironment("SUDO_UID")) {
        user = AccountWithId(*uid);
        if (const std::optional<unsigned> gid = NumberFromEnvironment("SUDO_GID")) {
            user->gid = *gid;
        }
    } else if (const std::string name = EnvironmentValue("SUDO_USER"); !name.empty()) {
        user = AccountOfName(name);
    } else if (const std::optional<unsigned> uid = NumberFromEnvironment("PKEXEC_UID")) {
        user = AccountWithId(*uid);
    }
    return user && user->uid != 0 ? user : std::nullopt;
}

std::string Failure(const std::string& step) {
    return step + ": " + std::strerror(errno);
}

// Groups, then group, then user: once the user id is gone, nothing else may change.
std::string DropTo(const Account& user) {
    if (user.gid == static_cast<gid_t>(-1)) {
        return "user " + std::to_string(user.uid) + " has no account and no group was given";
    }
    const bool grouped = user.name.empty() ? setgroups(1, &user.gid) == 0
                                           : initgroups(user.name.c_str(), user.gid) == 0;
    if (!grouped) {
        return Failure("cannot take the groups of user " + std::to_string(user.uid));
    }
    if (setresgid(user.gid, user.gid, user.gid) != 0) {
        return Failure("cannot take group " + std::to_string(user.gid));
    }
    if (setresuid(user.uid, user.uid, user.uid) != 0) {
        return Failure("cannot become user " + std::to_string(user.uid));
    }
    uid_t real, effective, saved;
    gid_t realGroup, effectiveGroup, savedGroup;
    const bool settled = getresuid(&real, &effective, &saved) == 0 &&
                         getresgid(&realGroup, &effectiveGroup, &savedGroup) == 0 &&
                         real == user.uid && effective == user.uid && saved == user.uid &&
                         realGroup == user.gid && effectiveGroup == user.gid &&
                         savedGroup == user.gid;
    if (!settled || setuid(0) == 0 || setgid(0) == 0 || seteuid(0) == 0) {
        return "root's rights could still be taken back after becoming user " +
               std::to_string(user.uid);
    }
    // Changing ids made the process undumpable; it is the user's now, with nothing of root's
    // left, and the crash reporter must be able to read it.
    prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
    return "";
}

// The environment root was started with names root's (or nobody's) home and folders.
void TakeUsersEnvironment(const Account& user) {
    if (!user.home.empty()) {
        setenv("HOME", user.home.c_str(), 1);
    }
    if (!user.name.empty()) {
        setenv("USER", user.name.c_str(), 1);
        setenv("LOGNAME", user.name.c_str(), 1);
    }
    // Tools of a folder named through sudo are not run, here or in the wizard's relaunch.
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
                             "XDG_RUNTIME_DIR", "KESTREL_TOOLS_FOLDER"}) {
        unsetenv(name);
    }
    // Root's authority file is not readable any more; the user's own opens their display.
    const std::string authority = EnvironmentValue("XAUTHORITY");
    if ((authority.empty() || access(authority.c_str(), R_OK) != 0) && !user.home.empty()) {
        const std::string own = user.home + "/.Xauthority";
        if (access(own.c_str(), R_OK) == 0) {
            setenv("XAUTHORITY", own.c_str(), 1);
        } else {
            unsetenv("XAUTHORITY");
        }
    }
}

}  // namespace

std::string UserHome() {
    const std::string home = EnvironmentValue("HOME");
    if (!home.empty()) {
        return home;
    }
    const std::optional<Account> self = AccountOfUid(getuid());
    return self ? self->home : "";
}

}  // namespace posix

bool BecomeInvokingUser(std::string* why) {
    const std::optional<posix::Account> user = posix::InvokingUserOfRoot();
    if (!user) {
        return true;
    }
    std::string problem = posix::DropTo(*user);
    if (!problem.empty()) {
        if (why) {
            *why = std::move(problem);
        }
        return false;
    }
    posix::TakeUsersEnvironment(*user);
    return true;
}

}  // namespace platform
