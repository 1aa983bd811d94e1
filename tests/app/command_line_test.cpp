// The command line's switches: which action they choose, what they carry, and one clear line for
// every mistake, while a command line without switches stays the wizard's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace {

using Arguments = std::vector<std::string>;

TEST(CommandLine, WithoutSwitchesItIsTheWizardsWhateverItHolds) {
    for (const Arguments& arguments :
         {Arguments{}, Arguments{"/UAC"}, Arguments{"x/UACy"}, Arguments{"/uac"},
          Arguments{"C:/Temp/UAC", "more"}, Arguments{""}}) {
        EXPECT_EQ(ParseCommandLine(arguments).action, CommandLineAction::Wizard)
            << testing::PrintToString(arguments);
    }
}

TEST(CommandLine, AfterInstallSwitchesChooseTheirActionAndCarryTheirValues) {
    const CommandLineOptions quiet = ParseCommandLine({"--silent", "--uninstall", "--log=/l"});
    EXPECT_EQ(quiet.action, CommandLineAction::Uninstall);
    EXPECT_TRUE(quiet.quiet);
    EXPECT_EQ(quiet.logFile, "/l");
    EXPECT_FALSE(ParseCommandLine({"--uninstall"}).quiet);
    const CommandLineOptions verify = ParseCommandLine({"--json", "--verify"});
    EXPECT_EQ(verify.action, CommandLineAction::Verify);
    EXPECT_TRUE(verify.json);
    EXPECT_TRUE(ParseCommandLine({"--list", "--json"}).json);
    EXPECT_EQ(ParseCommandLine({"--silent"}).changedExit, 0);
    EXPECT_EQ(ParseCommandLine({"--silent", "--changed-exit"}).changedExit, kExitChanged);
    EXPECT_EQ(ParseCommandLine({"--silent", "--changed-exit=255"}).changedExit, 255);
}

TEST(CommandLine, SilentCarriesTheHostsTheFolderAndTheBuildInAnyOrder) {
    const CommandLineOptions plain = ParseCommandLine({"--silent"});
    EXPECT_EQ(plain.action, CommandLineAction::Silent);
    EXPECT_FALSE(plain.hostsNarrowed);
    EXPECT_TRUE(plain.customFolder.empty());
    EXPECT_EQ(plain.customBitness, 0);

    // The folder holds the elevation marker and a blank: it is a folder, nothing more.
    const CommandLineOptions full = ParseCommandLine(
        {"--bits=64", "--custom=/srv/UAC plug-ins", "--hosts=CS5.5,CC,CS5.5", "--silent"});
    EXPECT_EQ(full.action, CommandLineAction::Silent);
    EXPECT_TRUE(full.hostsNarrowed);
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        EXPECT_EQ(full.hostNamed[slot], slot == 3 || slot == 5) << slot;
    }
    EXPECT_EQ(full.customFolder, "/srv/UAC plug-ins");
    EXPECT_EQ(full.customBitness, 1);

    EXPECT_EQ(ParseCommandLine({"--silent", "--custom=/x", "--bits=32"}).customBitness, 0);
}

TEST(CommandLine, ListAndHelpAndHelpWinsOverAnything) {
    EXPECT_EQ(ParseCommandLine({"--list"}).action, CommandLineAction::List);
    for (const Arguments& arguments :
         {Arguments{"--help"}, Arguments{"--silent", "--help"}, Arguments{"--help", "--bogus"},
          Arguments{"/UAC", "--help"}, Arguments{"--list", "--hosts=CS9", "--help"},
          Arguments{"--version", "--help"}}) {
        EXPECT_EQ(ParseCommandLine(arguments).action, CommandLineAction::Help)
            << testing::PrintToString(arguments);
    }
}

TEST(CommandLine, VersionWinsOverAnythingButHelp) {
    for (const Arguments& arguments :
         {Arguments{"--version"}, Arguments{"--silent", "--version"},
          Arguments{"--version", "--bogus"}, Arguments{"/UAC", "--version"}}) {
        EXPECT_EQ(ParseCommandLine(arguments).action, CommandLineAction::Version)
            << testing::PrintToString(arguments);
    }
}

TEST(CommandLine, EveryMistakeIsInvalidWithOneLineThatNamesIt) {
    const struct {
        Arguments arguments;
        const char* named;
    } cases[] = {
        {{"--bogus"}, "unknown switch \"--bogus\""},
        {{"-silent"}, "unknown switch \"-silent\""},
        {{"--silent", "--bogus=1"}, "unknown switch \"--bogus\""},
        {{"--silent", "/UAC"}, "unexpected argument \"/UAC\""},
        {{"--silent", "--hosts=CS7"}, "unknown label \"CS7\""},
        {{"--silent", "--hosts=cs6"}, "unknown label \"cs6\""},
        {{"--silent", "--hosts=CC,"}, "unknown label \"\""},
        {{"--silent", "--hosts=CC\nCS6"}, "unknown label \"CC?CS6\""},
        {{"--silent", "--hosts="}, "at least one label"},
        {{"--silent", "--hosts"}, "at least one label"},
        {{"--silent", "--hosts=Custom"}, "--custom=FOLDER"},
        {{"--silent", "--custom="}, "needs a folder"},
        {{"--silent", "--custom"}, "needs a folder"},
        {{"--silent", "--custom=/x", "--bits=48"}, "32 or 64"},
        {{"--silent", "--bits=64"}, "which is missing"},
        {{"--silent", "--list"}, "cannot be combined"},
        {{"--silent", "--silent"}, "\"--silent\" is given twice"},
        {{"--silent", "--hosts=CC", "--hosts=CS6"}, "\"--hosts\" is given twice"},
        {{"--silent=yes"}, "--silent takes no value"},
        {{"--hosts=CC"}, "nothing to do"},
        {{"--custom=/srv/UAC"}, "nothing to do"},  // never the wizard, whatever the folder holds
        {{"--list", "--custom=/x"}, "not --list"},
        {{"--uninstall", "--hosts=CC"}, "not --uninstall"},
        {{"--verify", "--list"}, "cannot be combined"},
        {{"--uninstall", "--verify"}, "cannot be combined"},
        {{"--silent", "--json"}, "--json goes with --list or --verify"},
        {{"--uninstall", "--silent", "--changed-exit"}, "--changed-exit goes with --silent"},
        {{"--silent", "--changed-exit=0"}, "from 1 to 255"},
        {{"--silent", "--changed-exit=256"}, "from 1 to 255"},
        {{"--silent", "--changed-exit=-3"}, "from 1 to 255"},
        {{"--silent", "--log="}, "needs a file"},
        {{"--verify", "--log=/tmp/x"}, "--log goes with --silent or --uninstall"},
    };
    for (const auto& c : cases) {
        const CommandLineOptions options = ParseCommandLine(c.arguments);
        const std::string shown = testing::PrintToString(c.arguments);
        EXPECT_EQ(options.action, CommandLineAction::Invalid) << shown;
        EXPECT_NE(options.error.find(c.named), std::string::npos) << shown << ": " << options.error;
        EXPECT_EQ(options.error.find('\n'), std::string::npos) << shown;
    }
    // The first mistake is the one reported.
    EXPECT_NE(ParseCommandLine({"--one", "--two"}).error.find("--one"), std::string::npos);
}

}  // namespace
