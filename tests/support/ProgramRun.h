// Runs a built program to its end without a display and collects what it wrote and its exit
// code, for the tests of the command-line mode and of runs through sudo.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "support/worker_test_support.h"

namespace testsupport {

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs `program` with `arguments`, without DISPLAY or WAYLAND_DISPLAY and with the `extra`
// variables, and collects both streams; a run that outlives the deadline is killed. With
// `closedOutput`, standard output is a pipe that nobody reads any more.
inline ProgramRun RunWith(const std::string& program, const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& extra,
                          bool closedOutput = false) {
    workertest::ScratchFolder streams;
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
    run.out = workertest::ReadFile(outPath).value_or("");
    run.err = workertest::ReadFile(errPath).value_or("");
    return run;
}

#ifdef KESTREL_INSTALLER_PATH
// The built installer.
inline ProgramRun RunProgram(const std::vector<std::string>& arguments,
                             const std::map<std::string, std::string>& extra = {},
                             bool closedOutput = false) {
    return RunWith(KESTREL_INSTALLER_PATH, arguments, extra, closedOutput);
}
#endif

}  // namespace testsupport
