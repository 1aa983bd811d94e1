// The combo box's menu builder: collects the items of one popup menu, shows it at a screen point
// and returns the command picked. It lives only while its menu is open.
#pragma once

#include <string>
#include <vector>

#include "draw/LwTypes.h"
#include "platform/Menu.h"

class LwComboBox;

class LwPopupMenu {
  public:
    explicit LwPopupMenu(LwComboBox* owner);
    ~LwPopupMenu();
    LwPopupMenu(const LwPopupMenu&) = delete;
    LwPopupMenu& operator=(const LwPopupMenu&) = delete;

    // Appends one item.
    void AddItem(unsigned id, const std::string& labelUtf8, bool checked);
    int GetCount() const { return static_cast<int>(items_.size()); }
    // Runs the menu modally with its top-left corner at `screen`, owned by the box's window.
    // Returns the picked item's id, or 0 when the menu was dismissed or the box's window went
    // away meanwhile.
    unsigned Track(const LwPoint& screen);

  private:
    LwComboBox* owner_;  // not owned
    std::vector<platform::MenuItem> items_;
};
