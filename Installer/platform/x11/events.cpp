// The message queue: X events become messages, update regions become paint messages, and the
// loop waits on the X connection and the cross-thread wake descriptor together.
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "platform/settling_queue.h"
#include "platform/x11/input_state.h"
#include "platform/x11/key_codes.h"
#include "platform/x11/selection.h"
#include "platform/x11/window_record.h"
#include "platform/x11/x11_display.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

std::deque<Message>& Queue() {
    static std::deque<Message> queue;
    return queue;
}

// Windows whose update region was empty when something was added; pruned lazily.
std::vector<NativeWindow>& Dirty() {
    static std::vector<NativeWindow> dirty;
    return dirty;
}

// Repaint requests from other threads. The handles are only resolved on the loop thread, where
// a request for a window that is gone is simply dropped.
struct RepaintRequests {
    std::mutex mutex;
    std::vector<NativeWindow> windows;
    std::atomic<bool> pending{false};  // lets the loop skip the lock when nothing was asked
};

RepaintRequests& Requests() {
    static RepaintRequests requests;
    return requests;
}

void TakeRepaintRequests() {
    RepaintRequests& requests = Requests();
    if (!requests.pending.load(std::memory_order_acquire)) {
        return;
    }
    std::vector<NativeWindow> windows;
    {
        std::lock_guard<std::mutex> lock(requests.mutex);
        windows.swap(requests.windows);
        requests.pending.store(false, std::memory_order_relaxed);
    }
    for (NativeWindow w : windows) {
        InvalidateWindow(w, true);
    }
}

// Reading the server costs a system call. While a burst of paints is being handed out it is
// enough to look at most once per millisecond; an idle loop always looks.
constexpr auto kReadInterval = std::chrono::milliseconds(1);
Clock::time_point lastRead;

backend::UnrecordedEventHandler unrecordedEventHandler = nullptr;

// Translates the events Xlib holds; with `fromSocket`, flushes and reads what the server sent.
void ReadServer(bool fromSocket) {
    Display* display = x11::Connection();
    if (!display) {
        return;
    }
    if (fromSocket) {
        lastRead = Clock::now();
    }
    while (XEventsQueued(display, fromSocket ? QueuedAfterFlush : QueuedAlready) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        backend::TranslateEvent(event);
    }
}

// Parents paint before their children, as their pictures lie underneath.
NativeWindow NextToPaint() {
    auto& dirty = Dirty();
    dirty.erase(
        std::remove_if(dirty.begin(), dirty.end(),
                       [](NativeWindow w) { return !backend::Alive(w) || w->update.IsEmpty(); }),
        dirty.end());
    NativeWindow best = nullptr;
    int bestDepth = 0;
    for (NativeWindow w : dirty) {
        if (!backend::ShownDeep(w)) {
            continue;
        }
        int depth = 0;
        for (NativeWindow p = w->parent; p; p = p->parent) {
            ++depth;
        }
        if (!best || depth < bestDepth) {
            best = w;
            bestDepth = depth;
        }
    }
    return best;
}

// Work waits for its top-level window to be on the screen with nothing left to paint, or not
// shown at all.
bool WindowSettled(NativeWindow window) {
    NativeWindow top = window;
    while (backend::Alive(top) && top->parent) {
        top = top->parent;
    }
    return !backend::Alive(top) || !top->shown || (top->viewable && !NextToPaint());
}

bool SettledWorkReady() {
    return settling::NextDue(WindowSettled);
}

bool RunSettledWork() {
    return settling::RunNext(WindowSettled);
}

bool MessageWaiting() {
    return !Queue().empty() || NextToPaint() || backend::MsUntilNextTimer() == 0 ||
           SettledWorkReady();
}

