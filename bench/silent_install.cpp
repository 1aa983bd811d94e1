// Times the built program's silent install into seven slots (six hosts of a Wine prefix and a
// Custom folder), from its start to its exit, against cp of the same seven files in the same
// run: one cp process copying them all, and the same followed by sync of the seven copies,
// since the installer flushes every file to disk before it takes its place. Prints the medians
// and the ratios.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/HostTable.h"
#include "platform/Resources.h"

extern char** environ;

namespace {

constexpr int kRounds = 21;
constexpr int kCustomBitness = 1;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs `argv` with the standard output discarded; true when it exits with 0.
bool Run(std::vector<std::string> argv) {
    std::vector<char*> pointers;
    for (std::string& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

double Seconds(const std::vector<std::string>& argv, bool* failed) {
    const auto start = std::chrono::steady_clock::now();
    *failed |= !Run(argv);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void WriteBlock(const std::string& path, int id) {
    platform::ResourceBlock block;
    platform::FindResource(platform::kResourceTypeRcData, id, &block);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(block.data), static_cast<std::streamsize>(block.size));
}

}  // namespace

int main() {
    char pattern[] = "/tmp/kestrel-bench-XXXXXX";
    const std::string root = mkdtemp(pattern) ? pattern : "";
    if (root.empty()) {
        std::perror("mkdtemp");
        return 1;
    }
    // A prefix registering the six versions in the 64-bit view, each folder on drive C.
    const std::string prefix = root + "/prefix";
    std::filesystem::create_directories(prefix + "/dosdevices");
    std::filesystem::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
    std::string registry = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n";
    registry += "#arch=win64\n\n";
    for (int slot = 0; slot < kDetectedSlotCount; ++slot) {
        const std::string folder = std::string("Hosts/") + kHostSlots[slot].label + "/Plug-ins";
        std::filesystem::create_directories(prefix + "/drive_c/" + folder);
        registry += "[Software\\\\Adobe\\\\After Effects\\\\" +
                    std::string(kHostSlots[slot].versionKey) +
                    "] 1700000000\n\"PluginInstallPath\"=\"C:\\\\Hosts\\\\" +
                    kHostSlots[slot].label + "\\\\Plug-ins\"\n\n";
    }
    std::ofstream(prefix + "/system.reg") << registry;
    const std::string custom = root + "/custom";
    std::filesystem::create_directories(custom);
    setenv("WINEPREFIX", prefix.c_str(), 1);

    // The peer's seven sources, each the build its slot receives, and where cp puts them.
    std::vector<std::string> copy = {"cp"};
    std::vector<std::string> sync = {"sync"};
    const std::string copies = root + "/copies";
    std::filesystem::create_directories(copies);
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        const std::string name = "Kestrel" + std::to_string(slot) + ".aex";
        WriteBlock(root + "/" + name, PayloadIdForSlot(slot, kCustomBitness));
        copy.push_back(root + "/" + name);
        sync.push_back(copies + "/" + name);
    }
    copy.push_back(copies);
    const std::vector<std::string> install = {
        KESTREL_INSTALLER_PATH, "--silent", "--custom=" + custom,
        "--bits=" + std::string(kCustomBitness ? "64" : "32")};

    std::vector<double> installer, cp, cpAndSync;
    bool failed = false;
    Run(install);  // the first run creates the folders; every timed run replaces seven files
    Run(copy);
    // Each timed run starts with nothing dirty: writeback left by the run before would slow
    // down whoever flushes next.
    const std::vector<std::string> settle = {"sync"};
    for (int round = 0; round < kRounds; ++round) {
        Run(settle);
        installer.push_back(Seconds(install, &failed));
        Run(settle);
        cp.push_back(Seconds(copy, &failed));
        Run(settle);
        const double copied = Seconds(copy, &failed);
        cpAndSync.push_back(copied + Seconds(sync, &failed));
    }
    int installed = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        installed += entry.path().filename() == "Kestrel.aex";
    }
    std::filesystem::remove_all(root);
    if (failed || installed != kHostSlotCount) {
        std::fprintf(stderr, "a run failed, or the installer wrote %d of %d files\n", installed,
                     kHostSlotCount);
        return 1;
    }

    const double ours = Median(installer), theirs = Median(cp), flushed = Median(cpAndSync);
    std::printf("kestrel-installer --silent, 7 slots, start to exit: median %.1f ms (%d rounds)\n",
                ours * 1000, kRounds);
    std::printf("cp of the same 7 files, one process: median %.1f ms\n", theirs * 1000);
    std::printf("cp, then sync of the 7 copies: median %.1f ms\n", flushed * 1000);
    std::printf("ratio installer / cp: %.2f (goal <= 2)\n", ours / theirs);
    std::printf("ratio installer / (cp + sync): %.2f\n", ours / flushed);
    return 0;
}
