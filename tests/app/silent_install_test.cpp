// The built program in its command-line mode, with no display at all, over Wine prefixes with
// hosts in both registry views: the files it writes, its lines, its exit codes, and that a
// mistake or a question writes nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/CrashReporter.h"
#include "app/SilentInstall.h"
#include "app/WizardTexts.h"
#include "app/host_prefix.h"
#include "platform/Process.h"
#include "support/ProgramRun.h"
#include "support/ThrowAwayUser.h"
#include "support/worker_test_support.h"

namespace {

using namespace wizardtest;
using testsupport::ProgramRun;
using testsupport::RunProgram;
using testsupport::RunWith;
using workertest::ReadFile;
using workertest::ScopedEnvironment;
using workertest::ScratchFolder;

constexpr char kFinished[] = "Kestrel 3D for After Effects has been successfully installed!\n";

// Every path below `root` with its size and time of change: what a run must leave as it was.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& root) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        struct stat info {};
        lstat(entry.path().c_str(), &info);
        entries[entry.path()] = std::to_string(info.st_size) + " " +
                                std::to_string(info.st_mtim.tv_sec) + "." +
                                std::to_string(info.st_mtim.tv_nsec);
    }
    return entries;
}

std::string Lines(std::initializer_list<int> steps) {
    static const char* const kLines[] = {
        "Installing CS3 version...\n",    "Installing CS4 version...\n",
        "Installing CS5 version...\n",    "Installing CS5.5 version...\n",
        "Installing CS6 version...\n",    "Installing CC version...\n",
        "Installing Custom version...\n", "Installing assets...\n"};
    std::string text;
    for (const int step : steps) {
        text += kLines[step];
    }
    return text;
}

// The dialog's text, then the folder and why it failed.
std::string InstallError(int code, const std::string& detail) {
    return "Unexpected error: An error occurred while installing Kestrel 3D.\nPlease contact "
           "support.\nError code:" +
           std::to_string(code) + "\n" + detail + "\n";
}

class SilentInstall : public ::testing::Test {
  protected:
    // CS3 in the 32-bit view, CS5.5 in the 64-bit view, CC in both: the 64-bit view's wins.
    std::vector<Host> BothViews() const {
        return {{0, false, HostFolder(0)},
                {3, true, HostFolder(3)},
                {5, false, "C:\\Old\\CC Plug-ins"},
                {5, true, HostFolder(5)}};
    }

    ScratchFolder scratch_;
};