// Waits until a message can be taken or the deadline passes (none: wait for ever), or until one
// of `watched` (negative entries are skipped) has something to read or is closed.
bool WaitUntil(std::optional<Clock::time_point> deadline, std::span<const int> watched = {}) {
    std::vector<pollfd> fds = {{x11::WakeFd(), POLLIN, 0}, {-1, POLLIN, 0}};
    for (int fd : watched) {
        fds.push_back({fd, POLLIN, 0});
    }
    for (;;) {
        ReadServer(true);
        TakeRepaintRequests();
        if (MessageWaiting()) {
            return true;
        }
        long waitMs = -1;
        if (deadline) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
            if (left <= 0) {
                return false;
            }
            waitMs = left;
        }
        long timerMs = backend::MsUntilNextTimer();
        if (const long settleMs = settling::MsUntilLatest(); settleMs >= 0) {
            timerMs = timerMs < 0 ? settleMs : std::min(timerMs, settleMs);
        }
        if (timerMs >= 0 && (waitMs < 0 || timerMs < waitMs)) {
            waitMs = timerMs;
        }
        if (Display* display = x11::Connection()) {
            fds[1].fd = ConnectionNumber(display);
        }
        const size_t ownFds = fds.size();
        int glibPriority = 0;
        backend::AddAccessibilityPoll(fds, waitMs, glibPriority);
        poll(fds.data(), fds.size(), static_cast<int>(std::min<long>(waitMs, 1 << 30)));
        backend::DispatchAccessibilityPoll(std::span(fds).subspan(ownFds), glibPriority);
        fds.resize(ownFds);
        if (fds[0].revents & POLLIN) {
            x11::ClearWake();  // the requests themselves are taken at the top of the loop
        }
        for (size_t i = 2; i < ownFds; ++i) {
            if (fds[i].revents != 0) {
                return MessageWaiting();
            }
        }
    }
}

}  // namespace

namespace backend {

void WaitMessageOrReadable(std::span<const int> descriptors) {
    WaitUntil(std::nullopt, descriptors);
}

void PostMessage(NativeWindow w, MessageId message, WParam wParam, LParam lParam) {
    if (!Alive(w)) {
        return;
    }
    auto& queue = Queue();
    // Only the latest position of a run of moves matters, as on other systems.
    if (message == kWmMouseMove && !queue.empty() && queue.back().window == w &&
        queue.back().message == kWmMouseMove) {
        queue.back().wParam = wParam;
        queue.back().lParam = lParam;
        return;
    }
    queue.push_back({w, message, wParam, lParam});
}

void AddToUpdate(NativeWindow w, const Rect& r) {
    if (!Alive(w)) {
        return;
    }
    const Rect area = Intersect(r, {0, 0, w->clientSize.width, w->clientSize.height});
    if (area.IsEmpty()) {
        return;
    }
    if (w->update.IsEmpty()) {
        w->update = area;
        Dirty().push_back(w);
        return;
    }
    w->update = Union(w->update, area);
}

void ForgetQueued(NativeWindow w) {
    auto& queue = Queue();
    queue.erase(
        std::remove_if(queue.begin(), queue.end(), [w](const Message& m) { return m.window == w; }),
        queue.end());
}

void SetUnrecordedEventHandler(UnrecordedEventHandler handler) {
    unrecordedEventHandler = handler;
}

void TranslateEvent(XEvent& event) {
    if (TranslateSelectionEvent(event)) {
        return;
    }
    NativeWindow w = RecordOf(event.xany.window);
    if (!Alive(w)) {
        if (unrecordedEventHandler) {
            unrecordedEventHandler(event);
        }
        return;
    }
    switch (event.type) {
        case Expose:
            if (event.xexpose.serial > w->wholeInvalidSince) {
                AddToUpdate(w, {event.xexpose.x, event.xexpose.y, event.xexpose.width,
                                event.xexpose.height});
            }
            break;
        case ConfigureNotify:
            if (w->topLevel) {
                TopLevelConfigured(w, event.xconfigure);
            }
            break;
        case MapNotify:
            if (w->topLevel) {
                w->viewable = true;
                MappedTopLevel(w);
            }
            break;
        case UnmapNotify:
            if (w->topLevel) {
                w->viewable = false;
            }
            break;
        case PropertyNotify:
            if (event.xproperty.atom == x11::GetAtoms().netFrameExtents) {
                ApplyFrameExtents(w);
            }
            break;
        case ClientMessage:
            if (event.xclient.message_type == x11::GetAtoms().wmProtocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == x11::GetAtoms().wmDeleteWindow &&
                EnabledDeep(w)) {
                // A disabled window's close box does nothing, as its other input.
                PostMessage(w, kWmClose, 0, 0);
            }
            break;
        case ButtonPress:
        case ButtonRelease:
        case MotionNotify:
            TranslatePointerEvent(w, event);
            break;
        case EnterNotify:
        case LeaveNotify:
            TranslateCrossingEvent(w, event.xcrossing);
            break;
        case KeyPress:
        case KeyRelease:
            TranslateKeyEvent(w, event.xkey);
            break;
        case FocusIn:
        case FocusOut:
            TranslateFocusEvent(w, event.xfocus);
            break;
        default:
            break;
    }
}

}  // namespace backend

