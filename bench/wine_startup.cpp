// Start-up of the Windows build under Wine, as the user sees it: from exec to the last drawing of
// the first screen, observed from outside through DAMAGE on the root window, against the floor
// of that stack (bench/floor/startup_floor_win32.cpp: a bare user32 + gdi32 window with 15 lines
// of text), interleaved in the same run. Both start through /usr/bin/wine over one prefix made
// for the run, whose wineserver, system processes and desktop process stay up throughout, as on
// a desktop where Wine already runs: a hidden floor window keeps the desktop process, which Wine
// otherwise ends with the last program and starts again with the next. Needs a bare X server
// ($DISPLAY).
//
//   bench_wine_startup BUILD-FOLDER [BUILD-FOLDER]
//
// Each folder is a Windows build with kestrel-installer.exe and bench_startup_floor.exe; give
// the x86_64 and the i686 build to measure both.
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/quiet_child.h"
#include "support/screen_timing.h"

namespace {

namespace fs = std::filesystem;
using benchsupport::DrawingTimes;
using benchsupport::Median;
using benchsupport::RunQuiet;
using namespace std::chrono_literals;

constexpr int kRuns = 11;
constexpr auto kQuiet = 1500ms;
constexpr char kWine[] = "/usr/bin/wine";
constexpr char kWineServer[] = "/usr/bin/wineserver";
constexpr char kWineFonts[] = "/usr/share/wine/fonts";

struct Program {
    std::vector<std::string> argv;
    std::vector<double> first;
    std::vector<double> last;
};

struct Build {
    std::string architecture;
    Program installer;
    Program floor;
};

// The machine a PE executable is built for, from its COFF header; empty when it is none.
std::string PeArchitecture(const fs::path& program) {
    std::ifstream file(program, std::ios::binary);
    unsigned char dos[64] = {};
    if (!file.read(reinterpret_cast<char*>(dos), sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') {
        return "";
    }
    const uint32_t peOffset = dos[60] | dos[61] << 8 | dos[62] << 16 | uint32_t(dos[63]) << 24;
    unsigned char header[6] = {};
    if (!file.seekg(peOffset) || !file.read(reinterpret_cast<char*>(header), sizeof header) ||
        header[0] != 'P' || header[1] != 'E') {
        return "";
    }
    switch (header[4] | header[5] << 8) {
        case 0x8664:
            return "x86_64";
        case 0x014c:
            return "i686";
        default:
            return "";
    }
}

// A prefix booted by /usr/bin/wine, so that it has the 32-bit system too, with Wine's own fonts,
// which Debian's Wine does not look for; then a wineserver that stays until it is stopped.
bool MakeWarmPrefix(const std::string& prefix) {
    if (!RunQuiet({kWine, "wineboot", "-i"}) || !RunQuiet({kWineServer, "-w"})) {
        std::fprintf(stderr, "wineboot failed in %s\n", prefix.c_str());
        return false;
    }
    for (const fs::directory_entry& font : fs::directory_iterator(kWineFonts)) {
        if (font.path().extension() == ".ttf") {
            fs::copy_file(font.path(),
                          fs::path(prefix) / "drive_c/windows/Fonts" / font.path().filename());
        }
    }
    return RunQuiet({kWineServer, "-p"});
}

bool TimeRound(benchsupport::ScreenTiming& screen, std::vector<Build>& builds, bool keep) {
    for (Build& build : builds) {
        for (Program* program : {&build.installer, &build.floor}) {
            DrawingTimes times;
            if (!screen.Time(program->argv, &times)) {
                return false;
            }
            if (keep) {
                program->first.push_back(times.firstSeconds);
                program->last.push_back(times.lastSeconds);
            }
        }
    }
    return true;
}

void Report(const std::vector<Build>& builds) {
    for (const Build& build : builds) {
        for (const Program* program : {&build.installer, &build.floor}) {
            std::printf("%-6s %-9s exec to last drawing %6.1f ms (first %6.1f ms)\n",
                        build.architecture.c_str(),
                        program == &build.installer ? "installer" : "floor",
                        Median(program->last) * 1e3, Median(program->first) * 1e3);
        }
    }
    std::printf("medians of %d runs each, interleaved, with the wineserver running\n", kRuns);
    for (const Build& build : builds) {
        std::printf("%-6s installer / floor: %.2f (goal <= 1.5)\n", build.architecture.c_str(),
                    Median(build.installer.last) / Median(build.floor.last));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s BUILD-FOLDER [BUILD-FOLDER]\n", argv[0]);
        return 2;
    }
    std::vector<Build> builds;
    for (int i = 1; i < argc; ++i) {
        const fs::path folder = fs::absolute(argv[i]);
        const fs::path installer = folder / "kestrel-installer.exe";
        const fs::path floor = folder / "bench_startup_floor.exe";
        const std::string architecture = PeArchitecture(installer);
        if (architecture.empty() || PeArchitecture(floor) != architecture) {
            std::fprintf(stderr,
                         "%s: no Windows build with kestrel-installer.exe and "
                         "bench_startup_floor.exe of one architecture\n",
                         argv[i]);
            return 2;
        }
        builds.push_back({architecture,
                          {{kWine, installer.string(), "/UAC"}, {}, {}},
                          {{kWine, floor.string()}, {}, {}}});
    }
    benchsupport::ScreenTiming screen(kQuiet);
    if (!screen.Open()) {
        return 1;
    }
    std::string prefix = (fs::temp_directory_path() / "kestrel-wine-bench-XXXXXX").string();
    if (mkdtemp(prefix.data()) == nullptr) {
        return 1;
    }
    setenv("WINEPREFIX", prefix.c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    bool measured = MakeWarmPrefix(prefix);
    const pid_t desktopKeeper =
        measured ? benchsupport::StartQuiet({kWine, builds[0].floor.argv[1], "/hidden"}) : -1;
    // One unmeasured round first: every program then starts with its libraries cached.
    for (int run = -1; measured && run < kRuns; ++run) {
        measured = TimeRound(screen, builds, run >= 0);
    }
    if (desktopKeeper > 0) {
        kill(desktopKeeper, SIGTERM);
        waitpid(desktopKeeper, nullptr, 0);
    }
    RunQuiet({kWineServer, "-k"});
    fs::remove_all(prefix);
    if (!measured) {
        return 1;
    }
    Report(builds);
    return 0;
}
