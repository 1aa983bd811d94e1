// Native windows: one per toolkit object, top-level or child. Every call on a null or destroyed
// window does nothing and returns a zero value.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Geometry.h"
#include "platform/Messages.h"

namespace platform {

struct NativeWindowRecord;  // backend-private

// A handle to a native window: a slot and the generation of the window in it. The backend frees
// a window's state when it is destroyed and reuses the slot; a handle kept past its window never
// reaches the later one, it simply names no window any more.
class NativeWindow {
  public:
    constexpr NativeWindow() = default;
    constexpr NativeWindow(std::nullptr_t) {}
    constexpr NativeWindow(uint32_t slot, uint32_t generation)
        : slot_(slot), generation_(generation) {}

    // Whether the handle was ever given a window, as a pointer's test against null is.
    constexpr explicit operator bool() const { return slot_ != 0; }
    friend constexpr bool operator==(NativeWindow, NativeWindow) = default;
    friend constexpr auto operator<=>(NativeWindow, NativeWindow) = default;

    // The backend's state of a live window, null otherwise (backend use only).
    NativeWindowRecord* operator->() const;

    constexpr uint32_t Slot() const { return slot_; }
    constexpr uint32_t Generation() const { return generation_; }
    // For message parameters that name a window.
    constexpr uint64_t Bits() const { return (uint64_t{generation_} << 32) | slot_; }
    static constexpr NativeWindow FromBits(uint64_t bits) {
        return {static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32)};
    }

  private:
    uint32_t slot_ = 0;  // 0: no window
    uint32_t generation_ = 0;
};

using WindowProc = MessageResult (*)(NativeWindow, MessageId, WParam, LParam);

struct TopLevelStyle {
    bool minimizeBox = false;
    bool resizable = false;   // maximise box and sizing frame
    bool borderless = false;  // no frame at all; overrides the two above
    bool topmost = false;
};

// Creates a hidden framed window whose client area has the given size, with its outer
// top-left corner at `outerPosition` (screen). `owner` (may be null) becomes transient-for.
NativeWindow CreateTopLevelWindow(NativeWindow owner, Point outerPosition, Size clientSize,
                                  const std::string& titleUtf8, const TopLevelStyle& style,
                                  WindowProc proc);
// Creates a visible borderless child at `position` in the parent's client area. Only windows
// made with `doubleClicks` turn a quick second press into a double-click message.
NativeWindow CreateChildWindow(NativeWindow parent, Point position, Size size, WindowProc proc,
                               bool doubleClicks);
// Destroys the window and its descendants. No message reaches their procedures afterwards.
void DestroyWindow(NativeWindow window);
bool IsWindow(NativeWindow window);

void SetUserData(NativeWindow window, void* data);
void* GetUserData(NativeWindow window);
// The procedure the backend calls for anything the toolkit leaves unhandled (the wheel goes on
// to the parent, for example).
MessageResult DefaultWindowProc(NativeWindow window, MessageId message, WParam wParam,
                                LParam lParam);

// Outer rectangle, screen coordinates (frame included when a window manager draws one).
Rect GetWindowRect(NativeWindow window);
// A child's position in its parent's client area, or a top-level window's outer corner on the
// screen, as last set or reported; asks the server nothing.
Point GetWindowPosition(NativeWindow window);
Size GetClientSize(NativeWindow window);
Point ScreenToClient(NativeWindow window, Point screen);
Point ClientToScreen(NativeWindow window, Point client);
// Outer size of a window of this style with the given client size (frame extents added).
Size OuterSizeForClient(NativeWindow window, Size clientSize);
// Moves a top-level window's outer corner, or a child's position in its parent's client area,
// and sets the client size. A repaint of the window follows when `repaint`.
void MoveWindow(NativeWindow window, Point position, Size clientSize, bool repaint);
void SetMinimumOuterSize(NativeWindow window, Size outerSize);

void ShowWindow(NativeWindow window, bool show);
bool IsWindowVisible(NativeWindow window);
void EnableWindow(NativeWindow window, bool enable);
bool IsWindowEnabled(NativeWindow window);
void SetWindowTitle(NativeWindow window, const std::string& titleUtf8);
// Pixels as 0xAARRGGBB, width × height, one call per icon size.
void AddWindowIcon(NativeWindow window, const uint32_t* argbPixels, int width, int height);

// The whole screen, every monitor included.
Size ScreenSize();
// The primary monitor's rectangle on the screen (the whole screen when monitors are unknown).
Rect PrimaryMonitor();
// Work area of the monitor nearest to the window, or to a rectangle of the screen: the
// desktop's work area cut to that monitor (the monitor itself without a desktop).
Rect WorkAreaNearest(NativeWindow window);
Rect WorkAreaNearest(const Rect& screenRect);

// Keyboard focus, mouse capture, leave tracking and the cursor.
void SetFocus(NativeWindow window);
NativeWindow GetFocus();
void SetCapture(NativeWindow window);
void ReleaseCapture();
NativeWindow GetCapture();
// Asks for one kWmMouseLeave when the pointer next leaves the window.
void TrackMouseLeave(NativeWindow window);
void SetArrowCursor(NativeWindow window);
// Where the pointer is now, in screen coordinates (not where the last message saw it).
Point GetCursorPos();

// Modifier keys held when the key message now being handled was sent.
enum KeyModifiers : unsigned { kShiftHeld = 1, kControlHeld = 2, kAltHeld = 4 };
unsigned HeldKeyModifiers();
// Focus marks of a top-level window and its descendants (any window of the tree names it):
// hidden when it is created, shown for good from the first key. Showing sends each window of
// the tree kWmUpdateUiState.
void ShowFocusMarks(NativeWindow window);
bool FocusMarksShown(NativeWindow window);

}  // namespace platform

template <>
struct std::hash<platform::NativeWindow> {
    size_t operator()(platform::NativeWindow w) const noexcept {
        return std::hash<uint64_t>()(w.Bits());
    }
};
