// Host detection on a generated 20 MB system.reg (the hosts' keys near its end), against
// `grep -c PluginInstallPath` over the same file as the cost of reading it once.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/HostTable.h"
#include "support/generated_registry.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr size_t kTargetBytes = 20u << 20;
constexpr int kRuns = 9;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double TimeGrep(const std::string& file) {
    const std::string nullPath = "/dev/null";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, nullPath.c_str(), O_WRONLY, 0);
    std::string arg0 = "grep", arg1 = "-c", arg2 = "PluginInstallPath", arg3 = file;
    char* argv[] = {arg0.data(), arg1.data(), arg2.data(), arg3.data(), nullptr};
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "grep", &actions, nullptr, argv, environ) != 0) {
        std::fprintf(stderr, "cannot start grep\n");
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds = Seconds(Clock::now() - start);
    posix_spawn_file_actions_destroy(&actions);
    return seconds;
}

double TimeDetection(const std::string& file, int run, HostTable* table) {
    // A new modification time makes the reader take the file afresh, as a new process would.
    const timespec times[2] = {{1700000000 + run, 0}, {1700000000 + run, 0}};
    utimensat(AT_FDCWD, file.c_str(), times, 0);
    const auto start = Clock::now();
    table->DetectAllHosts();
    return Seconds(Clock::now() - start);
}

}  // namespace

int main() {
    std::string folder = (fs::temp_directory_path() / "kestrel-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        return 1;
    }
    const std::string file = folder + "/system.reg";
    {
        const std::string text = benchsupport::GenerateRegistry(kTargetBytes);
        std::ofstream(file, std::ios::binary) << text;
    }
    setenv("WINEPREFIX", folder.c_str(), 1);

    std::vector<double> grepTimes, detectTimes;
    TimeGrep(file);  // both read from the page cache from here on
    for (int run = 0; run < kRuns; ++run) {
        grepTimes.push_back(TimeGrep(file));
        HostTable table;
        detectTimes.push_back(TimeDetection(file, run, &table));
        for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
            if (!table.IsDetected(slot)) {
                std::fprintf(stderr, "slot %d not detected\n", slot);
                return 1;
            }
        }
    }
    const double grep = Median(grepTimes), detect = Median(detectTimes);
    std::printf("system.reg: %.1f MB\n", static_cast<double>(fs::file_size(file)) / (1 << 20));
    std::printf("grep -c PluginInstallPath: %.2f ms (median of %d)\n", grep * 1e3, kRuns);
    std::printf("DetectAllHosts:            %.2f ms (median of %d)\n", detect * 1e3, kRuns);
    std::printf("ratio detection/grep: %.2f (goal <= 1)\n", detect / grep);
    fs::remove_all(folder);
    return 0;
}
