// Test access to the backend's X objects, for harnesses that inject input and read pixels.
#pragma once

#include "platform/Window.h"

struct _XDisplay;

namespace platform::x11 {

// The backend's own connection (null without a server); use it on the loop thread only. Once it
// returns, the backend's font loading is done, and the test may change the environment.
_XDisplay* TestDisplay();
// The X window of a live native window, 0 otherwise.
unsigned long TestWindowId(NativeWindow window);

}  // namespace platform::x11
