// Host folders (Windows paths in the Wine prefix, or Unix paths) mapped to files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "platform/HostPaths.h"
#include "platform/wine/wine_prefix.h"
#include "wine/registry_test_prefix.h"

namespace {

using platform::HostPathToFilePath;
namespace fs = std::filesystem;

class HostPaths : public ::testing::Test {
  protected:
    HostPaths() {
        driveC_ = fs::canonical(prefix_.Root() / "drive_c");
        fs::create_directories(driveC_ / "Program Files" / "Adobe" / "Adobe After Effects CS6" /
                               "Support Files" / "Plug-ins");
    }
    TestPrefix prefix_;
    fs::path driveC_;
};

TEST_F(HostPaths, ExistingComponentsTakeTheirOwnSpelling) {
    EXPECT_EQ(HostPathToFilePath("C:\\PROGRAM FILES\\adobe\\Adobe After Effects CS6\\support "
                                 "files\\PLUG-INS\\Larkspur\\Kestrel.aex"),
              (driveC_ / "Program Files/Adobe/Adobe After Effects CS6/Support Files/Plug-ins" /
               "Larkspur/Kestrel.aex")
                  .string());
}

TEST_F(HostPaths, DriveLetterCaseSlashesAndTrailingSeparator) {
    const std::string expected = (driveC_ / "Program Files/Adobe").string();
    EXPECT_EQ(HostPathToFilePath("c:/program files/ADOBE/"), expected);
    EXPECT_EQ(HostPathToFilePath("C:\\\\Program Files\\.\\Adobe"), expected);
    EXPECT_EQ(HostPathToFilePath("\\\\?\\C:\\Program Files\\Adobe"), expected);
    EXPECT_EQ(HostPathToFilePath("C:\\"), driveC_.string());
}

TEST_F(HostPaths, MissingComponentsKeepTheirSpelling) {
    EXPECT_EQ(HostPathToFilePath("C:\\Program Files\\NEW Folder\\program files\\x.aex"),
              (driveC_ / "Program Files/NEW Folder/program files/x.aex").string());
}

TEST_F(HostPaths, DotDotStaysOnTheDrive) {
    EXPECT_EQ(HostPathToFilePath("C:\\..\\..\\Program Files\\Missing\\..\\Adobe"),
              (driveC_ / "Program Files/Adobe").string());
}

TEST_F(HostPaths, ExactNameWinsOverOtherCase) {
    fs::create_directories(driveC_ / "Dup" / "plugins");
    fs::create_directories(driveC_ / "Dup" / "Plugins");
    EXPECT_EQ(HostPathToFilePath("C:\\Dup\\Plugins"), (driveC_ / "Dup/Plugins").string());
    EXPECT_EQ(HostPathToFilePath("C:\\Dup\\plugins"), (driveC_ / "Dup/plugins").string());
}

TEST_F(HostPaths, NonAsciiNamesMatchWithoutCase) {
    fs::create_directories(driveC_ /
                           "\xC3\x9C"
                           "ber \xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0");
    // "über ПАПКА" against "Über Папка"
    EXPECT_EQ(HostPathToFilePath("C:\\\xC3\xBC"
                                 "ber \xD0\x9F\xD0\x90\xD0\x9F\xD0\x9A\xD0\x90\\f"),
              (driveC_ /
               "\xC3\x9C"
               "ber \xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0" /
               "f")
                  .string());
}

TEST_F(HostPaths, OtherDrivesFollowTheirLinks) {
    fs::create_directory_symlink("/", prefix_.Root() / "dosdevices" / "z:");
    EXPECT_EQ(HostPathToFilePath("Z:\\tmp"), "/tmp");
    EXPECT_EQ(HostPathToFilePath("D:\\Plugins"), "");  // no such drive
}

TEST_F(HostPaths, NetworkPathsLiveBelowUnc) {
    EXPECT_EQ(HostPathToFilePath("\\\\server\\share\\x"),
              (prefix_.Root() / "dosdevices/unc/server/share/x").string());
}

TEST_F(HostPaths, UnixPathsPassThrough) {
    EXPECT_EQ(HostPathToFilePath("/home/user/My Plugins"), "/home/user/My Plugins");
    EXPECT_EQ(HostPathToFilePath("/home/user/plugins\\Larkspur\\Kestrel.aex"),
              "/home/user/plugins/Larkspur/Kestrel.aex");
}

TEST_F(HostPaths, RelativeAndEmptyPathsNameNothing) {
    EXPECT_EQ(HostPathToFilePath(""), "");
    EXPECT_EQ(HostPathToFilePath("Program Files\\Adobe"), "");
    EXPECT_EQ(HostPathToFilePath("1:\\x"), "");
}

TEST(WinePrefix, FromTheEnvironmentOrTheHome) {
    const char* savedPrefix = getenv("WINEPREFIX");
    const std::string keep = savedPrefix != nullptr ? savedPrefix : "";
    const std::string home = getenv("HOME") != nullptr ? getenv("HOME") : "";
    setenv("WINEPREFIX", "/opt/prefix", 1);
    EXPECT_EQ(platform::wine::PrefixPath(), "/opt/prefix");
    unsetenv("WINEPREFIX");
    setenv("HOME", "/home/tester", 1);
    EXPECT_EQ(platform::wine::PrefixPath(), "/home/tester/.wine");
    setenv("HOME", home.c_str(), 1);
    if (savedPrefix != nullptr) {
        setenv("WINEPREFIX", keep.c_str(), 1);
    }
}

TEST(WineNames, CaseFolding) {
    using platform::wine::EqualIgnoringCaseUtf8;
    EXPECT_TRUE(EqualIgnoringCaseUtf8("Program Files", "PROGRAM files"));
    EXPECT_TRUE(EqualIgnoringCaseUtf8("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"));  // été
    EXPECT_TRUE(
        EqualIgnoringCaseUtf8("\xC5\x82\xC3\xB3\xC5\xBA", "\xC5\x81\xC3\x93\xC5\xB9"));  // łóź
    EXPECT_FALSE(EqualIgnoringCaseUtf8("abc", "abd"));
    EXPECT_FALSE(EqualIgnoringCaseUtf8("abc", "ab"));
}

}  // namespace
