// Start-up as the user sees it: from exec to the last drawing of the first screen, observed from
// outside through DAMAGE on the root window. The wizard, over a prefix whose system.reg is a few
// MB, against the floor of this stack (a bare Xlib + cairo + pango program mapping 15 buffered
// children and a label) and against `zenity --info`, interleaved in the same run. Peak resident
// memory comes from the kernel's accounting of each ended child. Needs a bare X server ($DISPLAY).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
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

#include "support/generated_registry.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kRuns = 15;
constexpr size_t kRegistryBytes = 4u << 20;
// A screen that has not changed for this long is taken as finished.
constexpr auto kQuiet = 1500ms;
constexpr auto kDeadline = 30s;

struct Sample {
    double firstSeconds;  // the first drawing seen
    double seconds;       // the last one
    long peakKilobytes;
};

struct Program {
    const char* name;
    std::vector<std::string> argv;
    std::vector<Sample> samples;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Starts `argv`, waits until the screen has been still for kQuiet after its first change, then
// ends the program. The time is from just before exec to the last change seen.
bool Measure(Display* display, int damageEvents, const std::vector<std::string>& argv,
             Sample* sample) {
    const Damage damage =
        XDamageCreate(display, DefaultRootWindow(display), XDamageReportRawRectangles);
    XSync(display, False);
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
    }
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);

    const auto start = Clock::now();
    pid_t pid = 0;
    const bool started = posix_spawnp(&pid, args[0], &quiet, nullptr, args.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&quiet);
    Clock::time_point first{}, last{};
    bool drawn = false;
    while (started && Clock::now() - start < kDeadline) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == damageEvents + XDamageNotify) {
                last = Clock::now();
                if (!drawn) {
                    first = last;
                }
                drawn = true;
            }
        }
        if (drawn && Clock::now() - last > kQuiet) {
            break;
        }
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, 20);
    }
    XDamageDestroy(display, damage);
    rusage usage{};
    if (started) {
        kill(pid, SIGTERM);
        int status = 0;
        wait4(pid, &status, 0, &usage);
    }
    if (!drawn) {
        std::fprintf(stderr, "%s drew nothing\n", argv[0].c_str());
        return false;
    }
    *sample = {std::chrono::duration<double>(first - start).count(),
               std::chrono::duration<double>(last - start).count(), usage.ru_maxrss};
    return true;
}

}  // namespace

int main() {
    Display* display = XOpenDisplay(nullptr);
    int damageEvents = 0, damageErrors = 0;
    if (!display || !XDamageQueryExtension(display, &damageEvents, &damageErrors)) {
        std::fprintf(stderr, "needs an X server with the DAMAGE extension ($DISPLAY)\n");
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
    };
    // One unmeasured round first: every program then starts with its libraries cached.
    for (int run = -1; run < kRuns; ++run) {
        for (Program& program : programs) {
            Sample sample{};
            if (!Measure(display, damageEvents, program.argv, &sample)) {
                return 1;
            }
            if (run >= 0) {
                program.samples.push_back(sample);
            }
        }
    }
    fs::remove_all(prefix);

    std::vector<double> firsts[3], seconds[3], peaks[3];
    for (size_t i = 0; i < programs.size(); ++i) {
        for (const Sample& sample : programs[i].samples) {
            firsts[i].push_back(sample.firstSeconds);
            seconds[i].push_back(sample.seconds);
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
    XCloseDisplay(display);
    return 0;
}
