// The user the program works for: itself, or, when it runs as root through sudo or pkexec, the
// user who started it, whose home, prefix and documents are meant and who owns what it creates.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace platform::posix {

struct InvokingUser {
    uid_t uid = 0;
    gid_t gid = static_cast<gid_t>(-1);  // -1: unknown, the group is left as it is
    std::string home;                    // empty: the user has no account entry
};

// Set only while the program runs as root on behalf of another user: from sudo (SUDO_UID,
// SUDO_GID, SUDO_USER) or pkexec (PKEXEC_UID).
std::optional<InvokingUser> InvokingUserOfRoot();

// The home folder of the user the program works for.
std::string UserHome();

// Makes the invoking user the owner of the open file `fd` (when there is one).
void HandDescriptorToInvokingUser(int fd);

}  // namespace platform::posix