TEST_F(SilentInstall, InstallsEveryDetectedHostWithoutADisplay) {
    const HostPrefix prefix(BothViews());
    const ProgramRun run = RunProgram({"--silent"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, Lines({0, 3, 5, 7}) + kFinished);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadFile(prefix.PluginOf(HostFolder(0))), Payload(300));
    EXPECT_EQ(ReadFile(prefix.PluginOf(HostFolder(3))), Payload(400));
    EXPECT_EQ(ReadFile(prefix.PluginOf(HostFolder(5))), Payload(400));
    EXPECT_FALSE(std::filesystem::exists(prefix.PluginOf("C:\\Old\\CC Plug-ins")));

    // Again over the installed files: replaced, the same outcome.
    const ProgramRun again = RunProgram({"--silent"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(ReadFile(prefix.PluginOf(HostFolder(5))), Payload(400));
}

TEST_F(SilentInstall, OutputThatNobodyReadsDoesNotStopTheInstallation) {
    // As with `kestrel-installer --silent | head -1`: the reader goes after the first line.
    const HostPrefix prefix(BothViews());
    const ProgramRun run = RunProgram({"--silent"}, {}, true);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(ReadFile(prefix.PluginOf(HostFolder(0))) == Payload(300));
    EXPECT_TRUE(ReadFile(prefix.PluginOf(HostFolder(5))) == Payload(400));
}

TEST_F(SilentInstall, HostsNarrowAndCustomAddsItsFolderWithTheChosenBuild) {
    const HostPrefix prefix(BothViews());
    // A folder whose path holds the elevation marker and a blank.
    const std::string custom = scratch_ / "Deploy/UAC plug-ins";
    std::filesystem::create_directories(custom);
    const std::string customPlugin = custom + "/Larkspur/Kestrel.aex";

    const ProgramRun run = RunProgram({"--silent", "--hosts=CC,CS6", "--custom=" + custom});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, Lines({5, 6, 7}) + kFinished);
    EXPECT_EQ(run.err, "Kestrel 3D installer: CS6 was not found in " + prefix.Root().string() +
                           "; skipped\n");
    EXPECT_EQ(ReadFile(prefix.PluginOf(HostFolder(5))), Payload(400));
    EXPECT_EQ(ReadFile(customPlugin), Payload(300));
    EXPECT_FALSE(std::filesystem::exists(prefix.PluginOf(HostFolder(0))));
    EXPECT_FALSE(std::filesystem::exists(prefix.PluginOf(HostFolder(3))));

    const ProgramRun wide =
        RunProgram({"--custom=" + custom, "--bits=64", "--hosts=CS3", "--silent"});
    EXPECT_EQ(wide.exitCode, 0) << wide.err;
    EXPECT_EQ(wide.out, Lines({0, 6, 7}) + kFinished);
    EXPECT_EQ(ReadFile(prefix.PluginOf(HostFolder(0))), Payload(300));
    EXPECT_EQ(ReadFile(customPlugin), Payload(400));
}

TEST_F(SilentInstall, ListAndHelpAnswerAndWriteNothing) {
    const HostPrefix prefix(BothViews());
    const std::string custom = scratch_ / "custom";
    std::filesystem::create_directories(custom);
    const auto prefixBefore = Snapshot(prefix.LinuxFolder("C:\\"));
    const auto customBefore = Snapshot(scratch_.path());

    const ProgramRun list = RunProgram({"--list"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, "CS3\t" + HostFolder(0) + "\nCS5.5\t" + HostFolder(3) + "\nCC\t" +
                            HostFolder(5) + "\n");
    EXPECT_EQ(list.err, "");

    const ProgramRun help = RunProgram({"--silent", "--custom=" + custom, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.err, "");
    for (const char* documented : {"--silent", "--hosts=LIST", "--custom=FOLDER", "--bits=32|64",
                                   "--list", "--help", "--version", "\n  0 ", "\n  1 ", "\n  2 ",
                                   "\n  3 ", "\n  4 ", "\n  12-75 ", "CS5.5", "7 Custom"}) {
        EXPECT_NE(help.out.find(documented), std::string::npos) << documented;
    }

    EXPECT_EQ(Snapshot(prefix.LinuxFolder("C:\\")), prefixBefore);
    EXPECT_EQ(Snapshot(scratch_.path()), customBefore);

    // Nothing found is said, naming where it was looked for, with the code --silent gives it.
    const HostPrefix empty({});
    const ProgramRun none = RunProgram({"--list"});
    EXPECT_EQ(none.exitCode, 3);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "Kestrel 3D installer: No After Effects version found in " +
                            empty.Root().string() + "\n");
}

// The one version reaches every text that names it: the release on the welcome page as it
// always read, and release and build (which the dumps' names carry) in --version.
TEST_F(SilentInstall, VersionNamesTheWelcomePagesReleaseAndTheBuild) {
    const ProgramRun run = RunProgram({"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Kestrel 3D installer 1.6.2 (build 480)\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(WelcomeText(),
              "This will install Kestrel 3D 1.6.2 plugin on your computer.\n\nIt is recommended "
              "that you close all other applications before continuing.\n\nClick Next to "
              "continue, or Cancel to exit the installer.");
}

TEST_F(SilentInstall, ARefusedRegistryIsExplainedOnTheErrorStream) {
    const HostPrefix prefix(BothViews());
    const auto registry = prefix.Root() / "system.reg";
    std::filesystem::rename(registry, prefix.Root() / "elsewhere.reg");
    std::filesystem::create_symlink(prefix.Root() / "elsewhere.reg", registry);

    const ProgramRun list = RunProgram({"--list"});
    EXPECT_EQ(list.exitCode, 3);
    EXPECT_EQ(list.out, "");
    EXPECT_EQ(list.err, "Kestrel 3D installer: the registry file " + registry.string() +
                            " is a symbolic link; it was not read\n"
                            "Kestrel 3D installer: No After Effects version found in " +
                            prefix.Root().string() + "\n");
}

TEST_F(SilentInstall, MistakesExitTwoWithOneLineBeforeAnythingIsWritten) {
    const HostPrefix prefix(BothViews());
    const std::string custom = scratch_ / "custom";
    std::filesystem::create_directories(custom);
    ASSERT_TRUE(workertest::WriteFile(scratch_ / "a-file", "not a folder"));
    const auto prefixBefore = Snapshot(prefix.LinuxFolder("C:\\"));
    const auto scratchBefore = Snapshot(scratch_.path());

    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"--bogus"},
             {"-silent"},
             {"--silent", "--hosts=CS7"},
             {"--silent", "--hosts=CC", "--custom=" + custom, "--bits=48"},
             {"--silent", "--custom=" + (scratch_ / "missing")},
             {"--silent", "--custom=" + (scratch_ / "a-file")},
             {"--silent", "/UAC"},
             {"--custom=" + custom + "/UAC"},
             {"--list", "--hosts=CC"},
         }) {
        const ProgramRun run = RunProgram(arguments);
        const std::string shown = testing::PrintToString(arguments);
        EXPECT_EQ(run.exitCode, 2) << shown;
        EXPECT_EQ(run.out, "") << shown;
        EXPECT_TRUE(run.err.starts_with("Kestrel 3D installer: ")) << shown << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << shown << run.err;
    }
    EXPECT_EQ(Snapshot(prefix.LinuxFolder("C:\\")), prefixBefore);
    EXPECT_EQ(Snapshot(scratch_.path()), scratchBefore);
}

