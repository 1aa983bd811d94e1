// The built program in its command-line mode, with no display at all, over Wine prefixes with
// hosts in both registry views: the files it writes, its lines, its exit codes, and that a
// mistake or a question writes nothing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/CrashReporter.h"
#include "app/SilentInstall.h"
#include "app/WizardTexts.h"
#include "app/host_prefix.h"
#include "support/worker_test_support.h"

extern char** environ;

namespace {

using namespace wizardtest;
using workertest::ReadFile;
using workertest::ScopedEnvironment;
using workertest::ScratchFolder;

constexpr char kFinished[] = "Kestrel 3D for After Effects has been successfully installed!\n";

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs `program` with `arguments`, without DISPLAY or WAYLAND_DISPLAY and with the `extra`
// variables, and collects both streams; a run that outlives the deadline is killed. With
// `closedOutput`, standard output is a pipe that nobody reads any more.
ProgramRun RunWith(const std::string& program, const std::vector<std::string>& arguments,
                   const std::map<std::string, std::string>& extra, bool closedOutput = false) {
    ScratchFolder streams;
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && !extra.count(name)) {
            environment.push_back(text);
        }
    }
    for (const auto& [name, value] : extra) {
        environment.push_back(name + "=" + value);
    }
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto pointers = [](std::vector<std::string>& texts) {
        std::vector<char*> list;
        for (std::string& text : texts) {
            list.push_back(text.data());
        }
        list.push_back(nullptr);
        return list;
    };
    std::vector<char*> argvPointers = pointers(argv);
    std::vector<char*> environmentPointers = pointers(environment);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string outPath = streams / "out";
    const std::string errPath = streams / "err";
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    int pipeEnds[2] = {-1, -1};
    if (closedOutput && pipe(pipeEnds) == 0) {
        close(pipeEnds[0]);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0600);
    }
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);
    pid_t pid = 0;
    ProgramRun run;
    const int spawned = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, argvPointers.data(),
                                    environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (pipeEnds[1] >= 0) {
        close(pipeEnds[1]);
    }
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << argv[0];
        return run;
    }
    int status = 0;
    const bool ended = workertest::WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; },
                                             std::chrono::seconds(60));
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ADD_FAILURE() << "the program did not end";
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFile(outPath).value_or("");
    run.err = ReadFile(errPath).value_or("");
    return run;
}

// The built installer.
ProgramRun RunProgram(const std::vector<std::string>& arguments,
                      const std::map<std::string, std::string>& extra = {},
                      bool closedOutput = false) {
    return RunWith(KESTREL_INSTALLER_PATH, arguments, extra, closedOutput);
}

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

std::string InstallError(int code) {
    return "Unexpected error: An error occurred while installing Kestrel 3D.\nPlease contact "
           "support.\nError code:" +
           std::to_string(code) + "\n";
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
    EXPECT_EQ(run.err, "Kestrel 3D installer: CS6 was not found; skipped\n");
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

    const HostPrefix empty({});
    const ProgramRun none = RunProgram({"--list"});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "");
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
    EXPECT_EQ(list.out, "");
    EXPECT_EQ(list.err, "Kestrel 3D installer: the registry file " + registry.string() +
                            " is a symbolic link; it was not read\n");
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
    const std::string validation =
        "Unable to continue: Please select at least one After Effects\ninstallation to "
        "continue.\n";
    {
        const HostPrefix empty({});
        const ProgramRun run = RunProgram({"--silent"});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, validation);
    }
    const HostPrefix onlyCC({{5, true, HostFolder(5)}});
    const ProgramRun run = RunProgram({"--silent", "--hosts=CS6"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, "Kestrel 3D installer: CS6 was not found; skipped\n" + validation);
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
    EXPECT_EQ(run.err, InstallError(34));
    EXPECT_EQ(ReadFile(prefix.PluginOf(HostFolder(0))), Payload(300));
    EXPECT_FALSE(std::filesystem::exists(prefix.PluginOf(HostFolder(5))));

    // The Custom slot: a file where its maker's folder should be.
    const std::string custom = scratch_ / "custom";
    std::filesystem::create_directories(custom);
    ASSERT_TRUE(workertest::WriteFile(custom + "/Larkspur", "in the way"));
    const ProgramRun blocked = RunProgram({"--silent", "--hosts=CC", "--custom=" + custom});
    EXPECT_EQ(blocked.exitCode, 74);
    EXPECT_EQ(blocked.out, Lines({5, 6}));
    EXPECT_EQ(blocked.err, InstallError(74));
    EXPECT_EQ(ReadFile(custom + "/Larkspur"), "in the way");
}

TEST_F(SilentInstall, RootWorkingForASudoUserHandsWhatItCreatesToThatUser) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "handing files to another user needs root";
    }
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    const HostPrefix prefix({{4, true, HostFolder(4)}});
    // The prefix is the sudo user's own, as theirs is; the folders in it stay root's.
    ASSERT_EQ(chown(prefix.Root().c_str(), uid, gid), 0);
    const std::string custom = scratch_ / "custom";
    std::filesystem::create_directories(custom);

    const ProgramRun run =
        RunProgram({"--silent", "--custom=" + custom}, {{"SUDO_UID", std::to_string(uid)},
                                                        {"SUDO_GID", std::to_string(gid)},
                                                        {"SUDO_USER", "nobody"}});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto ownerOf = [](const std::string& path) {
        struct stat info {};
        lstat(path.c_str(), &info);
        return std::make_pair(info.st_uid, info.st_gid);
    };
    const std::string hostPlugin = prefix.PluginOf(HostFolder(4));
    for (const std::string& created :
         {hostPlugin, std::filesystem::path(hostPlugin).parent_path().string(),
          custom + "/Larkspur", custom + "/Larkspur/Kestrel.aex"}) {
        EXPECT_EQ(ownerOf(created), std::make_pair(uid, gid)) << created;
    }
    // The folders that stood there before stay root's.
    EXPECT_EQ(ownerOf(custom), std::make_pair(uid_t{0}, gid_t{0}));
    EXPECT_EQ(ownerOf(prefix.LinuxFolder(HostFolder(4))), std::make_pair(uid_t{0}, gid_t{0}));
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
                                    {"PATH", (scratch / "bin") + ":" + std::getenv("PATH")}});
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

}  // namespace
