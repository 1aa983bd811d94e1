// Periodic timers, ticking on the loop thread: a due timer yields one kWmTimer message when the
// queue holds nothing else, and a late timer ticks once, not once per missed period.
#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/Timer.h"
#include "platform/x11/window_record.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// The shortest period, as the timers of other systems have one.
constexpr unsigned kMinimumIntervalMs = 10;

struct TimerEntry {
    NativeWindow window;
    unsigned id;
    std::chrono::milliseconds interval;
    TimerCallback callback;
    Clock::time_point due;
};

std::vector<TimerEntry>& Timers() {
    static std::vector<TimerEntry> timers;
    return timers;
}

std::vector<TimerEntry>::iterator Find(NativeWindow window, unsigned id) {
    auto& timers = Timers();
    return std::find_if(timers.begin(), timers.end(),
                        [&](const TimerEntry& t) { return t.window == window && t.id == id; });
}

uint32_t TickMs() {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
            .count());
}

}  // namespace

bool SetTimer(NativeWindow window, unsigned id, unsigned intervalMs, TimerCallback callback) {
    if (window && !backend::Alive(window)) {
        return false;
    }
    const std::chrono::milliseconds interval(std::max(intervalMs, kMinimumIntervalMs));
    const Clock::time_point due = Clock::now() + interval;
    auto found = Find(window, id);
    if (found != Timers().end()) {
        found->interval = interval;
        found->callback = callback;
        found->due = due;
    } else {
        Timers().push_back({window, id, interval, callback, due});
    }
    return true;
}

void KillTimer(NativeWindow window, unsigned id) {
    auto found = Find(window, id);
    if (found != Timers().end()) {
        Timers().erase(found);
    }
}

namespace backend {

bool TakeDueTimer(Message& out) {
    auto& timers = Timers();
    const Clock::time_point now = Clock::now();
    auto earliest =
        std::min_element(timers.begin(), timers.end(),
                         [](const TimerEntry& a, const TimerEntry& b) { return a.due < b.due; });
    if (earliest == timers.end() || earliest->due > now) {
        return false;
    }
    earliest->due += earliest->interval;
    if (earliest->due <= now) {
        earliest->due = now + earliest->interval;
    }
    out = {earliest->window, kWmTimer, earliest->id, 0};
    return true;
}

long MsUntilNextTimer() {
    auto& timers = Timers();
    if (timers.empty()) {
        return -1;
    }
    Clock::time_point due = timers.front().due;
    for (const TimerEntry& t : timers) {
        due = std::min(due, t.due);
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count();
    return std::max<long>(left, 0);
}

void KillTimersOf(NativeWindow w) {
    auto& timers = Timers();
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [w](const TimerEntry& t) { return t.window == w; }),
                 timers.end());
}

MessageResult DispatchTimerTick(const Message& tick) {
    auto found = Find(tick.window, static_cast<unsigned>(tick.wParam));
    if (found == Timers().end()) {
        return 0;  // killed after its tick was taken from the queue
    }
    if (!found->callback) {
        return SendMessage(tick.window, kWmTimer, tick.wParam, 0);
    }
    found->callback(tick.window, kWmTimer, found->id, TickMs());
    return 0;
}

}  // namespace backend
}  // namespace platform