TEST_F(SilentInstall, NothingToInstallExitsThreeWithTheValidationText) {
    // On one line, as a terminal shows it, after the line that names the prefix searched.
    const std::string validation =
        "Unable to continue: Please select at least one After Effects installation to "
        "continue.\n";
    {
        const HostPrefix empty({});
        const ProgramRun run = RunProgram({"--silent"});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "Kestrel 3D installer: No After Effects version found in " +
                               empty.Root().string() + "\n" + validation);
    }
    const HostPrefix onlyCC({{5, true, HostFolder(5)}});
    const ProgramRun run = RunProgram({"--silent", "--hosts=CS6"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, "Kestrel 3D installer: CS6 was not found in " + onlyCC.Root().string() +
                           "; skipped\n" + validation);
    EXPECT_FALSE(std::filesystem::exists(onlyCC.PluginOf(HostFolder(5))));
}

TEST_F(SilentInstall, AFailedStepExitsWithTheWizardsErrorCode) {
    // CS5's folder lies on a drive the prefix does not have: it cannot be created (step 4).
    const HostPrefix prefix({{0, false, HostFolder(0)},
                             {2, true, "D:\\Adobe\\CS5\\Plug-ins"},
                             {5, true, HostFolder(5)}});
    const ProgramRun run = RunProgram({"--silent"});
    EXPECT_EQ(run.exitCode, 34);
    EXPECT_EQ(run.out, Lines({0, 2}));
    EXPECT_EQ(run.err, InstallError(34,
                                    "D:\\Adobe\\CS5\\Plug-ins\\Larkspur: no such folder on this "
                                    "computer"));
    EXPECT_EQ(ReadFile(prefix.PluginOf(HostFolder(0))), Payload(300));
    EXPECT_FALSE(std::filesystem::exists(prefix.PluginOf(HostFolder(5))));

    // The Custom slot: a file where its maker's folder should be.
    const std::string custom = scratch_ / "custom";
    std::filesystem::create_directories(custom);
    ASSERT_TRUE(workertest::WriteFile(custom + "/Larkspur", "in the way"));
    const ProgramRun blocked = RunProgram({"--silent", "--hosts=CC", "--custom=" + custom});
    EXPECT_EQ(blocked.exitCode, 74);
    EXPECT_EQ(blocked.out, Lines({5, 6}));
    EXPECT_EQ(blocked.err, InstallError(74, custom + "/Larkspur: Not a directory"));
    EXPECT_EQ(ReadFile(custom + "/Larkspur"), "in the way");
}

// A fault on the worker: the dump is written, the message goes to the error stream and no
// window opens even on a desktop, and the process ends with its own code. The run happens in a
// fresh start of this test program, where only the worker's thread is started.
__attribute__((no_sanitize("null"), noinline)) bool FaultingFinder(int, int,
                                                                   platform::ResourceBlock*) {
    volatile int* volatile target = nullptr;
    *target = 1;
    return false;
}

constexpr char kFaultRunVariable[] = "KESTREL_TEST_SILENT_FAULT";

