// The built program after an installation, over Wine prefixes with hosts in both views: its log,
// the record of what it installed, --verify, --uninstall, repeat runs that write nothing, and the
// JSON documents read back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/host_prefix.h"
#include "support/ProgramRun.h"
#include "support/StandInTools.h"
#include "support/worker_test_support.h"

namespace {

using namespace wizardtest;
using nlohmann::json;
using testsupport::ProgramRun;
using testsupport::RunProgram;
using workertest::ReadFile;
using workertest::ScopedEnvironment;
using workertest::ScratchFolder;

// sha256sum's digest of a file: computed apart from the program under test.
std::string Sha256Of(const std::string& path) {
    const ProgramRun run = testsupport::RunWith("/usr/bin/sha256sum", {path}, {});
    return run.out.substr(0, 64);
}

// Every path below `root`, folders marked: the shape the host folders must get back.
std::set<std::string> Shape(const std::filesystem::path& root) {
    std::set<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        paths.insert(entry.path().string() + (entry.is_directory() ? "/" : ""));
    }
    return paths;
}

// Identity and time of change: a file rewritten, even with the same bytes, gets new ones.
std::string Identity(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return std::to_string(info.st_ino) + " " + std::to_string(info.st_mtim.tv_sec) + "." +
           std::to_string(info.st_mtim.tv_nsec);
}

class AfterInstall : public ::testing::Test {
  protected:
    // CS3 in the 32-bit view, CS5.5 and CC in the 64-bit view.
    std::vector<Host> Hosts() const {
        return {{0, false, HostFolder(0)}, {3, true, HostFolder(3)}, {5, true, HostFolder(5)}};
    }
    std::string RecordPath() const { return state_ / "kestrel-installer/install-record.txt"; }
    std::string LogPath() const { return state_ / "kestrel-installer/install.log"; }

    ScratchFolder scratch_;
    ScratchFolder state_;
    ScopedEnvironment stateHome_{"XDG_STATE_HOME", state_.path()};
};

TEST_F(AfterInstall, TheLogNamesVersionCommandHostsFilesErrorsAndResults) {
    const HostPrefix prefix(Hosts());
    // Past its limit the log is moved aside once, and the run starts a new one.
    std::filesystem::create_directories(state_ / "kestrel-installer");
    ASSERT_TRUE(workertest::WriteFile(LogPath(), std::string(1024 * 1024 + 1, 'x')));
    ASSERT_EQ(RunProgram({"--silent"}).exitCode, 0);
    EXPECT_EQ(std::filesystem::file_size(LogPath() + ".1"), 1024u * 1024u + 1u);

    const std::string cc = prefix.PluginOf(HostFolder(5));
    const std::string log = ReadFile(LogPath()).value_or("");
    const std::regex stamped(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d .+$)");
    size_t lines = 0;
    for (size_t start = 0; start < log.size(); start = log.find('\n', start) + 1, ++lines) {
        const std::string line = log.substr(start, log.find('\n', start) - start);
        EXPECT_TRUE(std::regex_match(line, stamped)) << line;
    }
    EXPECT_GE(lines, 10u);
    for (const std::string& expected :
         {std::string("Kestrel 3D installer 1.6.2 (build 480)\n"),
          std::string("command line: --silent\n"),
          "hosts searched in " + prefix.Root().string() + "\n",
          "found CS3: " + HostFolder(0) + " (32-bit view)\n",
          "found CC: " + HostFolder(5) + " (64-bit view)\n",
          "wrote " + cc + " (" + std::to_string(std::filesystem::file_size(cc)) +
              " bytes, SHA-256 " + Sha256Of(cc) + ")\n",
          "record: " + RecordPath() + "\n", std::string("result: installed; exit code 0\n")}) {
        EXPECT_NE(log.find(" " + expected), std::string::npos) << expected << log;
    }

    // --log: another file, with the error's folder and the system's reason.
    const std::string custom = scratch_ / "custom";
    std::filesystem::create_directories(custom);
    ASSERT_TRUE(workertest::WriteFile(custom + "/Larkspur", "in the way"));
    const std::string elsewhere = scratch_ / "logs/run.log";
    ASSERT_EQ(
        RunProgram({"--silent", "--hosts=CC", "--custom=" + custom, "--log=" + elsewhere}).exitCode,
        74);
    const std::string failed = ReadFile(elsewhere).value_or("");
    EXPECT_NE(failed.find(" error 74: " + custom + "/Larkspur: Not a directory\n"),
              std::string::npos)
        << failed;
    EXPECT_NE(failed.find(" result: failed; exit code 74\n"), std::string::npos) << failed;
    EXPECT_EQ(ReadFile(LogPath()), log);
}