void RunWhenSettled(NativeWindow window, std::function<void()> work) {
    settling::Add(window, std::move(work));
}

void WaitMessage() {
    WaitUntil(std::nullopt);
}

bool WaitMessageFor(unsigned timeoutMs) {
    return WaitUntil(Clock::now() + std::chrono::milliseconds(timeoutMs));
}

bool PeekMessage(Message& out) {
    auto& queue = Queue();
    const bool busy = !queue.empty() || !Dirty().empty();
    ReadServer(!busy || Clock::now() - lastRead >= kReadInterval);
    TakeRepaintRequests();
    if (!queue.empty()) {
        out = queue.front();
        queue.pop_front();
        return true;
    }
    if (NativeWindow w = NextToPaint()) {
        out = {w, kWmPaint, 0, 0};
        return true;
    }
    if (backend::TakeDueTimer(out)) {
        return true;
    }
    // The work may have posted messages or invalidated windows of its own.
    return RunSettledWork() && PeekMessage(out);
}

MessageResult DispatchMessage(const Message& message) {
    if (message.message == kWmTimer) {
        return backend::DispatchTimerTick(message);
    }
    if (message.message == kWmKeyDown || message.message == kWmKeyUp ||
        message.message == kWmChar) {
        backend::Input().heldModifiers = backend::ModifiersOf(message.lParam);
    }
    return SendMessage(message.window, message.message, message.wParam, message.lParam);
}

MessageResult SendMessage(NativeWindow window, MessageId message, WParam wParam, LParam lParam) {
    if (!backend::Alive(window)) {
        return 0;
    }
    if (window->proc) {
        return window->proc(window, message, wParam, lParam);
    }
    return DefaultWindowProc(window, message, wParam, lParam);
}

MessageResult DefaultWindowProc(NativeWindow window, MessageId message, WParam wParam,
                                LParam lParam) {
    if (!backend::Alive(window)) {
        return 0;
    }
    switch (message) {
        case kWmPaint:
            // Nobody painted: the region is done with all the same, or it would come back forever.
            ValidateWindow(window);
            return 0;
        case kWmMouseWheel:
            // Wheel positions are screen coordinates, so the parent takes the message unchanged.
            return window->parent ? SendMessage(window->parent, message, wParam, lParam) : 0;
        default:
            return 0;
    }
}

void InvalidateWindow(NativeWindow window, bool withDescendants) {
    if (!backend::Alive(window)) {
        return;
    }
    backend::AddToUpdate(window, {0, 0, window->clientSize.width, window->clientSize.height});
    if (Display* display = x11::Connection()) {
        window->wholeInvalidSince = NextRequest(display) - 1;
    }
    if (withDescendants) {
        for (NativeWindow child : window->children) {
            InvalidateWindow(child, true);
        }
    }
}

bool GetUpdateRect(NativeWindow window, Rect* out) {
    const Rect update = backend::Alive(window) && !window->update.IsEmpty()
                            ? backend::Grid(window).CoveringLogical(window->update)
                            : Rect{};
    if (out) {
        *out = update;
    }
    return !update.IsEmpty();
}

void ValidateWindow(NativeWindow window) {
    if (backend::Alive(window)) {
        window->update = {};
    }
}

void UpdateWindow(NativeWindow window) {
    if (!backend::ShownDeep(window)) {
        return;
    }
    if (!window->update.IsEmpty()) {
        SendMessage(window, kWmPaint, 0, 0);
        if (!backend::Alive(window)) {
            return;  // the paint destroyed it
        }
    }
    // The children a paint leaves behind (a paint may create or destroy some) follow at once.
    const std::vector<NativeWindow> children = window->children;
    for (NativeWindow child : children) {
        UpdateWindow(child);
    }
}

void PostRepaintFromAnyThread(NativeWindow window) {
    if (!window) {
        return;
    }
    RepaintRequests& requests = Requests();
    {
        std::lock_guard<std::mutex> lock(requests.mutex);
        requests.windows.push_back(window);
        requests.pending.store(true, std::memory_order_release);
    }
    x11::SignalWake();
}

}  // namespace platform
