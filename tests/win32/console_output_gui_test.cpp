// The program's command-line mode as a user meets it from cmd.exe: Windows gives a window
// program started there no standard handles, yet what it prints must reach the console; output
// that was redirected stays where it was sent.
#include <gtest/gtest.h>

#include <string>

#include "app/CommandLine.h"
#include "draw/TextConversion.h"
#include "win32_test_support.h"

namespace {

std::wstring Installer() {
    return wintest::QuotedLinuxProgram(KESTREL_INSTALLER_PATH);
}

// Everything the console of this process shows, row after row.
std::wstring ConsoleText() {
    HANDLE screen =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    std::wstring text;
    if (screen != INVALID_HANDLE_VALUE && GetConsoleScreenBufferInfo(screen, &info)) {
        text.resize(static_cast<size_t>(info.dwSize.X) * info.dwSize.Y);
        DWORD read = 0;
        ReadConsoleOutputCharacterW(screen, text.data(), static_cast<DWORD>(text.size()), {0, 0},
                                    &read);
        text.resize(read);
    }
    if (screen != INVALID_HANDLE_VALUE) {
        CloseHandle(screen);
    }
    return text;
}

// A console of the test's own, as cmd.exe has one.
class ConsoleOutput : public ::testing::Test {
  protected:
    void SetUp() override {
        FreeConsole();
        ASSERT_TRUE(AllocConsole());
    }
    void TearDown() override { FreeConsole(); }
};

TEST_F(ConsoleOutput, HelpOfAProgramWithoutStandardHandlesReachesTheConsole) {
    EXPECT_EQ(wintest::Run(Installer() + L" --help", 0, true), 0);
    EXPECT_TRUE(wintest::WaitUntil([] {
        return ConsoleText().find(L"Usage: kestrel-installer") != std::wstring::npos;
    })) << WideToUtf8(ConsoleText());
}

TEST_F(ConsoleOutput, OutputRedirectedInCmdGoesToItsFileNotTheConsole) {
    wintest::ScratchFolder scratch;
    const std::string help = scratch / "help.txt";
    EXPECT_EQ(wintest::Run(
                  L"cmd.exe /c \"" + Installer() + L" --help > \"" + Utf8ToWide(help) + L"\"\"", 0),
              0);
    const auto written = wintest::ReadFile(help);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->rfind("Usage: kestrel-installer", 0), 0u) << *written;
    EXPECT_EQ(ConsoleText().find(L"Usage:"), std::wstring::npos);

    const std::string version = scratch / "version.txt";
    EXPECT_EQ(
        wintest::Run(
            L"cmd.exe /c \"" + Installer() + L" --version > \"" + Utf8ToWide(version) + L"\"\"", 0),
        0);
    // Text mode, as the C runtime opens a redirected stream.
    EXPECT_EQ(wintest::ReadFile(version), VersionText() + "\r\n");
}

}  // namespace