TEST_F(AfterInstall, AFailedRunLeavesTheLastGoodRecordAsItWas) {
    const HostPrefix prefix(Hosts());
    ASSERT_EQ(RunProgram({"--silent", "--hosts=CC"}).exitCode, 0);
    const std::string before = ReadFile(RecordPath()).value_or("");
    ASSERT_NE(before, "");
    const std::string identity = Identity(RecordPath());

    // The Custom slot's write fails after CS3, CS5.5 and CC were written.
    const std::string custom = scratch_ / "custom";
    std::filesystem::create_directories(custom);
    ASSERT_TRUE(workertest::WriteFile(custom + "/Larkspur", "in the way"));
    ASSERT_EQ(RunProgram({"--silent", "--custom=" + custom}).exitCode, 74);
    EXPECT_EQ(ReadFile(RecordPath()), before);
    EXPECT_EQ(Identity(RecordPath()), identity);
    EXPECT_EQ(workertest::EntriesIn(state_ / "kestrel-installer"),
              (std::vector<std::string>{"install-record.txt", "install.log"}));

    // A later success records both runs' files, each once, with the digests of what is there.
    // The makers' folders of CS3 and CS5.5 were there before it: made by the failed run.
    ASSERT_EQ(RunProgram({"--silent"}).exitCode, 0);
    const std::string record = ReadFile(RecordPath()).value_or("");
    EXPECT_TRUE(record.starts_with(
        "Kestrel 3D install record 1\ninstaller\tKestrel 3D installer 1.6.2 (build 480)\n"))
        << record;
    for (const int slot : {0, 3, 5}) {
        const std::string plugin = prefix.PluginOf(HostFolder(slot));
        const std::string line = "file\t" + Sha256Of(plugin) + "\t" +
                                 std::to_string(std::filesystem::file_size(plugin)) + "\t" +
                                 (slot == 0 ? "300" : "400") + (slot == 5 ? "\t1\t" : "\t0\t") +
                                 kHostSlots[slot].label + "\t" + plugin + "\n";
        EXPECT_NE(record.find(line), std::string::npos) << line << record;
    }
    EXPECT_EQ(std::count(record.begin(), record.end(), '\n'), 5);
}

