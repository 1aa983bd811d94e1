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
#include <random>
#include <string>
#include <vector>

#include "app/HostTable.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr size_t kTargetBytes = 20u << 20;
constexpr int kRuns = 9;

std::string Hex(std::mt19937& random, int digits) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < digits; ++i) {
        text += kDigits[random() % 16];
    }
    return text;
}

// Keys shaped like a real prefix's: COM classes, expandable paths saved as hex lines, dwords.
std::string GenerateRegistry() {
    std::mt19937 random(42);
    std::string text =
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n";
    while (text.size() < kTargetBytes) {
        const std::string guid = "{" + Hex(random, 8) + "-" + Hex(random, 4) + "-" +
                                 Hex(random, 4) + "-" + Hex(random, 4) + "-" + Hex(random, 12) +
                                 "}";
        text += "\n[Software\\\\Classes\\\\CLSID\\\\" + guid +
                "\\\\InprocServer32] 1700000000\n#time=1d9a0c2b3e4f560\n"
                "@=\"C:\\\\windows\\\\system32\\\\" +
                Hex(random, 6) + ".dll\"\n\"ThreadingModel\"=\"Both\"\n";
        text +=
            "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\" +
            Hex(random, 8) +
            ".exe] 1700000000\n#time=1d9a0c2b3e4f560\n"
            "\"Path\"=hex(2):25,00,50,00,72,00,6f,00,67,00,72,00,61,00,6d,00,46,00,69,00,6c,\\\n"
            "  00,65,00,73,00,25,00,5c,00,00,00\n\"Flags\"=dword:0000" +
            Hex(random, 4) + "\n";
    }
    const char* versions[] = {"8.0", "9.0", "10.0", "10.5", "11", "12"};
    for (const char* view : {"Software\\\\Wow6432Node\\\\Adobe", "Software\\\\Adobe"}) {
        for (const char* version : versions) {
            text += std::string("\n[") + view + "\\\\After Effects\\\\" + version +
                    "] 1700000000\n#time=1d9a0c2b3e4f560\n\"PluginInstallPath\"=\"C:\\\\Program "
                    "Files\\\\Adobe\\\\AE " +
                    version + "\\\\Plug-ins\\\\\"\n";
        }
    }
    text += "\n[System\\\\Select] 1700000000\n\"Current\"=dword:00000001\n";
    return text;
}

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
        const std::string text = GenerateRegistry();
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
