// The system's popup menu: a list of commands shown at a screen point and run modally.
#pragma once

#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Window.h"

namespace platform {

struct MenuItem {
    unsigned command = 0;
    std::string labelUtf8;
    bool checked = false;
};

// Shows the items with the menu's top-left corner at `screen`, moved as desktop menus are when
// that would leave the screen, and runs until the user picks an item or dismisses the menu.
// Returns the picked item's command; 0 when dismissed (a click outside, Escape), when there are
// no items, or when `owner` is not a live window or goes away meanwhile. Paints, timers and
// repaint requests keep being delivered while the menu is open; other input is dropped.
unsigned RunPopupMenu(const std::vector<MenuItem>& items, Point screen, NativeWindow owner);

}  // namespace platform
