// Driving the system's modal windows (menus, dialogs) from inside their own loops, where a
// test's code cannot otherwise run, and pumping the program's loop until something happens.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>

#include "platform/Events.h"
#include "platform/Window.h"
#include "platform/win32/windows_api.h"

namespace wintest {

struct ClassSearch {
    const wchar_t* className;
    HWND found;
};

inline BOOL CALLBACK MatchClass(HWND hwnd, LPARAM data) {
    auto* search = reinterpret_cast<ClassSearch*>(data);
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (IsWindowVisible(hwnd) && lstrcmpW(name, search->className) == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The visible top-level window of this thread with the given class ("#32768" for a menu,
// "#32770" for a dialog), or null.
inline HWND ThreadWindowOfClass(const wchar_t* className) {
    ClassSearch search{className, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs `step` on a thread timer until it returns true. The modal loops of menus and dialogs
// dispatch thread timers, so the step runs while they do. A step still unmet after the deadline
// ends the open menu or dialog (as Escape would), so that the test fails instead of hanging.
class ModalDriver {
  public:
    explicit ModalDriver(std::function<bool()> step,
                         std::chrono::milliseconds deadline = std::chrono::seconds(30))
        : step_(std::move(step)), end_(std::chrono::steady_clock::now() + deadline) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, kPeriodMs, &Tick);
    }
    ~ModalDriver() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    bool Done() const { return done_; }

  private:
    static constexpr UINT kPeriodMs = 50;

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        ModalDriver* driver = current_;
        if (!driver || driver->done_) {
            return;
        }
        driver->done_ = driver->step_();
        if (!driver->done_ && std::chrono::steady_clock::now() > driver->end_) {
            if (const HWND dialog = ThreadWindowOfClass(L"#32770")) {
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            }
            EndMenu();
        }
    }

    static inline ModalDriver* current_ = nullptr;
    std::function<bool()> step_;
    std::chrono::steady_clock::time_point end_;
    UINT_PTR timer_ = 0;
    bool done_ = false;
};

// Dispatches the program's messages until `condition` holds or the deadline passes.
inline bool PumpUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        // Pixels may change without a message: look again every few milliseconds.
        if (platform::WaitMessageFor(
                static_cast<unsigned>(std::min<long long>(left.count(), 10)))) {
            platform::Message message;
            while (platform::PeekMessage(message)) {
                platform::DispatchMessage(message);
            }
        }
    }
    return true;
}

}  // namespace wintest
