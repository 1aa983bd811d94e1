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

// Runs the installer with `option` from cmd.exe, its output sent to `file`; cmd's exit code.
int RunInCmdInto(const wchar_t* option, const std::string& file) {
    const std::wstring line =
        L"cmd.exe /c \"" + Installer() + L" " + option + L" > \"" + Utf8ToWide(file) + L"\"\"";
    const int code = wintest::Run(line, 0);
    // Wine's cmd once answered "not found" (9009) for the program, named by its full path, on
    // a busy machine, and found it at the next call; a second try tells that from a real miss.
    constexpr int kNotFound = 9009;
    return code == kNotFound ? wintest::Run(line, 0) : code;
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
    EXPECT_EQ(RunInCmdInto(L"--help", help), 0);
    const auto written = wintest::ReadFile(help);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->rfind("Usage: kestrel-installer", 0), 0u) << *written;
    EXPECT_EQ(ConsoleText().find(L"Usage:"), std::wstring::npos);

    const std::string version = scratch / "version.txt";
    EXPECT_EQ(RunInCmdInto(L"--version", version), 0);
    // Text mode, as the C runtime opens a redirected stream.
    EXPECT_EQ(wintest::ReadFile(version), VersionText() + "\r\n");
}

}  // namespace
