// Per-window backend state behind a NativeWindow handle, and what the backend files share about
// windows: every HWND the toolkit knows has a record, reached from the handle through the slot
// table and from the HWND through a map.
#pragma once

#include <map>
#include <string>

#include "platform/Timer.h"
#include "platform/Window.h"
#include "platform/pixel_grid.h"
#include "platform/win32/windows_api.h"

namespace platform {

struct WindowIcon {
    HICON handle = nullptr;
    int width = 0;
};

enum class TextControlKind { None, Plain, Rich };

// What a text control was given in logical units, made again in pixels at each resolution.
struct TextControlLook {
    std::wstring fontFamily;  // empty: the field's own font
    float fontPixels = 0.0f;
    int fontStyle = 0;
    bool hasMargins = false;  // else the control's own
    int leftMargin = 0;
    int rightMargin = 0;
};

struct NativeWindowRecord {
    HWND hwnd = nullptr;
    NativeWindow self;
    bool topLevel = false;
    bool doubleClicks = false;
    // Set for a window (and its descendants and owned windows) that DestroyWindow is taking
    // down: the platform procedure hears nothing more of it.
    bool dying = false;
    // Top-level: a key was pressed in its tree. The system's own UI state may be set again by
    // activation (UIS_INITIALIZE), so the marks follow this.
    bool focusMarksShown = false;
    WindowProc proc = nullptr;
    void* userData = nullptr;
    // A system control (rich edit, edit field) routed through our procedure: its own.
    WNDPROC nativeProc = nullptr;
    TextControlKind textControl = TextControlKind::None;
    TextControlLook textLook;
    HFONT ownedFont = nullptr;  // a plain text field's copy of the toolkit's font
    Size minimumOuter;          // pixels
    // The window's pixels per logical unit (a child's is its top-level window's), and its place
    // and client size in logical units: a child's in its parent's client area, a top-level
    // window's on a screen of logical units.
    double scale = 1.0;
    Point logicalPosition;
    Size logicalSize;
    std::map<unsigned, TimerCallback> timers;
    WindowIcon bigIcon;
    WindowIcon smallIcon;
};

namespace backend {

inline bool Alive(NativeWindow w) {
    return w.operator->() != nullptr;
}
// The record of a window the backend made or adopted; a null handle for any other HWND.
NativeWindow RecordOf(HWND hwnd);
inline HWND HandleOf(NativeWindow w) {
    NativeWindowRecord* record = w.operator->();
    return record ? record->hwnd : nullptr;
}
HINSTANCE ModuleInstance();

// Gives a system control made by the backend (a window of another class, already created) a
// record, and routes its messages through the backend's procedure: `proc` hears them first and
// hands what it leaves to NativeControlProc, which runs the control's own procedure.
NativeWindow AdoptControl(HWND hwnd);
MessageResult NativeControlProc(NativeWindow window, MessageId message, WParam wParam,
                                LParam lParam);

// Scaling (dpi.cpp). Asks the system for per-monitor awareness once, before any window.
void BecomeDpiAware();
double SystemScale();
double WindowScale(HWND hwnd);
// The window's logical units to its pixels; the system's scale for a null handle.
PixelGrid Grid(NativeWindow w);
// Screen pixels at the window's scale.
PixelGrid ScreenGrid(NativeWindow w);
Rect ScreenToLogical(NativeWindow w, const Rect& screen);
// Gives the windows inside `parent` the pixels of their logical rectangles at its scale, after
// it moved or changed resolution.
void PlaceChildren(HWND parent);
// Gives a text control its font, margins and zoom at the window's scale (text_control.cpp).
void ScaleTextControl(NativeWindow w);
// The client size the window's logical size makes, in pixels.
Size PixelsOf(NativeWindow w);
// The logical client size for the client's pixels: the toolkit's own size when the pixels are
// what it makes, else the nearest (a user resized the window).
Size LogicalClientSize(NativeWindow w, Size pixels);
// Places and sizes in message parameters, from the system's pixels to logical units and back.
LParam LogicalParam(NativeWindow w, MessageId message, LParam lParam);
LParam PhysicalParam(NativeWindow w, MessageId message, LParam lParam);

}  // namespace backend
}  // namespace platform
