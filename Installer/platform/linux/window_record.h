// Per-window backend state behind a NativeWindow handle, and the helpers the backend files share.
#pragma once

#include <X11/Xlib.h>

#include <span>
#include <vector>

#include "platform/Events.h"
#include "platform/Window.h"

namespace platform {

// Records are never freed before the process ends: a handle to a destroyed window stays a valid
// pointer whose `alive` is false, so every call on it can quietly do nothing.
struct NativeWindowRecord {
    ::Window xid = 0;
    bool alive = true;
    bool topLevel = false;
    bool doubleClicks = false;
    bool shown = false;  // ShowWindow's last word (children are shown from creation)
    bool enabled = true;
    bool viewable = false;  // top-level: the server has mapped it
    bool focusOnMap = false;
    bool trackLeave = false;
    bool pointerInside = false;  // over the window's own pixels, not a child's
    WindowProc proc = nullptr;
    void* userData = nullptr;
    NativeWindowRecord* parent = nullptr;  // child windows
    NativeWindowRecord* owner = nullptr;   // top-level windows (transient-for)
    std::vector<NativeWindowRecord*> children;
    Point position;  // child: in the parent's client area; top-level: last known outer corner
    Size clientSize;
    Rect update;  // bounding box of the update region, client coordinates
    // Serial of the last request sent before the whole window was last invalidated: exposures
    // the server made up to it are repainted by that invalidation's paint, sent after them.
    unsigned long wholeInvalidSince = 0;
    // Top-level windows only.
    TopLevelStyle style;
    int frameLeft = 0;
    int frameRight = 0;
    int frameTop = 0;
    int frameBottom = 0;
    Size minimumOuter;
    NativeWindowRecord* lastFocus = nullptr;  // gets the focus back when the window is activated
};

namespace backend {

inline bool Alive(NativeWindow w) {
    return w && w->alive;
}
NativeWindow RecordOf(::Window xid);
NativeWindow TopLevelOf(NativeWindow w);
bool IsAncestorOrSelf(NativeWindow ancestor, NativeWindow w);
// Shown, and every ancestor shown too.
bool ShownDeep(NativeWindow w);
// Neither the window nor any ancestor is disabled.
bool EnabledDeep(NativeWindow w);
// Screen position of the client area's top-left corner.
Point ClientOrigin(NativeWindow w);
void ApplyFrameExtents(NativeWindow w);
void ApplySizeHints(NativeWindow w);
// The window manager resized or moved a top-level window.
void TopLevelConfigured(NativeWindow w, int width, int height);

// Queue (events.cpp).
// Waits until a message can be taken or one of `descriptors` (negative entries are skipped) has
// something to read or is closed.
void WaitMessageOrReadable(std::span<const int> descriptors);
void PostMessage(NativeWindow w, MessageId message, WParam wParam, LParam lParam);
void AddToUpdate(NativeWindow w, const Rect& r);
void ForgetQueued(NativeWindow w);
void TranslateEvent(XEvent& event);
// Events of X windows that have no record (a popup menu's own window) go to this handler while
// one is set.
using UnrecordedEventHandler = void (*)(XEvent& event);
void SetUnrecordedEventHandler(UnrecordedEventHandler handler);

// Input state (input.cpp).
void TranslatePointerEvent(NativeWindow w, XEvent& event);
void TranslateKeyEvent(NativeWindow w, XKeyEvent& event);
void TranslateFocusEvent(NativeWindow w, const XFocusChangeEvent& event);
void TranslateCrossingEvent(NativeWindow w, const XCrossingEvent& event);
// Drops focus, capture and double-click state that points into a dying or hidden subtree.
void ForgetInputState(NativeWindow w, bool destroyed);
void MappedTopLevel(NativeWindow w);

// Timers (timer.cpp).
bool TakeDueTimer(Message& out);
// Milliseconds until the next tick is due; negative when no timer runs.
long MsUntilNextTimer();
void KillTimersOf(NativeWindow w);
// Calls the callback of a tick whose timer still runs; a tick of a killed timer does nothing.
MessageResult DispatchTimerTick(const Message& tick);

}  // namespace backend
}  // namespace platform
