// Who has the keyboard, the activation and the pointer, shared by the input and focus files.
#pragma once

#include <X11/Xlib.h>

#include "platform/Window.h"

namespace platform::backend {

struct InputState {
    NativeWindow focus = nullptr;
    NativeWindow active = nullptr;  // top-level window holding the X input focus
    NativeWindow capture = nullptr;
    unsigned heldModifiers = 0;  // of the key message being dispatched
    struct {
        NativeWindow window = nullptr;
        unsigned button = 0;
        Time time = 0;
        int rootX = 0;
        int rootY = 0;
    } lastPress;
};

// Loop thread only.
InputState& Input();

}  // namespace platform::backend
