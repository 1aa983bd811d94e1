// Waiting on another thread's progress without a message loop: polls a condition with a deadline.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

// Waits until `condition` holds or the deadline passes; true when it holds.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds deadline = std::chrono::seconds(30)) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

}  // namespace testsupport
