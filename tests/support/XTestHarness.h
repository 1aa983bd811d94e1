// What every GUI test needs: the test X server, a message pump with a deadline, real input
// through XTest, and pixels read back from the server.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/Events.h"
#include "platform/Geometry.h"
#include "platform/Window.h"

namespace testsupport {

using namespace std::chrono_literals;

// Points DISPLAY at the server named by KESTREL_TEST_XSERVER (a folder left by xserver.sh),
// or keeps DISPLAY as it is; false when there is no server to talk to.
bool UseTestDisplay();
// A window manager manages the test server.
bool WindowManagerPresent();

// Base of every GUI test: skips with a clear message when no X server can be reached, and
// destroys the windows a test registered with Track when it ends.
class GuiTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    platform::NativeWindow Track(platform::NativeWindow window);

  private:
    std::vector<platform::NativeWindow> windows_;
};

// Dispatches messages until `done` holds or the deadline passes; true when it held.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline = 5s);
// Dispatches whatever arrives during `span` (to check that something does not happen).
void PumpFor(std::chrono::milliseconds span);
// Handles everything the server has sent so far, paints included, until a round trip brings
// nothing new: what is on screen then is what the program drew, not an exposure it has yet to
// answer.
void Settle();
// Waits (pumping) until the server shows the window and the pointer can reach it, then settles.
bool WaitUntilViewable(platform::NativeWindow window, std::chrono::milliseconds deadline = 5s);

// XTest input. Points are in the window's client coordinates, placed where the server has the
// window now.
void MovePointer(platform::NativeWindow window, platform::Point client);
// The deepest window under the pointer is this one: nothing (a window manager's frame on its way
// out, say) stands between the pointer and it.
bool PointerIsOver(platform::NativeWindow window);
// Moves the pointer to the client point and follows the window until the pointer is over it
// there: a window manager may still be placing a new window, and a closed one's frame may still
// stand above it for a moment. False when that never came to pass.
bool MovePointerOnto(platform::NativeWindow window, platform::Point client,
                     std::chrono::milliseconds deadline = 5s);
void MovePointerToScreen(platform::Point screen);
// Where the server has a client point of the window now, whatever the backend last heard: a
// window manager may still be placing a new window.
platform::Point ScreenPointOnServer(platform::NativeWindow window, platform::Point client);
// The client area as the server has it: its screen position and size, in pixels.
platform::Rect ClientRectOnServer(platform::NativeWindow window);
// Moves the pointer to the screen's far corner, away from where test windows appear, so that
// none starts out under it.
void ParkPointer();
void PressButton(unsigned button);
void ReleaseButton(unsigned button);
// `times` quick clicks in a row: presses after the first may make double clicks.
void Click(unsigned button, int times = 1);
// One notch: positive away from the user (button 4), negative towards the user (button 5).
void WheelNotches(int notches);
// Presses and releases the key of an X keysym, with Shift when the symbol needs it.
void TapKey(unsigned long keysym);
void PressKey(unsigned long keysym);
void ReleaseKey(unsigned long keysym);

// Pixels of the window's client area as the server shows them (children included).
platform::Rgba ReadPixel(platform::NativeWindow window, int x, int y);
std::vector<platform::Rgba> ReadPixels(platform::NativeWindow window, const platform::Rect& r);
// Outer rectangle of the window's frame (or of the window itself without a manager), asked of
// the server directly rather than of the backend.
platform::Rect FrameRectFromServer(platform::NativeWindow window);
// Sends WM_DELETE_WINDOW as a window manager does for the close box.
void SendDeleteWindow(platform::NativeWindow window);
// The minimum and maximum sizes the window asks the window manager for (WM_NORMAL_HINTS);
// zero when not given.
platform::Size MinimumSizeHint(platform::NativeWindow window);
platform::Size MaximumSizeHint(platform::NativeWindow window);
// A format-32 property (atoms, cardinals, windows) or a text property of the window (null: the
// root window).
std::vector<unsigned long> ReadProperty32(platform::NativeWindow window, const char* name);
std::string ReadPropertyText(platform::NativeWindow window, const char* name);
unsigned long AtomNamed(const char* name);
unsigned long XWindowOf(platform::NativeWindow window);
// Asks for a new size as another client (a user dragging the frame) would.
void ResizeFromOutside(platform::NativeWindow window, platform::Size size);
// Gives the window the X input focus, as a window manager does when the user activates it.
void FocusFromOutside(platform::NativeWindow window);
// The window holding the X input focus is this one.
bool HoldsInputFocus(platform::NativeWindow window);
// Makes the server expose part of the window, as when something above it goes away.
void ExposeArea(platform::NativeWindow window, const platform::Rect& r);

// Sets the X resources of the test server's root window (RESOURCE_MANAGER, as xrdb does) for
// its lifetime: "Xft.dpi:\t192\n" asks new windows for twice the size. The resources there
// before come back afterwards.
class DesktopResources {
  public:
    explicit DesktopResources(const std::string& resources);
    ~DesktopResources();
    DesktopResources(const DesktopResources&) = delete;
    DesktopResources& operator=(const DesktopResources&) = delete;

  private:
    std::string previous_;
    bool hadPrevious_ = false;
};

}  // namespace testsupport
