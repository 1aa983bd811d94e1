// Timers: the system's, each calling its callback through one timer procedure.
#include "platform/Timer.h"

#include "platform/win32/window_record.h"

namespace platform {
namespace {

void CALLBACK TimerProc(HWND hwnd, UINT, UINT_PTR id, DWORD tickMs) {
    const NativeWindow w = backend::RecordOf(hwnd);
    if (!backend::Alive(w) || w->dying) {
        return;
    }
    auto found = w->timers.find(static_cast<unsigned>(id));
    if (found != w->timers.end() && found->second) {
        found->second(w, kWmTimer, static_cast<unsigned>(id), tickMs);
    }
}

}  // namespace

bool SetTimer(NativeWindow window, unsigned id, unsigned intervalMs, TimerCallback callback) {
    HWND hwnd = backend::HandleOf(window);
    if (!hwnd || ::SetTimer(hwnd, id, intervalMs, &TimerProc) == 0) {
        return false;
    }
    window->timers[id] = callback;
    return true;
}

void KillTimer(NativeWindow window, unsigned id) {
    HWND hwnd = backend::HandleOf(window);
    if (!hwnd) {
        return;
    }
    ::KillTimer(hwnd, id);
    window->timers.erase(id);
}

}  // namespace platform
