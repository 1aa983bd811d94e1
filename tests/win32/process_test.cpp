// The running process on Windows: its command line as the program reads it, and the relaunch
// with "runas" that starts this very program again with the arguments given.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/Startup.h"
#include "platform/Display.h"
#include "platform/Process.h"
#include "win32_test_support.h"

namespace {

std::wstring Self() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return self;
}

// The child's half of the tests below: writes what it was started with into the file that
// KESTREL_TEST_REPORT names.
TEST(ProcessWindowsChild, ReportCommandLine) {
    const char* report = std::getenv("KESTREL_TEST_REPORT");
    if (!report) {
        GTEST_SKIP() << "the child's half of the command-line tests";
    }
    ASSERT_TRUE(wintest::WriteFile(report, platform::CommandLine()));
}

class ProcessWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        m_report = m_scratch / "command line.txt";
        SetEnvironmentVariableW(L"KESTREL_TEST_REPORT", Utf8ToWide(m_report).c_str());
    }
    void TearDown() override { SetEnvironmentVariableW(L"KESTREL_TEST_REPORT", nullptr); }

    wintest::ScratchFolder m_scratch;
    std::string m_report;
};

constexpr char kChildFilter[] = "--gtest_filter=ProcessWindowsChild.ReportCommandLine";

TEST_F(ProcessWindows, ArgumentsWithoutTheProgramJoinedBySingleSpaces) {
    const int code = wintest::Run(L"\"" + Self() + L"\" " + Utf8ToWide(kChildFilter) +
                                  L" \"two  words\" \"\u00C4\u65E5\" x/UAC");
    ASSERT_EQ(code, 0);
    EXPECT_EQ(wintest::ReadFile(m_report),
              std::string(kChildFilter) + " two  words \u00C4\u65E5 x/UAC");
}

TEST_F(ProcessWindows, StartSelfRelaunchesThisProgramWithTheArgumentsAsGiven) {
    // Quotes and backslashes that the new process must read back exactly.
    const std::vector<std::string> arguments = {kChildFilter, "/UAC", "a \"quoted\" word",
                                                "C:\\trailing\\", ""};
    ASSERT_TRUE(platform::StartSelf(arguments));
    ASSERT_TRUE(wintest::WaitUntil([&] { return wintest::ReadFile(m_report).has_value(); }));
    // Written in one go, but read perhaps before it is: wait for the whole line.
    const std::string expected =
        std::string(kChildFilter) + " /UAC a \"quoted\" word C:\\trailing\\ ";
    EXPECT_TRUE(wintest::WaitUntil([&] { return wintest::ReadFile(m_report) == expected; }))
        << *wintest::ReadFile(m_report);
}

// The start-up of the program itself: the marker as a whole argument, and a desktop to
// show the wizard on (Wine's, with or without an X display behind it).
TEST(StartupWindows, MarkerAndDesktop) {
    EXPECT_TRUE(IsElevatedInstance({"/UAC"}));
    EXPECT_FALSE(IsElevatedInstance({"C:\\Setup/UAC"}));
    EXPECT_EQ(platform::ConnectDisplay(), "");
    EXPECT_TRUE(CheckDisplay());
}

TEST(ProcessWindowsFolders, FoldersExistAndEndWithoutSeparator) {
    const std::string temporary = platform::TemporaryFolder();
    EXPECT_TRUE(wintest::IsFolder(temporary)) << temporary;
    EXPECT_NE(temporary.back(), '\\');
    const std::string documents = platform::DocumentsFolder();
    if (!documents.empty()) {
        EXPECT_TRUE(wintest::IsFolder(documents)) << documents;
        EXPECT_NE(documents.back(), '\\');
    }
    const std::string own = platform::PrivateTemporaryFolder("Kestrel test folder");
    EXPECT_EQ(own, temporary + "\\Kestrel test folder");
    EXPECT_TRUE(wintest::IsFolder(own));
    EXPECT_EQ(platform::PrivateTemporaryFolder("Kestrel test folder"), own);
    RemoveDirectoryW(Utf8ToWide(own).c_str());
    EXPECT_EQ(platform::CurrentProcessId(), static_cast<long>(GetCurrentProcessId()));
    EXPECT_EQ(platform::CurrentThreadId(), static_cast<long>(GetCurrentThreadId()));
}

}  // namespace
