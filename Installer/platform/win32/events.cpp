// The message queue on user32: the system's queue, with its own order (input and posted
// messages, then paints, then timer ticks), handed to the toolkit in the seam's terms.
#include <algorithm>
#include <atomic>
#include <chrono>

#include "platform/Events.h"
#include "platform/settling_queue.h"
#include "platform/win32/window_record.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// A repaint asked for by another thread, naming the window by slot and generation.
constexpr UINT kRepaintRequest = WM_APP + 1;

// The message last taken, dispatched as the system gave it: a timer tick carries its procedure,
// a key press is translated to characters.
thread_local MSG lastTaken{};
// The same message as the toolkit was given it, in logical units.
thread_local Message lastHandedOut{};

// The loop's own message-only window: other threads post to it, and every modal loop (a menu,
// a message box, the folder browser) dispatches to it too.
LRESULT CALLBACK LoopWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRepaintRequest) {
        const NativeWindow w(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
        InvalidateWindow(w, true);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::atomic<HWND>& LoopWindow() {
    static std::atomic<HWND> window{nullptr};
    return window;
}

void MakeLoopWindowOnce() {
    if (LoopWindow().load(std::memory_order_acquire)) {
        return;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &LoopWindowProc;
    windowClass.hInstance = backend::ModuleInstance();
    windowClass.lpszClassName = L"KestrelLoop";
    RegisterClassExW(&windowClass);
    LoopWindow().store(CreateWindowExW(0, L"KestrelLoop", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       backend::ModuleInstance(), nullptr),
                       std::memory_order_release);
}

// Asked only with the system's queue empty, so every window has had its paint: the work is
// due, unless it waits for a window that is not shown yet and the second has not passed.
bool SettledWorkReady(bool queueEmpty) {
    return settling::NextDue([queueEmpty](NativeWindow) { return queueEmpty; });
}

bool RunSettledWork(bool queueEmpty) {
    return settling::RunNext([queueEmpty](NativeWindow) { return queueEmpty; });
}

bool WaitAtMost(DWORD timeoutMs) {
    if (const long settleMs = settling::MsUntilLatest(); settleMs >= 0) {
        timeoutMs = std::min<DWORD>(timeoutMs, static_cast<DWORD>(settleMs));
    }
    return MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
           WAIT_TIMEOUT;
}

}  // namespace

void WaitMessage() {
    MakeLoopWindowOnce();
    WaitAtMost(INFINITE);
}

bool WaitMessageFor(unsigned timeoutMs) {
    MakeLoopWindowOnce();
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        MSG peeked;
        if (::PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE) || SettledWorkReady(true)) {
            return true;
        }
        WaitAtMost(static_cast<DWORD>(left));
    }
}

bool PeekMessage(Message& out) {
    MakeLoopWindowOnce();
    // Work held up past its second by a queue that never empties goes first.
    if (RunSettledWork(false)) {
        return PeekMessage(out);
    }
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        const NativeWindow w = backend::RecordOf(msg.hwnd);
        if (!w) {
            // The loop's own window, the system's dialogs, and thread messages.
            DispatchMessageW(&msg);
            continue;
        }
        lastTaken = msg;
        out =
            Message{w, msg.message, msg.wParam, backend::LogicalParam(w, msg.message, msg.lParam)};
        lastHandedOut = out;
        return true;
    }
    // The work may have posted messages or invalidated windows of its own.
    return RunSettledWork(true) && PeekMessage(out);
}

MessageResult DispatchMessage(const Message& message) {
    HWND hwnd = backend::HandleOf(message.window);
    if (hwnd && lastTaken.hwnd == hwnd && lastHandedOut.message == message.message &&
        lastHandedOut.wParam == message.wParam && lastHandedOut.lParam == message.lParam) {
        const MSG taken = lastTaken;
        lastTaken = MSG{};
        return DispatchMessageW(&taken);
    }
    return SendMessage(message.window, message.message, message.wParam, message.lParam);
}

MessageResult SendMessage(NativeWindow window, MessageId message, WParam wParam, LParam lParam) {
    if (!backend::Alive(window) || window->dying) {
        return 0;
    }
    if (window->proc) {
        return window->proc(window, message, wParam, lParam);
    }
    return DefaultWindowProc(window, message, wParam, lParam);
}

void InvalidateWindow(NativeWindow window, bool withDescendants) {
    if (HWND hwnd = backend::HandleOf(window)) {
        RedrawWindow(hwnd, nullptr, nullptr,
                     RDW_INVALIDATE | (withDescendants ? RDW_ALLCHILDREN : RDW_NOCHILDREN));
    }
}

bool GetUpdateRect(NativeWindow window, Rect* out) {
    RECT rect{};
    HWND hwnd = backend::HandleOf(window);
    const bool any = hwnd && ::GetUpdateRect(hwnd, &rect, FALSE);
    if (out) {
        *out = any ? backend::Grid(window).CoveringLogical(
                         Rect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top})
                   : Rect{};
    }
    return any;
}

void ValidateWindow(NativeWindow window) {
    if (HWND hwnd = backend::HandleOf(window)) {
        ValidateRect(hwnd, nullptr);
    }
}

void UpdateWindow(NativeWindow window) {
    if (HWND hwnd = backend::HandleOf(window)) {
        ::UpdateWindow(hwnd);
    }
}

void RunWhenSettled(NativeWindow window, std::function<void()> work) {
    settling::Add(window, std::move(work));
}

void PostRepaintFromAnyThread(NativeWindow window) {
    HWND loop = LoopWindow().load(std::memory_order_acquire);
    if (window && loop) {
        PostMessageW(loop, kRepaintRequest, window.Slot(),
                     static_cast<LPARAM>(window.Generation()));
    }
}

}  // namespace platform
