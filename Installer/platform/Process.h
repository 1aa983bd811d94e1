// The running process: its ids, the local time, and the user's folders.
#pragma once

#include <string>

namespace platform {

struct LocalTime {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

LocalTime CurrentLocalTime();
long CurrentProcessId();
long CurrentThreadId();

// The user's documents folder (the desktop's documents directory); empty when it does not exist.
std::string DocumentsFolder();
// The folder for temporary files, always available.
std::string TemporaryFolder();

}  // namespace platform
