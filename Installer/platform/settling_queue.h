// The work handed to RunWhenSettled, for a backend's queue file: kept in the order given, each
// due once its window has settled (the backend tells when) or at the latest a second after it
// was handed over.
#pragma once

#include <chrono>
#include <deque>
#include <functional>

#include "platform/Window.h"

namespace platform::settling {

using Clock = std::chrono::steady_clock;

struct Work {
    NativeWindow window;
    Clock::time_point latest;
    std::function<void()> run;
};

inline std::deque<Work>& Queue() {
    static std::deque<Work> queue;
    return queue;
}

inline void Add(NativeWindow window, std::function<void()> run) {
    Queue().push_back({window, Clock::now() + std::chrono::seconds(1), std::move(run)});
}

// Whether the first work is due: `settled(window)` says whether its window has settled.
template <class Settled>
bool NextDue(Settled settled) {
    return !Queue().empty() &&
           (settled(Queue().front().window) || Clock::now() >= Queue().front().latest);
}

// Runs the first work if it is due (work for a window destroyed meanwhile is dropped); true
// when one was taken.
template <class Settled>
bool RunNext(Settled settled) {
    if (!NextDue(settled)) {
        return false;
    }
    const Work next = std::move(Queue().front());
    Queue().pop_front();
    if (IsWindow(next.window)) {
        next.run();
    }
    return true;
}

// Milliseconds until the first work is due at the latest; negative when there is none.
inline long MsUntilLatest() {
    if (Queue().empty()) {
        return -1;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(Queue().front().latest - Clock::now());
    return std::max<long>(0, static_cast<long>(left.count()));
}

}  // namespace platform::settling
