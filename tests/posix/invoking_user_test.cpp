// Root started through sudo or pkexec becomes the user who asked, for good: that user's ids and
// groups only, no way back to root, that user's home, and still a process the crash reporter
// can read. Each case runs in a fresh start of this test program, as root; skipped otherwise.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "platform/posix/child_process.h"
#include "support/ProgramRun.h"
#include "support/ThrowAwayUser.h"

namespace {

using testsupport::ProgramRun;
using testsupport::ThrowAwayUser;

constexpr char kChildVariable[] = "KESTREL_TEST_BECOME_INVOKING_USER";
// Test output comes before it on standard output.
constexpr char kReportMarker[] = "-- report --\n";

// What the process is after the change, one fact per line.
std::string Report() {
    uid_t uid[3];
    gid_t gid[3];
    getresuid(&uid[0], &uid[1], &uid[2]);
    getresgid(&gid[0], &gid[1], &gid[2]);
    std::vector<gid_t> groups(static_cast<size_t>(getgroups(0, nullptr)));
    getgroups(static_cast<int>(groups.size()), groups.data());
    std::string report = "uid " + std::to_string(uid[0]) + " " + std::to_string(uid[1]) + " " +
                         std::to_string(uid[2]) + "\ngid " + std::to_string(gid[0]) + " " +
                         std::to_string(gid[1]) + " " + std::to_string(gid[2]) + "\ngroups";
    for (const gid_t group : groups) {
        report += " " + std::to_string(group);
    }
    const bool regained = setuid(0) == 0 || seteuid(0) == 0 || setgid(0) == 0;
    report += "\nregained " + std::to_string(regained);
    report += "\ndumpable " + std::to_string(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0));
    for (const char* name : {"HOME", "USER", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
        const char* value = std::getenv(name);
        report += std::string("\n") + name + " " + (value ? value : "(unset)");
    }
    // A desktop tool (the folder chooser's way) started from here: whose it is, and what it is
    // given of an environment that sudo passed on.
    report += "\ntool " + platform::posix::RunChild({"id", "-u"}).output;
    report += "tool's environment";
    for (const std::string name : {"PATH", "HOME", "LD_PRELOAD", "SUDO_USER", "DISPLAY"}) {
        const platform::posix::ChildResult shown = platform::posix::RunChild({"printenv", name});
        report += " " + (shown.exitCode == 0
                             ? name + "=" + shown.output.substr(0, shown.output.find('\n'))
                             : "-");
    }
    return report + "\n";
}

TEST(BecomeInvokingUser, ChildRun) {
    if (std::getenv(kChildVariable) == nullptr) {
        GTEST_SKIP() << "runs only as the child of the tests below";
    }
    std::string why;
    if (!platform::BecomeInvokingUser(&why)) {
        std::printf("%srefused: %s\n", kReportMarker, why.c_str());
        std::fflush(stdout);
        _exit(1);
    }
    std::printf("%s%s", kReportMarker, Report().c_str());
    std::fflush(stdout);
    _exit(0);
}

class AsRoot : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!user.problem().empty()) {
            GTEST_SKIP() << user.problem();
        }
    }

    // This program again, as root with root's own environment plus `variables`.
    static ProgramRun RunChild(std::map<std::string, std::string> variables) {
        variables[kChildVariable] = "1";
        // What a hostile sudo policy could pass on: a library to load and tools of its own.
        variables["LD_PRELOAD"] = "/nonexistent/preload.so";
        variables["KESTREL_TOOLS_FOLDER"] = "/nonexistent";
        variables["DISPLAY"] = ":7";
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "USER"}) {
            variables.try_emplace(name, std::string("/root/") + name);
        }
        for (const char* name : {"SUDO_UID", "SUDO_GID", "SUDO_USER", "PKEXEC_UID"}) {
            variables.try_emplace(name, "");
        }
        ProgramRun run = testsupport::RunWith("/proc/self/exe",
                                              {"--gtest_filter=BecomeInvokingUser.*"}, variables);
        const size_t marker = run.out.find(kReportMarker);
        run.out = marker == std::string::npos ? "" : run.out.substr(marker + strlen(kReportMarker));
        return run;
    }

    std::string Expected(uid_t uid, gid_t gid, const std::string& name) const {
        const std::string u = std::to_string(uid);
        const std::string g = std::to_string(gid);
        return "uid " + u + " " + u + " " + u + "\ngid " + g + " " + g + " " + g + "\ngroups " + g +
               "\nregained 0\ndumpable 1\nHOME " + user.home() + "\nUSER " + name +
               "\nXDG_CONFIG_HOME (unset)\nXDG_RUNTIME_DIR (unset)\ntool " + u +
               "\ntool's environment PATH=/usr/local/bin:/usr/bin:/bin HOME=" + user.home() +
               " - - DISPLAY=:7\n";
    }

    ThrowAwayUser user;
};

TEST_F(AsRoot, SudoAndPkexecUsersAreBecomeWithTheirGroupsOnlyAndNoWayBack) {
    const ProgramRun bySudo = RunChild(user.SudoVariables());
    EXPECT_EQ(bySudo.exitCode, 0) << bySudo.out << bySudo.err;
    EXPECT_EQ(bySudo.out, Expected(user.uid(), user.gid(), user.name()));

    const ProgramRun bySudoName = RunChild({{"SUDO_USER", user.name()}});
    EXPECT_EQ(bySudoName.out, Expected(user.uid(), user.gid(), user.name()));

    const ProgramRun byPkexec = RunChild({{"PKEXEC_UID", std::to_string(user.uid())}});
    EXPECT_EQ(byPkexec.exitCode, 0) << byPkexec.out << byPkexec.err;
    EXPECT_EQ(byPkexec.out, Expected(user.uid(), user.gid(), user.name()));
}

TEST_F(AsRoot, RootStartedByNoOneElseStaysRoot) {
    for (const char* uid : {"", "0", "12x"}) {  // no sudo, root's own sudo, not a number
        const ProgramRun run = RunChild({{"SUDO_UID", uid}});
        EXPECT_EQ(run.exitCode, 0) << uid << run.out;
        EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "uid 0 0 0") << uid;
        EXPECT_NE(run.out.find("HOME /root/HOME\n"), std::string::npos) << uid;
    }
}

TEST_F(AsRoot, AnIdWithoutAccountIsBecomeOnlyWithAGroup) {
    const std::string orphan = "4040404";  // no account has it
    const ProgramRun withGroup = RunChild({{"SUDO_UID", orphan}, {"SUDO_GID", "4040405"}});
    EXPECT_EQ(withGroup.out.substr(0, withGroup.out.find("\nregained")),
              "uid 4040404 4040404 4040404\ngid 4040405 4040405 4040405\ngroups 4040405");

    const ProgramRun withoutGroup = RunChild({{"PKEXEC_UID", orphan}});
    EXPECT_EQ(withoutGroup.exitCode, 1);
    EXPECT_EQ(withoutGroup.out, "refused: user 4040404 has no account and no group was given\n");
}

}  // namespace
