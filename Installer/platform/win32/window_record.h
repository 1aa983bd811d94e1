// Per-window backend state behind a NativeWindow handle, and what the backend files share about
// windows: every HWND the toolkit knows has a record, reached from the handle through the slot
// table and from the HWND through a map.
#pragma once

#include <map>

#include "platform/Timer.h"
#include "platform/Window.h"
#include "platform/win32/windows_api.h"

namespace platform {

struct WindowIcon {
    HICON handle = nullptr;
    int width = 0;
};

enum class TextControlKind { None, Plain, Rich };

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
    HFONT ownedFont = nullptr;  // a plain text field's copy of the toolkit's font
    Size minimumOuter;
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

}  // namespace backend
}  // namespace platform
