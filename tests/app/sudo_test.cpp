// The built program run by root through sudo for a throw-away user who attacks it: every path
// that user controls (registry values, drive links, links in plug-in folders, --custom) is
// followed with that user's rights only, so nothing lands where the user may not write, and
// another user's files and prefix stay as they were.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/host_prefix.h"
#include "support/ProgramRun.h"
#include "support/ThrowAwayUser.h"
#include "support/worker_test_support.h"

namespace {

using namespace wizardtest;
using testsupport::ProgramRun;
using testsupport::RunProgram;
using testsupport::ThrowAwayUser;
using workertest::EntriesIn;
using workertest::ReadFile;
using workertest::ScratchFolder;

namespace fs = std::filesystem;

struct Owner {
    uid_t uid;
    gid_t gid;
    bool operator==(const Owner&) const = default;
};

Owner OwnerOf(const fs::path& path) {
    struct stat info {};
    lstat(path.c_str(), &info);
    return {info.st_uid, info.st_gid};
}

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// A Linux path as a Wine path on drive Z:, which Wine links to the root folder.
std::string OnDriveZ(const fs::path& path) {
    std::string windows = "Z:" + path.string();
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
}

class SudoRun : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const ThrowAwayUser* user : {&attacker, &victim}) {
            if (!user->problem().empty()) {
                GTEST_SKIP() << user->problem();
            }
        }
        // Everyone may look into the scratch folder, as into /opt; only root may write there.
        ASSERT_EQ(chmod(scratch.path().c_str(), 0755), 0);
        fs::create_directory(system);
    }

    // The attacker's prefix with one host registered at `hostFolder`, and drive Z: as Wine
    // makes it; `arrange` changes the prefix before it is handed to the attacker.
    std::unique_ptr<HostPrefix> AttackersPrefix(
        const std::string& hostFolder, const std::function<void(const HostPrefix&)>& arrange = {}) {
        auto prefix = std::make_unique<HostPrefix>(std::vector<Host>{{5, true, hostFolder}});
        fs::create_directory_symlink("/", prefix->Root() / "dosdevices/z:");
        if (arrange) {
            arrange(*prefix);
        }
        attacker.Own(prefix->Root());
        return prefix;
    }

    // `--silent` with `extra`, run by root for the attacker through sudo over `prefix`.
    ProgramRun RunForAttacker(const HostPrefix& prefix,
                              const std::vector<std::string>& extra = {}) {
        std::map<std::string, std::string> variables = attacker.SudoVariables();
        variables["WINEPREFIX"] = prefix.Root();
        std::vector<std::string> arguments = {"--silent"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return RunProgram(arguments, variables);
    }

    ThrowAwayUser attacker;
    ThrowAwayUser victim;
    ScratchFolder scratch;
    const fs::path system = scratch / "system";  // stands for /opt, /etc, /usr/lib, ...
};

TEST_F(SudoRun, NoPathTheUserControlsLeadsRootIntoAFolderTheUserCannotWrite) {
    struct Attack {
        const char* name;
        std::string hostFolder;
        std::function<void(const HostPrefix&)> arrange;
        std::vector<std::string> extra;
        int exitCode;
    };
    std::string onDriveC = system.string();
    std::replace(onDriveC.begin(), onDriveC.end(), '/', '\\');
    const std::vector<Attack> attacks = {
        {"a registry value naming a system folder", OnDriveZ(system), {}, {}, 64},
        {"drive C linked to the root folder",
         "C:" + onDriveC,
         [](const HostPrefix& prefix) {
             fs::remove(prefix.Root() / "dosdevices/c:");
             fs::create_directory_symlink("/", prefix.Root() / "dosdevices/c:");
         },
         {},
         64},
        {"the maker's folder linked to a system folder",
         HostFolder(5),
         [this](const HostPrefix& prefix) {
             fs::create_directory_symlink(system, prefix.LinuxFolder(HostFolder(5)) / "Larkspur");
         },
         {},
         64},
        {"--custom naming a system folder", HostFolder(5), {}, {"--custom=" + system.string()}, 74},
    };
    for (const Attack& attack : attacks) {
        SCOPED_TRACE(attack.name);
        const ProgramRun run =
            RunForAttacker(*AttackersPrefix(attack.hostFolder, attack.arrange), attack.extra);
        EXPECT_EQ(run.exitCode, attack.exitCode) << run.err;
        EXPECT_TRUE(EntriesIn(system).empty());
        EXPECT_EQ(OwnerOf(system), (Owner{0, 0}));
    }
}

TEST_F(SudoRun, AnotherUsersPluginAndPrefixStayTheirs) {
    // The victim's plug-in folder, writable by the victim only.
    const fs::path victimFolder = fs::path(victim.home()) / "Plug-ins";
    fs::create_directories(victimFolder / "Larkspur");
    const fs::path victimPlugin = victimFolder / "Larkspur/Kestrel.aex";
    ASSERT_TRUE(workertest::WriteFile(victimPlugin, "the victim's own build"));
    victim.Own(victimFolder);

    const ProgramRun intoTheirFolder = RunForAttacker(*AttackersPrefix(OnDriveZ(victimFolder)));
    EXPECT_EQ(intoTheirFolder.exitCode, 64) << intoTheirFolder.err;
    EXPECT_EQ(ReadFile(victimPlugin), "the victim's own build");
    EXPECT_EQ(OwnerOf(victimPlugin), (Owner{victim.uid(), victim.gid()}));
    EXPECT_EQ(EntriesIn(victimFolder / "Larkspur"), std::vector<std::string>{"Kestrel.aex"});

    // The victim's whole prefix, named by the attacker: not read, not written.
    const HostPrefix theirs({{5, true, HostFolder(5)}});
    victim.Own(theirs.Root());
    std::map<std::string, std::string> variables = attacker.SudoVariables();
    variables["WINEPREFIX"] = theirs.Root();
    const ProgramRun intoTheirPrefix = RunProgram({"--silent"}, variables);
    EXPECT_EQ(intoTheirPrefix.exitCode, 3) << intoTheirPrefix.err;
    EXPECT_NE(intoTheirPrefix.err.find("belongs to another user"), std::string::npos)
        << intoTheirPrefix.err;
    EXPECT_FALSE(fs::exists(theirs.LinuxFolder(HostFolder(5)) / "Larkspur"));
}

TEST_F(SudoRun, TheUsersOwnPrefixGetsFilesOfTheUserWithModesNoUmaskCanOpen) {
    const auto prefix = AttackersPrefix(HostFolder(5));
    const fs::path plugin = prefix->PluginOf(HostFolder(5));
    // A umask that would let anyone change what is made.
    const mode_t saved = umask(0);
    const ProgramRun run = RunForAttacker(*prefix);
    umask(saved);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(plugin), Payload(kHostSlots[5].payloadId));
    for (const fs::path& made : {plugin.parent_path(), plugin}) {
        EXPECT_EQ(OwnerOf(made), (Owner{attacker.uid(), attacker.gid()})) << made;
    }
    EXPECT_EQ(ModeOf(plugin.parent_path()), 0755u);
    EXPECT_EQ(ModeOf(plugin), 0644u);
}

}  // namespace
