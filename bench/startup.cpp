// Start-up as the user sees it: from exec to the last drawing of the first screen, observed from
// outside through DAMAGE on the root window. The wizard, over a prefix whose system.reg is a few
// MB, against the floor of this stack (a bare Xlib + cairo + pango program mapping 15 buffered
// children and a label) and against `zenity --info`, interleaved in the same run; and the wizard
// again at twice the scale (KESTREL_SCALE=2, as on a 192 dpi desktop) against itself at 1x. Peak
// resident memory comes from the kernel's accounting of each ended child. Needs a bare X server
// ($DISPLAY).
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/generated_registry.h"
#include "support/screen_timing.h"

namespace {

namespace fs = std::filesystem;
using benchsupport::DrawingTimes;
using benchsupport::Median;
using namespace std::chrono_literals;

constexpr int kRuns = 15;
constexpr size_t kRegistryBytes = 4u << 20;
constexpr auto kQuiet = 1500ms;

struct Program {
    const char* name;
    std::vector<std::string> argv;
    std::vector<DrawingTimes> samples;
};

}  // namespace

int main() {
    benchsupport::ScreenTiming screen(kQuiet);
    if (!screen.Open()) {
        return 1;
    }
    std::string prefix = (fs::temp_directory_path() / "kestrel-bench-XXXXXX").string();
    if (mkdtemp(prefix.data()) == nullptr) {
        return 1;
    }
    std::ofstream(prefix + "/system.reg", std::ios::binary)
        << benchsupport::GenerateRegistry(kRegistryBytes);
    setenv("WINEPREFIX", prefix.c_str(), 1);
    // No accessibility bus in a bare test session: zenity would wait for one.
    setenv("NO_AT_BRIDGE", "1", 1);

    std::vector<Program> programs = {
        {"installer", {KESTREL_INSTALLER_PATH, "/UAC"}, {}},
        {"floor", {KESTREL_FLOOR_PATH}, {}},
        {"zenity --info", {"zenity", "--info", "--text=Kestrel 3D"}, {}},
        {"installer 2x", {"/usr/bin/env", "KESTREL_SCALE=2", KESTREL_INSTALLER_PATH, "/UAC"}, {}},
    };
    // Run inside a D-Bus session (dbus-run-session), the installer is timed once more with its
    // screen-reader bridge started, as in a desktop session where AT-SPI is advertised.
    const bool sessionBus = std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr;
    if (sessionBus) {
        programs.push_back({"installer+AT",
                            {"/usr/bin/env", "-u", "NO_AT_BRIDGE", KESTREL_INSTALLER_PATH, "/UAC"},
                            {}});
    }
    // One unmeasured round first: every program then starts with its libraries cached.
    for (int run = -1; run < kRuns; ++run) {
        for (Program& program : programs) {
            DrawingTimes sample;
            if (!screen.Time(program.argv, &sample)) {
                return 1;
            }
            if (run >= 0) {
                program.samples.push_back(sample);
            }
        }
    }
    fs::remove_all(prefix);

    const size_t count = programs.size();
    std::vector<std::vector<double>> firsts(count), seconds(count), peaks(count);
    for (size_t i = 0; i < programs.size(); ++i) {
        for (const DrawingTimes& sample : programs[i].samples) {
            firsts[i].push_back(sample.firstSeconds);
            seconds[i].push_back(sample.lastSeconds);
            peaks[i].push_back(static_cast<double>(sample.peakKilobytes));
        }
        std::printf("%-14s exec to last drawing %6.1f ms (first %6.1f ms), peak RSS %6.0f KB\n",
                    programs[i].name, Median(seconds[i]) * 1e3, Median(firsts[i]) * 1e3,
                    Median(peaks[i]));
    }
    std::printf("medians of %d runs each, interleaved\n", kRuns);
    std::printf("system.reg: %.1f MB\n", static_cast<double>(kRegistryBytes) / (1 << 20));
    std::printf("installer / floor:  %.2f (goal <= 1.5)\n",
                Median(seconds[0]) / Median(seconds[1]));
    std::printf("installer / zenity: %.2f (goal < 0.2)\n", Median(seconds[0]) / Median(seconds[2]));
    std::printf("peak RSS installer / zenity: %.2f (goal < 0.5)\n",
                Median(peaks[0]) / Median(peaks[2]));
    std::printf("installer at 2x / at 1x: %.2f (goal <= 1.5)\n",
                Median(seconds[3]) / Median(seconds[0]));
    if (sessionBus) {
        std::printf("installer with / without the AT-SPI bridge: %.2f\n",
                    Median(seconds[4]) / Median(seconds[0]));
    }
    return 0;
}