TEST(SilentInstallFault, IsReportedOnTheErrorStreamAndEndsTheRunWithItsOwnCode) {
    if (const char* custom = std::getenv(kFaultRunVariable)) {
        // As the program's entry does first.
        if (!platform::BecomeInvokingUser(nullptr)) {
            _exit(1);
        }
        CommandLineOptions options;
        options.action = CommandLineAction::Silent;
        options.customFolder = custom;
        std::fflush(stdout);
        _exit(RunCommandLine(options, &FaultingFinder));
    }
    ScratchFolder scratch;
    const std::string custom = scratch / "custom";
    std::filesystem::create_directories(custom);
    std::filesystem::create_directories(scratch / "Documents");
    std::filesystem::create_directories(scratch / "bin");
    // A stand-in for the desktop's message box that leaves a trace when it is asked.
    const std::string zenity = scratch / "bin/zenity";
    ASSERT_TRUE(workertest::WriteFile(zenity, "#!/bin/sh\ntouch '" + (scratch / "shown") + "'\n"));
    chmod(zenity.c_str(), 0755);
    const HostPrefix prefix({});

    const ProgramRun run = RunWith("/proc/self/exe", {"--gtest_filter=SilentInstallFault.*"},
                                   {{kFaultRunVariable, custom},
                                    {"HOME", scratch.path()},
                                    {"XDG_CONFIG_HOME", scratch / "config"},
                                    {"DISPLAY", ":kestrel-test"},
                                    {"KESTREL_TOOLS_FOLDER", scratch / "bin"}});
    EXPECT_EQ(run.exitCode, kExitFault) << run.err;
    const std::string logFolder = scratch / "Documents/Larkspur/Error Logs";
    const std::vector<std::string> dumps = workertest::EntriesIn(logFolder);
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_TRUE(dumps[0].ends_with(".dmp")) << dumps[0];
    EXPECT_EQ(run.err, CrashMessage(logFolder + "/" + dumps[0]) + "\n");
    EXPECT_NE(run.out.find("Installing Custom version...\n"), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(scratch / "shown"));
    EXPECT_TRUE(workertest::EntriesIn(custom + "/Larkspur").empty());
}

// Root working for a sudo user writes the dump as that user: into the user's documents, the
// user's own, and nowhere the user's settings point to that the user could not write.
TEST(SilentInstallFault, UnderSudoTheDumpIsTheUsersAndGoesNowhereElse) {
    const testsupport::ThrowAwayUser user;
    if (!user.problem().empty()) {
        GTEST_SKIP() << user.problem();
    }
    ScratchFolder scratch;
    ASSERT_EQ(chmod(scratch.path().c_str(), 0755), 0);
    const std::string system = scratch / "system";
    std::filesystem::create_directories(system);
    const std::string documents = user.home() + "/Documents";
    const std::string settings = user.home() + "/.config/user-dirs.dirs";
    std::filesystem::create_directories(documents);
    std::filesystem::create_directories(user.home() + "/.config");
    user.Own(user.home());
    std::map<std::string, std::string> variables = user.SudoVariables();
    variables[kFaultRunVariable] = user.home();
    variables["WINEPREFIX"] = user.home() + "/.wine";

    const ProgramRun own =
        RunWith("/proc/self/exe", {"--gtest_filter=SilentInstallFault.Is*"}, variables);
    EXPECT_EQ(own.exitCode, kExitFault) << own.err;
    const std::string logFolder = documents + "/Larkspur/Error Logs";
    const std::vector<std::string> dumps = workertest::EntriesIn(logFolder);
    ASSERT_EQ(dumps.size(), 1u) << own.err;
    struct stat dump {};
    ASSERT_EQ(stat((logFolder + "/" + dumps[0]).c_str(), &dump), 0);
    EXPECT_GT(dump.st_size, 0);
    EXPECT_EQ(dump.st_uid, user.uid());
    EXPECT_EQ(dump.st_mode & 0777, 0600u);

    // The user's settings name a folder only root may write to.
    ASSERT_TRUE(workertest::WriteFile(settings, "XDG_DOCUMENTS_DIR=\"" + system + "\"\n"));
    const ProgramRun elsewhere =
        RunWith("/proc/self/exe", {"--gtest_filter=SilentInstallFault.Is*"}, variables);
    EXPECT_EQ(elsewhere.exitCode, kExitFault) << elsewhere.err;
    EXPECT_TRUE(workertest::EntriesIn(system).empty());
}

}  // namespace
