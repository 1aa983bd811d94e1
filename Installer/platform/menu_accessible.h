// A popup menu as assistive technology reads it, the same on every backend: a menu whose parts
// are its items, the checked one selected, the highlighted one focused, each picked by its press.
#pragma once

#include <utility>
#include <vector>

#include "platform/Accessibility.h"
#include "platform/Menu.h"

namespace platform {

// `highlighted`: the item under the keyboard's highlight, or -1.
inline AccessibleInfo DescribeMenu(const std::vector<MenuItem>& items, int highlighted) {
    AccessibleInfo menu;
    menu.role = AccessibleRole::kMenu;
    menu.states = kAccessibleEnabled | kAccessibleVisible;
    for (const MenuItem& item : items) {
        const bool focused = static_cast<int>(menu.parts.size()) == highlighted;
        AccessibleInfo entry;
        entry.role = AccessibleRole::kMenuItem;
        entry.name = item.labelUtf8;
        entry.states = kAccessibleEnabled | kAccessibleVisible | kAccessibleFocusable |
                       kAccessibleSelectable | (item.checked ? kAccessibleSelected : 0u) |
                       (focused ? kAccessibleFocused : 0u);
        entry.actions = kAccessiblePress;
        menu.parts.push_back(std::move(entry));
    }
    return menu;
}

// The command that a client's kWmAccessibleAction picks: the pressed item's, or 0.
inline unsigned PickedMenuCommand(const std::vector<MenuItem>& items, WParam action, LParam part) {
    if (action != kAccessiblePress || part < 1 || static_cast<size_t>(part) > items.size()) {
        return 0;
    }
    return items[static_cast<size_t>(part - 1)].command;
}

}  // namespace platform
