// Installs into all seven slots and, in the same run, copies the same bytes with dd (flushed to
// disk, as the installer flushes before it replaces) into the same kind of folders; prints the
// medians, their ratio, and how much the peak resident memory grows during an installation.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/InstallWorker.h"
#include "platform/Resources.h"

namespace {

constexpr int kRounds = 15;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// VmHWM or VmRSS of this process, in kB.
long StatusKilobytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stol(line.substr(std::string(key).size()));
        }
    }
    return -1;
}

// Resets the peak to the current resident size (Linux 4.0 and later).
bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear);
}

template <typename Work>
double Seconds(Work work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    char pattern[] = "/tmp/kestrel-bench-XXXXXX";
    const std::string root = mkdtemp(pattern) ? pattern : "";
    if (root.empty()) {
        std::perror("mkdtemp");
        return 1;
    }
    HostTable hosts;
    hosts.customBitness = 1;
    std::string peerScript;
    for (int slot = 0; slot < kHostSlotCount; ++slot) {
        const std::string installed = root + "/installer" + std::to_string(slot);
        const std::string copied = root + "/peer" + std::to_string(slot);
        mkdir(installed.c_str(), 0755);
        mkdir(copied.c_str(), 0755);
        mkdir((copied + "/Larkspur").c_str(), 0755);
        hosts.hostFolder[slot] = installed;
        hosts.hostSelected[slot] = true;
        peerScript += "dd if=" + root + "/source" +
                      std::to_string(PayloadIdForSlot(slot, hosts.customBitness)) +
                      " of=" + copied + "/Larkspur/Kestrel.aex bs=8M conv=fsync status=none && ";
    }
    peerScript += "true";
    for (int id : {300, 400}) {
        platform::ResourceBlock block;
        platform::FindResource(platform::kResourceTypeRcData, id, &block);
        std::ofstream(root + "/source" + std::to_string(id), std::ios::binary)
            .write(reinterpret_cast<const char*>(block.data),
                   static_cast<std::streamsize>(block.size));
    }

    // Memory first, in a process that has not touched the payloads yet.
    ResetPeak();
    const long idleBefore = StatusKilobytes("VmRSS:");
    const long idlePeak = StatusKilobytes("VmHWM:");
    ResetPeak();
    const long before = StatusKilobytes("VmRSS:");
    InstallWorker(hosts, std::make_shared<InstallStatus>()).InstallPlugins();
    const long peak = StatusKilobytes("VmHWM:");

    std::vector<double> installer, peer;
    bool failed = false;
    for (int round = 0; round < kRounds; ++round) {
        auto status = std::make_shared<InstallStatus>();
        installer.push_back(Seconds([&] { InstallWorker(hosts, status).InstallPlugins(); }));
        failed |= status->installFailed.load();
        peer.push_back(Seconds([&] { failed |= system(peerScript.c_str()) != 0; }));
    }
    system(("rm -rf " + root).c_str());
    if (failed) {
        std::fprintf(stderr, "an installation or a copy failed\n");
        return 1;
    }

    const double ours = Median(installer), theirs = Median(peer);
    std::printf("install into 7 slots: median %.1f ms (%d rounds)\n", ours * 1000, kRounds);
    std::printf("dd conv=fsync of the same bytes: median %.1f ms\n", theirs * 1000);
    std::printf("ratio installer / peer: %.3f (goal <= 1.10)\n", ours / theirs);
    std::printf(
        "peak resident growth during the install: %ld kB (idle process: %ld kB; goal < 1024 kB)\n",
        peak - before, idlePeak - idleBefore);
    return 0;
}
