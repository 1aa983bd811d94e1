// The message queue: wait, peek, dispatch, and the update regions that become paint messages.
#pragma once

#include <functional>

#include "platform/Messages.h"
#include "platform/Window.h"

namespace platform {

struct Message {
    NativeWindow window = nullptr;
    MessageId message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
};

// Blocks until a message can be taken, or returns at once when one is waiting.
void WaitMessage();
// As WaitMessage, but gives up after `timeoutMs`; true when a message is waiting.
bool WaitMessageFor(unsigned timeoutMs);
// Takes the next message. Input and posted messages come first; paint messages only when the
// queue holds nothing else, timer ticks after those.
bool PeekMessage(Message& out);
// Calls the window's procedure (a timer tick calls the timer's callback instead).
MessageResult DispatchMessage(const Message& message);
// Synchronous call of a window's procedure.
MessageResult SendMessage(NativeWindow window, MessageId message, WParam wParam, LParam lParam);

// Update regions are kept here: invalidation and exposure add to them.
void InvalidateWindow(NativeWindow window, bool withDescendants);
bool GetUpdateRect(NativeWindow window, Rect* out);
void ValidateWindow(NativeWindow window);
// Paints at once (a kWmPaint sent straight to the procedure) when the update region is not empty.
void UpdateWindow(NativeWindow window);

// Work that must not hold up a window's first picture. The loop runs it, in the order given,
// once nothing else waits and `window`'s top-level window is on the screen with nothing left to
// paint (or is not shown at all); at the latest a second after it was handed over. Work for a
// window destroyed meanwhile is dropped.
void RunWhenSettled(NativeWindow window, std::function<void()> work);

// Safe from any thread, and for a window that is already gone (then nothing happens): the
// loop thread invalidates the window and its descendants.
void PostRepaintFromAnyThread(NativeWindow window);

}  // namespace platform
