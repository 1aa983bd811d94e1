// The running process: its ids, command line and relaunch, the local time, and the user's
// folders.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct LocalTime {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Started by root on behalf of another user (through sudo or pkexec), becomes that user for
// good: their groups, group and user id, checked, and their home in the environment. Called
// before anything else, so that the system gives every later step that user's rights and what
// is created is theirs. Does nothing for anyone else, root started by no one included. False,
// with the reason in `why`, when the change failed or could be undone.
bool BecomeInvokingUser(std::string* why);

// Libraries the process loads from now on come from the system's own folder only, never from the
// folder the program was started from or downloaded to, where anyone could have put one.
void LimitLibrarySearch();

LocalTime CurrentLocalTime();
long CurrentProcessId();
long CurrentThreadId();

// The arguments the program was started with, without its own name, each as it was given.
std::vector<std::string> CommandLineArguments();
// The same arguments joined by single spaces.
std::string CommandLine();
// Starts the running program again with `arguments`, as the same user, and does not wait for
// it; true when the new process is running.
bool StartSelf(const std::vector<std::string>& arguments);

// Standard output and error as a command-line run needs them: those the program was started
// with, or else the console of the process that started it, where the system starts a window
// program without any. Output to a pipe or socket that nobody reads any more fails from then on
// instead of ending the process: the run goes on to its end and its exit code.
void ConnectCommandLineOutput();

// The user's documents folder (the desktop's documents directory); empty when it does not exist.
// Run as root on behalf of another user, it is that user's.
std::string DocumentsFolder();
// The folder for temporary files, always available.
std::string TemporaryFolder();
// A folder of the user's own named `name` in the temporary folder, which other users may
// share: created readable by the user only where it is missing; "<name>-<user id>" where
// `name` is someone else's (or not a plain folder), and failing that a fresh folder. Empty
// when none can be had.
std::string PrivateTemporaryFolder(const std::string& name);

}  // namespace platform
