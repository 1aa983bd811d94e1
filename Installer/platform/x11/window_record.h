// Per-window backend state behind a NativeWindow handle, and the helpers the backend files share.
#pragma once

#include <X11/Xlib.h>

#include <algorithm>
#include <span>
#include <vector>

#include "platform/Events.h"
#include "platform/Window.h"
#include "platform/pixel_grid.h"

struct pollfd;

namespace platform {

// A record lives from the window's creation to its destruction. Handles reach it through the
// slot table, which answers null for a handle whose window is gone, so every call on such a
// handle quietly does nothing; references between records are handles for the same reason.
struct NativeWindowRecord {
    ::Window xid = 0;
    bool topLevel = false;
    bool doubleClicks = false;
    bool shown = false;   // ShowWindow's last word (children are shown from creation)
    bool mapped = false;  // on the server: shown and not empty
    bool enabled = true;
    bool viewable = false;  // top-level: the server has mapped it
    bool focusOnMap = false;
    bool trackLeave = false;
    bool pointerInside = false;  // over the window's own pixels, not a child's
    WindowProc proc = nullptr;
    void* userData = nullptr;
    NativeWindow self;
    NativeWindow parent;  // child windows
    NativeWindow owner;   // top-level windows (transient-for)
    std::vector<NativeWindow> children;
    std::vector<NativeWindow> owned;  // top-level windows this one owns
    // Child: in the parent's client area. Top-level: the outer corner last asked for, or last
    // reported by the server or the window manager. Pixels, as the server has them.
    Point position;
    Size clientSize;
    // The same in the toolkit's logical units, which the window's scale turns into pixels
    // (`Grid`): a top-level window's place on a screen of logical units, a child's in its
    // parent's client area.
    double scale = 1.0;
    Point logicalPosition;
    Size logicalSize;
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
    bool managed = false;    // a window manager ran when the window was made
    bool iconAdded = false;  // _NET_WM_ICON holds images of ours
    // Request number of the last move or resize: older configure notices are out of date.
    unsigned long configureSerial = 0;
    NativeWindow lastFocus;        // gets the focus back when the window is activated
    bool focusMarksShown = false;  // top-level: a key was pressed in its tree
};

namespace backend {

inline bool Alive(NativeWindow w) {
    return w.operator->() != nullptr;
}
NativeWindow RecordOf(::Window xid);
// A record for a window the backend paints but does not route events of (its events go to the
// unrecorded-event handler); freed by its maker.
NativeWindow NewPaintOnlyRecord(::Window xid);
void FreePaintOnlyRecord(NativeWindow w);
NativeWindow TopLevelOf(NativeWindow w);
bool IsAncestorOrSelf(NativeWindow ancestor, NativeWindow w);
// Shown, and every ancestor shown too.
bool ShownDeep(NativeWindow w);
// Neither the window nor any ancestor is disabled.
bool EnabledDeep(NativeWindow w);
// Screen position of the client area's top-left corner.
Point ClientOrigin(NativeWindow w);
// The window's logical units to its pixels; a measuring grid (the desktop's scale) for a null
// handle.
PixelGrid Grid(NativeWindow w);
// Screen pixels to logical units and back, at the window's scale.
Point ScreenToLogical(NativeWindow w, Point screen);
Rect ScreenToLogical(NativeWindow w, const Rect& screen);
// The client area less what the ancestors' client areas cut off, in client coordinates: nothing
// else of the window reaches the screen.
Rect VisiblePart(NativeWindow w);
// X refuses empty windows; a zero-sized one is kept at one pixel and reports zero.
inline unsigned ServerExtent(int extent) {
    return static_cast<unsigned>(std::max(1, extent));
}

// Window-manager hints and frames (window_manager.cpp).
void SetMotifHints(NativeWindow w);
// Asks for the frame extents; waits for the answer only while nothing better is known.
void LearnFrameExtents(NativeWindow w);
void ApplyFrameExtents(NativeWindow w);
void ApplySizeHints(NativeWindow w);
// The window manager resized or moved a top-level window.
void TopLevelConfigured(NativeWindow w, const XConfigureEvent& event);

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

// The screen-reader bridge's GLib main context, polled with the queue (accessibility.cpp): its
// descriptors are appended to `fds`, its timeout shortens `waitMs`. Nothing while inactive.
void AddAccessibilityPoll(std::vector<pollfd>& fds, long& waitMs, int& priority);
void DispatchAccessibilityPoll(std::span<const pollfd> fds, int priority);

// Input state (input.cpp).
void TranslatePointerEvent(NativeWindow w, XEvent& event);
void TranslateKeyEvent(NativeWindow w, XKeyEvent& event);
void TranslateFocusEvent(NativeWindow w, const XFocusChangeEvent& event);
void TranslateCrossingEvent(NativeWindow w, const XCrossingEvent& event);
// Drops focus, capture and double-click state that points into a dying or hidden subtree.
void ForgetInputState(NativeWindow w, bool destroyed);
void MappedTopLevel(NativeWindow w);
// When the active window goes while its owner is still held disabled by another dialog, that
// dialog is activated: found before the window goes, handed over after.
NativeWindow SuccessorOnDestroy(NativeWindow w);
void HandOverActivation(NativeWindow successor);

// Timers (timer.cpp).
bool TakeDueTimer(Message& out);
// Milliseconds until the next tick is due; negative when no timer runs.
long MsUntilNextTimer();
void KillTimersOf(NativeWindow w);
// Calls the callback of a tick whose timer still runs; a tick of a killed timer does nothing.
MessageResult DispatchTimerTick(const Message& tick);

}  // namespace backend
}  // namespace platform