TEST_F(AfterInstall, VerifyFindsOneChangedByteAndAMissingFileInTextAndJson) {
    const HostPrefix prefix(Hosts());
    EXPECT_EQ(RunProgram({"--verify"}).exitCode, 3);
    ASSERT_EQ(RunProgram({"--silent"}).exitCode, 0);
    const std::string cs3 = prefix.PluginOf(HostFolder(0));
    const std::string cs55 = prefix.PluginOf(HostFolder(3));
    const std::string cc = prefix.PluginOf(HostFolder(5));

    const ProgramRun intact = RunProgram({"--verify"});
    EXPECT_EQ(intact.exitCode, 0) << intact.err;
    EXPECT_EQ(intact.out, "ok\t" + cs3 + "\nok\t" + cs55 + "\nok\t" + cc + "\n");

    std::string bytes = ReadFile(cs55).value_or("");
    ASSERT_GT(bytes.size(), 1000u);
    bytes[bytes.size() / 2] ^= 1;
    ASSERT_TRUE(workertest::WriteFile(cs55, bytes));
    std::filesystem::remove(cc);
    const ProgramRun damaged = RunProgram({"--verify"});
    EXPECT_EQ(damaged.exitCode, 7);
    EXPECT_EQ(damaged.out, "ok\t" + cs3 + "\nchanged\t" + cs55 + "\nmissing\t" + cc + "\n");

    const ProgramRun asJson = RunProgram({"--verify", "--json"});
    EXPECT_EQ(asJson.exitCode, 7);
    const json document = json::parse(asJson.out, nullptr, false);
    ASSERT_TRUE(document.is_object()) << asJson.out;
    EXPECT_EQ(document["ok"], false);
    EXPECT_EQ(document["record"], RecordPath());
    std::map<std::string, std::string> states;
    for (const json& file : document["files"]) {
        states[file["host"].get<std::string>()] = file["state"].get<std::string>();
    }
    EXPECT_EQ(states, (std::map<std::string, std::string>{
                          {"CS3", "ok"}, {"CS5.5", "changed"}, {"CC", "missing"}}));
}

TEST_F(AfterInstall, UninstallKeepsAChangedFileAndGivesTheHostFoldersBack) {
    const HostPrefix prefix(Hosts());
    const std::filesystem::path drive = prefix.LinuxFolder("C:\\");
    // A file of the user's own in CC's Larkspur folder, there before the installation.
    std::filesystem::create_directories(prefix.LinuxFolder(HostFolder(5)) / "Larkspur");
    ASSERT_TRUE(
        workertest::WriteFile(prefix.LinuxFolder(HostFolder(5)) / "Larkspur/notes.txt", "mine"));
    const std::set<std::string> before = Shape(drive);
    EXPECT_EQ(RunProgram({"--uninstall", "--silent"}).exitCode, 3);

    ASSERT_EQ(RunProgram({"--silent"}).exitCode, 0);
    const std::string cs3 = prefix.PluginOf(HostFolder(0));
    const std::string cs55 = prefix.PluginOf(HostFolder(3));
    const std::string cc = prefix.PluginOf(HostFolder(5));
    ASSERT_TRUE(workertest::WriteFile(cs55, "the user's own build"));

    const ProgramRun run = RunProgram({"--uninstall", "--silent"});
    EXPECT_EQ(run.exitCode, 7) << run.err;
    EXPECT_EQ(run.out, "removed\t" + cs3 + "\nkept\t" + cs55 + "\nremoved\t" + cc + "\n");
    EXPECT_EQ(ReadFile(cs55), "the user's own build");
    std::set<std::string> expected = before;
    expected.insert(prefix.LinuxFolder(HostFolder(3)).string() + "/Larkspur/");
    expected.insert(cs55);
    EXPECT_EQ(Shape(drive), expected);
    EXPECT_FALSE(std::filesystem::exists(RecordPath()));
    EXPECT_EQ(RunProgram({"--uninstall", "--silent"}).exitCode, 3);

    // Installed and uninstalled again with nothing changed: the folders are as they were.
    std::filesystem::remove_all(prefix.LinuxFolder(HostFolder(3)) / "Larkspur");
    ASSERT_EQ(RunProgram({"--silent"}).exitCode, 0);
    const ProgramRun clean = RunProgram({"--uninstall", "--silent"});
    EXPECT_EQ(clean.exitCode, 0) << clean.err;
    EXPECT_EQ(Shape(drive), before);
}

