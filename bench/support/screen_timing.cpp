// DAMAGE on the root window, a quiet child, and the kernel's accounting of the ended child.
#include "support/screen_timing.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>

#include "support/quiet_child.h"

#include <X11/extensions/Xdamage.h>

namespace benchsupport {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kDeadline = 30s;
// What a program that ended last leaves on the screen (its windows going) settles within this.
constexpr auto kStill = 200ms;

class RootDamage {
  public:
    explicit RootDamage(Display* display)
        : m_display(display),
          m_damage(XDamageCreate(display, DefaultRootWindow(display), XDamageReportRawRectangles)) {
        XSync(display, False);
    }
    ~RootDamage() { XDamageDestroy(m_display, m_damage); }
    RootDamage(const RootDamage&) = delete;
    RootDamage& operator=(const RootDamage&) = delete;

  private:
    Display* m_display;
    Damage m_damage;
};

// True when a damage event arrived; waits for one at most `wait`.
bool NextDamage(Display* display, int damageEvents, std::chrono::milliseconds wait) {
    if (!XPending(display)) {
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(wait.count()));
    }
    bool damaged = false;
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        damaged |= event.type == damageEvents + XDamageNotify;
    }
    return damaged;
}

}  // namespace

ScreenTiming::ScreenTiming(std::chrono::milliseconds quiet) : m_quiet(quiet) {}

ScreenTiming::~ScreenTiming() {
    if (m_display) {
        XCloseDisplay(m_display);
    }
}

bool ScreenTiming::Open() {
    m_display = XOpenDisplay(nullptr);
    int damageErrors = 0;
    if (!m_display || !XDamageQueryExtension(m_display, &m_damageEvents, &damageErrors)) {
        std::fprintf(stderr, "needs an X server with the DAMAGE extension ($DISPLAY)\n");
        return false;
    }
    return true;
}

void ScreenTiming::WaitForStillScreen() {
    const RootDamage damage(m_display);
    auto still = Clock::now();
    const auto deadline = still + kDeadline;
    while (Clock::now() - still < kStill && Clock::now() < deadline) {
        if (NextDamage(m_display, m_damageEvents, 20ms)) {
            still = Clock::now();
        }
    }
}

bool ScreenTiming::Time(const std::vector<std::string>& argv, DrawingTimes* times) {
    WaitForStillScreen();
    const RootDamage damage(m_display);
    while (XPending(m_display)) {
        XEvent event;
        XNextEvent(m_display, &event);
    }
    const auto start = Clock::now();
    const pid_t pid = StartQuiet(argv);
    const bool started = pid > 0;
    Clock::time_point first{}, last{};
    bool drawn = false;
    while (started && Clock::now() - start < kDeadline) {
        if (NextDamage(m_display, m_damageEvents, 20ms)) {
            last = Clock::now();
            if (!drawn) {
                first = last;
            }
            drawn = true;
        }
        if (drawn && Clock::now() - last > m_quiet) {
            break;
        }
    }
    rusage usage{};
    if (started) {
        kill(pid, SIGTERM);
        int status = 0;
        wait4(pid, &status, 0, &usage);
    }
    if (!drawn) {
        std::string command;
        for (const std::string& arg : argv) {
            command += (command.empty() ? "" : " ") + arg;
        }
        std::fprintf(stderr, "%s: drew nothing\n", command.c_str());
        return false;
    }
    *times = {std::chrono::duration<double>(first - start).count(),
              std::chrono::duration<double>(last - start).count(), usage.ru_maxrss};
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace benchsupport
