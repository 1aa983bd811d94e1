// A prefix that another user controls, or a system.reg that leads elsewhere, is not read: its
// hosts could name any file, and a link could show a file that is not ours to show.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/Registry.h"
#include "wine/registry_test_prefix.h"

namespace {

const std::string kHostsBody = TestPrefix::HostKey(kView64Key + "\\\\12", "\"C:\\\\Plug-ins\"");

bool OpenHosts() {
    platform::RegistryKey key;
    return key.Open("Software\\Adobe\\After Effects", true);
}

TEST(PrefixTrust, PrefixOfAnotherUserIsRefused) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving the prefix to another user needs root";
    }
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    TestPrefix prefix;
    prefix.WriteSystemReg(TestPrefix::RegFile(kHostsBody));
    ASSERT_TRUE(OpenHosts());  // the same prefix is read while it is ours

    ASSERT_EQ(chown(prefix.Root().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    EXPECT_FALSE(OpenHosts());
    EXPECT_EQ(platform::RegistryReadProblem(),
              "the Wine prefix " + prefix.Root().string() + " belongs to another user");
}

TEST(PrefixTrust, SymlinkedSystemRegIsRefused) {
    TestPrefix prefix;
    const auto secret = prefix.Root() / "secret.reg";
    prefix.WriteSystemReg(TestPrefix::RegFile(kHostsBody));
    std::filesystem::rename(prefix.Root() / "system.reg", secret);
    ASSERT_EQ(chmod(secret.c_str(), 0600), 0);
    std::filesystem::create_symlink(secret, prefix.Root() / "system.reg");

    EXPECT_FALSE(OpenHosts());
    EXPECT_NE(platform::RegistryReadProblem().find("system.reg is a symbolic link"),
              std::string::npos)
        << platform::RegistryReadProblem();
}

TEST(PrefixTrust, DirectoryInPlaceOfSystemRegIsRefused) {
    TestPrefix prefix;
    std::filesystem::create_directory(prefix.Root() / "system.reg");
    EXPECT_FALSE(OpenHosts());
    EXPECT_NE(platform::RegistryReadProblem().find("system.reg is not a regular file"),
              std::string::npos);
}

}  // namespace
