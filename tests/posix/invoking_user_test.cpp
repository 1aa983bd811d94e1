// Run as root through sudo or pkexec: the invoking user's prefix and documents, and everything
// created handed to that user. Needs root; skipped otherwise.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/wine/wine_prefix.h"
#include "support/worker_test_support.h"

namespace {

using workertest::ScopedEnvironment;
using workertest::ScratchFolder;

constexpr uid_t kUserId = 4242;  // no account needed: the id alone decides
constexpr gid_t kGroupId = 4343;

using Owner = std::pair<uid_t, gid_t>;

Owner OwnerOf(const std::string& path) {
    struct stat info {};
    lstat(path.c_str(), &info);
    return {info.st_uid, info.st_gid};
}

class InvokedAsRoot : public ::testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0) {
            GTEST_SKIP() << "handing files to another user needs root";
        }
    }
    // Whatever the test runner's own environment says about sudo is not this test's.
    ScopedEnvironment sudoUid{"SUDO_UID", ""};
    ScopedEnvironment sudoGid{"SUDO_GID", ""};
    ScopedEnvironment sudoUser{"SUDO_USER", ""};
    ScopedEnvironment pkexecUid{"PKEXEC_UID", ""};
    ScratchFolder scratch;
};

TEST_F(InvokedAsRoot, FoldersAndFilesTheProgramCreatesBelongToTheSudoUser) {
    setenv("SUDO_UID", std::to_string(kUserId).c_str(), 1);
    setenv("SUDO_GID", std::to_string(kGroupId).c_str(), 1);
    const std::string existing = scratch / "existing";
    ASSERT_TRUE(workertest::WriteFile(existing, "root's"));

    ASSERT_TRUE(platform::CreateFolders(scratch / "Plug-ins/Larkspur"));
    ASSERT_EQ(platform::ReplaceFileContents(scratch / "Plug-ins/Larkspur/Kestrel.aex", "MZ", 2),
              platform::ReplaceResult::Replaced);
    ASSERT_EQ(platform::ReplaceFileContents(existing, "MZ", 2), platform::ReplaceResult::Replaced);

    const Owner user{kUserId, kGroupId};
    EXPECT_EQ(OwnerOf(scratch / "Plug-ins"), user);
    EXPECT_EQ(OwnerOf(scratch / "Plug-ins/Larkspur"), user);
    EXPECT_EQ(OwnerOf(scratch / "Plug-ins/Larkspur/Kestrel.aex"), user);
    // What stood there before keeps its owner: the scratch folder, and a replaced file.
    EXPECT_EQ(OwnerOf(scratch.path()), (Owner{0, 0}));
    EXPECT_EQ(OwnerOf(existing), (Owner{0, 0}));

    // A link is handed over itself, never what it points to.
    const std::string link = scratch / "link";
    ASSERT_EQ(symlink(existing.c_str(), link.c_str()), 0);
    platform::HandToInvokingUser(link);
    EXPECT_EQ(OwnerOf(link), user);
    EXPECT_EQ(OwnerOf(existing), (Owner{0, 0}));
}

TEST_F(InvokedAsRoot, WithoutAnotherInvokingUserRootKeepsWhatItCreates) {
    for (const char* uid : {"", "0", "12x"}) {  // none, root by sudo, not a number
        setenv("SUDO_UID", uid, 1);
        ASSERT_TRUE(platform::CreateFolder(scratch / ("by-" + std::string(uid))));
        EXPECT_EQ(OwnerOf(scratch / ("by-" + std::string(uid))), (Owner{0, 0})) << uid;
    }
}

TEST_F(InvokedAsRoot, PrefixAndDocumentsAreTheInvokingUsersNotRoots) {
    const passwd* daemon = getpwnam("daemon");
    ASSERT_NE(daemon, nullptr);
    const std::string home = daemon->pw_dir;
    const uid_t uid = daemon->pw_uid;
    const gid_t gid = daemon->pw_gid;
    ScopedEnvironment noPrefix("WINEPREFIX", "");
    // Root's own documents would be found here.
    ASSERT_EQ(mkdir((scratch / "Documents").c_str(), 0755), 0);
    ScopedEnvironment rootHome("HOME", scratch.path());
    ScopedEnvironment rootConfig("XDG_CONFIG_HOME", scratch / "config");
    EXPECT_EQ(platform::DocumentsFolder(), scratch / "Documents");

    setenv("SUDO_USER", "daemon", 1);  // by name, the group from the account
    EXPECT_EQ(platform::wine::PrefixPath(), home + "/.wine");
    EXPECT_NE(platform::DocumentsFolder(), scratch / "Documents");
    ASSERT_TRUE(platform::CreateFolder(scratch / "by-name"));
    EXPECT_EQ(OwnerOf(scratch / "by-name"), (Owner{uid, gid}));

    setenv("SUDO_USER", "", 1);
    setenv("PKEXEC_UID", std::to_string(uid).c_str(), 1);
    EXPECT_EQ(platform::wine::PrefixPath(), home + "/.wine");
    ASSERT_TRUE(platform::CreateFolder(scratch / "by-pkexec"));
    EXPECT_EQ(OwnerOf(scratch / "by-pkexec"), (Owner{uid, gid}));
}

}  // namespace
