// The Windows build of the installer as a user meets it under Wine: started over a prefix that
// Wine made, with hosts registered by Wine's own reg in both views, clicked through from outside
// with XTest, its files and exit code checked; and its command-line mode's entry in the list of
// installed programs, with the uninstaller that entry starts. Runs when the Windows build is given
// (KESTREL_WINDOWS_INSTALLER, with KESTREL_WINE_TEMPLATE the prefix to copy).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/ProgramRun.h"
#include "wizard_program.h"

namespace {

using namespace wizardtest;

class WizardUnderWine : public WizardProgram {
  protected:
    void SetUp() override {
        WizardProgram::SetUp();
        program_ = Environment("KESTREL_WINDOWS_INSTALLER");
        template_ = Environment("KESTREL_WINE_TEMPLATE");
        if (program_.empty() || template_.empty()) {
            GTEST_SKIP() << "no Windows build given";
        }
    }
    std::unique_ptr<HostPrefix> MakePrefix(const std::vector<Host>& hosts) override {
        return std::make_unique<HostPrefix>(hosts, template_);
    }
    std::vector<std::string> Command() override { return {kWineLoader, program_, "/UAC"}; }
    // LogPixels in the prefix's copy, as the display settings write it.
    void AskForDpi(int dpi) override {
        EXPECT_EQ(RunToEnd({kWineLoader, "reg", "add", "HKCU\\Control Panel\\Desktop", "/v",
                            "LogPixels", "/t", "REG_DWORD", "/d", std::to_string(dpi), "/f"}),
                  0);
        EXPECT_EQ(RunToEnd({kWineServer, "-w"}), 0);
    }

    static std::string Environment(const char* name) {
        const char* value = std::getenv(name);
        return value ? value : "";
    }

    std::string program_;
    std::string template_;
};

TEST_F(WizardUnderWine, ClickedThroughItInstallsBothViewsAndExitsZero) {
    Start({{1, false, HostFolder(1)}, {5, true, HostFolder(5)}});
    ClickThroughToInstallation();
    ExpectBothViewsInstalledThenFinishExitsZero();
}

TEST_F(WizardUnderWine, DrivenByKeysAloneItInstallsBothViewsAndExitsZero) {
    Start({{1, false, HostFolder(1)}, {5, true, HostFolder(5)}});
    KeyThroughInstallationThenExitZero();
}

// The values of the Uninstall entry as Wine's reg shows them, in whichever view the program's
// bitness wrote it.
std::string UninstallEntry() {
    std::string shown;
    for (const char* view : {"/reg:32", "/reg:64"}) {
        shown += testsupport::RunWith(kWineLoader,
                                      {"reg", "query",
                                       "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                                       "Uninstall\\Kestrel 3D",
                                       view},
                                      {{"WINEDEBUG", "-all"}})
                     .out;
    }
    return shown;
}

TEST_F(WizardUnderWine, SilentInstallListsAnUninstallerThatRemovesWhatItInstalled) {
    const std::unique_ptr<HostPrefix> prefix = MakePrefix({{5, true, HostFolder(5)}});
    const std::map<std::string, std::string> quiet = {{"WINEDEBUG", "-all"}};
    const auto run = [&](const std::string& program, const std::vector<std::string>& arguments) {
        std::vector<std::string> command = {program};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return testsupport::RunWith(kWineLoader, command, quiet);
    };
    const testsupport::ProgramRun install = run(program_, {"--silent"});
    ASSERT_EQ(install.exitCode, 0) << install.err;
    const std::filesystem::path plugin = prefix->PluginOf(HostFolder(5));
    ASSERT_TRUE(std::filesystem::exists(plugin));

    const std::string entry = UninstallEntry();
    const std::string copy = "C:\\ProgramData\\Larkspur\\Kestrel 3D\\uninstall.exe";
    for (const std::string& value :
         {std::string("DisplayName    REG_SZ    Kestrel 3D for After Effects"),
          std::string("DisplayVersion    REG_SZ    1.6.2"),
          std::string("Publisher    REG_SZ    Larkspur"),
          std::string("InstallLocation    REG_SZ    C:\\ProgramData\\Larkspur\\Kestrel 3D"),
          "EstimatedSize    REG_DWORD    0x" +
              [&] {
                  char hex[16];
                  std::snprintf(
                      hex, sizeof hex, "%x",
                      static_cast<unsigned>((std::filesystem::file_size(plugin) + 1023) / 1024));
                  return std::string(hex);
              }(),
          "UninstallString    REG_SZ    \"" + copy + "\" --uninstall",
          "QuietUninstallString    REG_SZ    \"" + copy + "\" --uninstall --silent"}) {
        EXPECT_NE(entry.find(value), std::string::npos) << value << "\n" << entry;
    }
    EXPECT_EQ(workertest::ReadFile(prefix->LinuxFolder("C:\\ProgramData\\Larkspur\\Kestrel 3D") /
                                   "uninstall.exe"),
              workertest::ReadFile(program_));

    // The log in the user's temporary folder, with the digest of the file as it is.
    std::string log;
    for (const auto& found :
         std::filesystem::recursive_directory_iterator(prefix->LinuxFolder("C:\\users"))) {
        if (found.path().filename() == "Kestrel 3D install.log") {
            log = workertest::ReadFile(found.path()).value_or("");
        }
    }
    const std::string digest =
        testsupport::RunWith("/usr/bin/sha256sum", {plugin.string()}, {}).out.substr(0, 64);
    EXPECT_NE(log.find("SHA-256 " + digest + ")"), std::string::npos) << log;
    EXPECT_NE(log.find(" result: installed; exit code 0"), std::string::npos) << log;

    const testsupport::ProgramRun verify = run(program_, {"--verify", "--json"});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
    const nlohmann::json document = nlohmann::json::parse(verify.out, nullptr, false);
    ASSERT_TRUE(document.is_object()) << verify.out;
    EXPECT_EQ(document["ok"], true);
    EXPECT_EQ(document["files"][0]["state"], "ok");

    // What the list's quiet command starts: the copy, which removes the plug-in, the folder the
    // installation made, and the entry.
    const testsupport::ProgramRun uninstall = run(copy, {"--uninstall", "--silent"});
    EXPECT_EQ(uninstall.exitCode, 0) << uninstall.err;
    EXPECT_FALSE(std::filesystem::exists(plugin.parent_path()));
    EXPECT_TRUE(std::filesystem::exists(prefix->LinuxFolder(HostFolder(5))));
    EXPECT_EQ(UninstallEntry().find("DisplayName"), std::string::npos);
}

}  // namespace
