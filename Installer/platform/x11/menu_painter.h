// How a popup menu looks: a plain light desktop menu of rows with check marks, and scroll
// arrows when it is taller than the screen.
#pragma once

#include <vector>

#include "platform/Font.h"
#include "platform/Menu.h"
#include "platform/Window.h"
#include "platform/x11/menu_layout.h"

namespace platform::menu {

class MenuPainter {
  public:
    MenuPainter();

    // The width of the rows' contents, labels and check column included; measuring stops once
    // a label is as wide as `areaWidth`.
    int ContentWidth(const std::vector<MenuItem>& items, int areaWidth);
    // The whole menu into `window`, the item `highlight` lit (-1: none).
    void Paint(NativeWindow window, const MenuLayout& layout, const std::vector<MenuItem>& items,
               int highlight);

  private:
    Font m_font;
};

}  // namespace platform::menu
