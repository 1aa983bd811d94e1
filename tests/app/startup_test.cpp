// Start-up: the elevation marker, the relaunch, and the built program without a display.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Startup.h"
#include "platform/Process.h"
#include "support/worker_test_support.h"

namespace {

// Started again by the relaunch test below, this program reports its id, user and command line
// into the pipe named in the environment and ends before any test runs, once the test lets it
// go (or after 10 s, should the test never do so).
const bool kRelaunchedForTest = [] {
    const char* pipes = std::getenv("KESTREL_TEST_RELAUNCH");
    int report = -1;
    int release = -1;
    if (!pipes || std::sscanf(pipes, "%d %d", &report, &release) != 2) {
        return false;
    }
    const std::string text =
        std::to_string(getpid()) + " " + std::to_string(getuid()) + "\n" + platform::CommandLine();
    [[maybe_unused]] const ssize_t written = write(report, text.data(), text.size());
    close(report);
    pollfd wait{release, POLLIN, 0};
    poll(&wait, 1, 10000);
    _exit(0);
}();

std::string ReadToEnd(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t count = 0;
    while ((count = read(fd, buffer, sizeof buffer)) > 0 || (count < 0 && errno == EINTR)) {
        text.append(buffer, count > 0 ? static_cast<size_t>(count) : 0);
    }
    return text;
}

TEST(ElevationMarker, CountsOnlyAsAWholeArgumentWithItsCase) {
    EXPECT_TRUE(IsElevatedInstance({"/UAC"}));
    EXPECT_TRUE(IsElevatedInstance({"--flag", "/UAC"}));
    EXPECT_FALSE(IsElevatedInstance({"--custom=C:/Temp/UAC"}));  // a folder ending in the marker
    EXPECT_FALSE(IsElevatedInstance({"C:/Temp/UAC"}));
    EXPECT_FALSE(IsElevatedInstance({"/UACX"}));
    EXPECT_FALSE(IsElevatedInstance({}));
    EXPECT_FALSE(IsElevatedInstance({"/uac"}));
    EXPECT_FALSE(IsElevatedInstance({"/UA C"}));
    EXPECT_FALSE(IsElevatedInstance({"UAC"}));
}

TEST(Relaunch, StartsThisProgramWithTheMarkerAsTheSameUserAndDoesNotWait) {
    // Only the relaunched process's ends stay open across its start.
    int report[2];
    int release[2];
    ASSERT_EQ(pipe2(report, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(release, O_CLOEXEC), 0);
    fcntl(report[1], F_SETFD, 0);
    fcntl(release[0], F_SETFD, 0);
    int exitCode = -1;
    {
        workertest::ScopedEnvironment hook(
            "KESTREL_TEST_RELAUNCH", std::to_string(report[1]) + " " + std::to_string(release[0]));
        exitCode = RelaunchElevated();
    }
    close(report[1]);
    close(release[0]);
    EXPECT_EQ(exitCode, 0);

    const std::string text = ReadToEnd(report[0]);
    close(report[0]);
    long pid = 0;
    unsigned long uid = 0;
    ASSERT_EQ(std::sscanf(text.c_str(), "%ld %lu", &pid, &uid), 2) << text;
    EXPECT_EQ(text.substr(text.find('\n') + 1), "/UAC");
    EXPECT_EQ(uid, getuid());
    int status = 0;
    EXPECT_EQ(waitpid(static_cast<pid_t>(pid), &status, WNOHANG), 0) << "it has ended already";
    close(release[1]);
    ASSERT_EQ(waitpid(static_cast<pid_t>(pid), &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

struct ProgramRun {
    int exitCode = -1;
    std::string errors;  // of the program and of what it started
    long Lines() const { return std::count(errors.begin(), errors.end(), '\n'); }
};

// Runs the built installer with `arguments` (shell words) and DISPLAY set to `display` (unset
// when empty), until it and everything it started have closed the error stream.
ProgramRun RunInstaller(const std::string& arguments, const std::string& display) {
    const std::string command =
        (display.empty() ? "env -u DISPLAY " : "env DISPLAY=" + display + " ") +
        KESTREL_INSTALLER_PATH + " " + arguments + " 2>&1 >/dev/null";
    ProgramRun run;
    FILE* errors = popen(command.c_str(), "r");
    run.errors = ReadToEnd(fileno(errors));
    const int status = pclose(errors);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

constexpr char kNoDisplay[] = "Kestrel 3D installer: no display: use --silent, or set DISPLAY (";

TEST(InstallerProgram, WithoutADisplayTheElevatedInstanceSaysWhyOnOneLineAndFails) {
    const ProgramRun run = RunInstaller("/UAC", "");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.Lines(), 1) << run.errors;
    EXPECT_TRUE(run.errors.starts_with(kNoDisplay)) << run.errors;
    const ProgramRun unreachable = RunInstaller("/UAC", ":64999");
    EXPECT_EQ(unreachable.exitCode, 1);
    EXPECT_EQ(unreachable.Lines(), 1) << unreachable.errors;
    EXPECT_TRUE(unreachable.errors.starts_with(kNoDisplay)) << unreachable.errors;
    EXPECT_NE(unreachable.errors.find("\":64999\""), std::string::npos) << unreachable.errors;
}

TEST(InstallerProgram, WithoutADisplayTheLauncherFailsBeforeItRelaunches) {
    // One line: a relaunched instance would have added its own.
    for (const char* arguments : {"", "/uac", "/UA C"}) {
        const ProgramRun run = RunInstaller(arguments, "");
        EXPECT_EQ(run.exitCode, 1) << arguments;
        EXPECT_EQ(run.Lines(), 1) << run.errors;
        EXPECT_TRUE(run.errors.starts_with(kNoDisplay)) << run.errors;
    }
}

}  // namespace