TEST_F(AfterInstall, OnADesktopUninstallAsksOnceAndNoLeavesEverything) {
    const HostPrefix prefix(Hosts());
    ASSERT_EQ(RunProgram({"--silent", "--hosts=CC"}).exitCode, 0);
    const std::string cc = prefix.PluginOf(HostFolder(5));
    testsupport::StandInTools tools;
    const std::map<std::string, std::string> desktop = {{"DISPLAY", ":kestrel-test"}};

    tools.Add("zenity", "exit 1");  // "No", or the dialog closed
    const ProgramRun declined = RunProgram({"--uninstall"}, desktop);
    EXPECT_EQ(declined.exitCode, 6);
    EXPECT_EQ(declined.err, "Kestrel 3D installer: not uninstalled\n");
    const std::vector<std::string> asked = tools.ArgumentsOf("zenity");
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked[0], "--question");
    EXPECT_NE(
        std::find(asked.begin(), asked.end(), "--title=Kestrel 3D for After Effects Installer"),
        asked.end());
    EXPECT_EQ(ReadFile(cc), Payload(400));
    EXPECT_TRUE(std::filesystem::exists(RecordPath()));

    tools.Add("zenity", "exit 0");
    const ProgramRun accepted = RunProgram({"--uninstall"}, desktop);
    EXPECT_EQ(accepted.exitCode, 0) << accepted.err;
    EXPECT_EQ(accepted.out, "removed\t" + cc + "\n");
    EXPECT_FALSE(std::filesystem::exists(cc));
}

TEST_F(AfterInstall, ASecondSilentRunWritesNothingAndSaysSo) {
    const HostPrefix prefix(Hosts());
    ASSERT_EQ(RunProgram({"--silent", "--changed-exit"}).exitCode, 8);
    const std::vector<std::string> plugins = {prefix.PluginOf(HostFolder(0)),
                                              prefix.PluginOf(HostFolder(3)),
                                              prefix.PluginOf(HostFolder(5)), RecordPath()};
    std::vector<std::string> identities;
    for (const std::string& path : plugins) {
        identities.push_back(Identity(path));
    }

    const ProgramRun again = RunProgram({"--silent", "--changed-exit"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out,
              "Installing CS3 version...\nInstalling CS5.5 version...\nInstalling CC "
              "version...\nInstalling assets...\nCS3: unchanged\nCS5.5: unchanged\nCC: "
              "unchanged\nKestrel 3D for After Effects has been successfully installed!\n");
    for (size_t index = 0; index < plugins.size(); ++index) {
        EXPECT_EQ(Identity(plugins[index]), identities[index]) << plugins[index];
    }
    EXPECT_NE(ReadFile(LogPath()).value_or("").find(" result: unchanged; exit code 0\n"),
              std::string::npos);

    // One file differs: it alone is written, and the run says it changed something.
    ASSERT_TRUE(workertest::WriteFile(plugins[1], "damaged"));
    const ProgramRun repair = RunProgram({"--silent", "--changed-exit=42"});
    EXPECT_EQ(repair.exitCode, 42) << repair.err;
    EXPECT_EQ(ReadFile(plugins[1]), Payload(400));
    EXPECT_EQ(Identity(plugins[0]), identities[0]);
    EXPECT_NE(repair.out.find("CS3: unchanged\nCC: unchanged\n"), std::string::npos) << repair.out;
}

TEST_F(AfterInstall, ListJsonParsesBackToTheHostsFound) {
    const HostPrefix prefix(Hosts());
    const ProgramRun run = RunProgram({"--list", "--json"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const json document = json::parse(run.out, nullptr, false);
    ASSERT_TRUE(document.is_object()) << run.out;
    EXPECT_EQ(document["registry"], prefix.Root().string());
    EXPECT_EQ(document["hosts"], json::parse(R"([
        {"label": "CS3", "folder": "C:\\Program Files\\Adobe\\After Effects CS3\\Support Files\\Plug-ins", "view": 32},
        {"label": "CS5.5", "folder": "C:\\Program Files\\Adobe\\After Effects CS5.5\\Support Files\\Plug-ins", "view": 64},
        {"label": "CC", "folder": "C:\\Program Files\\Adobe\\After Effects CC\\Support Files\\Plug-ins", "view": 64}])"));
}

}  // namespace
