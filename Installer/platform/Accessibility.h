// What assistive technology (screen readers) learns of a control, asked of the window's procedure
// by the backend, and the changes the toolkit announces. The backend exposes it through the
// system's accessibility API: AT-SPI on Linux, MSAA on Windows.
#pragma once

#include <string>
#include <vector>

#include "platform/Messages.h"
#include "platform/Window.h"

namespace platform {

enum class AccessibleRole {
    kPanel,  // a plain grouping: layout panels, pages
    kWindow,
    kDialog,
    kPushButton,
    kCheckBox,
    kComboBox,
    kMenu,
    kMenuItem,
    kScrollBar,
    kStaticText,
    kDocument,  // read-only text to read through: the licence, the summary
    kProgressBar,
};

enum AccessibleState : unsigned {
    kAccessibleFocusable = 1,
    kAccessibleFocused = 2,
    kAccessibleEnabled = 4,
    kAccessibleCheckable = 8,
    kAccessibleChecked = 16,
    kAccessibleExpanded = 32,
    kAccessibleVisible = 64,
    kAccessibleSelectable = 128,
    kAccessibleSelected = 256,  // a menu's current item
};

enum AccessibleAction : unsigned {
    kAccessiblePress = 1,
    kAccessibleToggle = 2,
    kAccessibleOpen = 4,
};

struct AccessibleInfo {
    AccessibleRole role = AccessibleRole::kPanel;
    std::string name;  // UTF-8, as everything here
    std::string description;
    unsigned states = 0;  // AccessibleState bits
    bool hasValue = false;
    double value = 0;
    double minimum = 0;
    double maximum = 0;
    std::string valueText;  // what the value reads as: "40%", the chosen item
    unsigned actions = 0;   // AccessibleAction bits
    bool hasText = false;   // text to read, with the caret and selection as UTF-8 byte offsets
    std::string text;
    int caret = -1;
    int selectionStart = -1;
    int selectionEnd = -1;
    // Pieces the window paints itself rather than through child windows (a page's text, the
    // progress), read before its child windows.
    std::vector<AccessibleInfo> parts;

    // The part that holds the keyboard inside the window (a menu's highlighted item), or -1.
    int FocusedPart() const {
        for (size_t i = 0; i < parts.size(); ++i) {
            if (parts[i].states & kAccessibleFocused) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
};

// Sent to a window's procedure with lParam pointing at an AccessibleInfo to fill in; the
// toolkit's own numbers, above the system's.
inline constexpr MessageId kWmGetAccessibleInfo = 0x8A11;
// Posted, never sent: a client's request runs on the loop after the request has been answered.
// wParam: one AccessibleAction; lParam: 0 for the window itself, 1 + n for its part n.
inline constexpr MessageId kWmAccessibleAction = 0x8A12;

enum class AccessibleEvent {
    kFocus,  // the window took the keyboard, or it moved to another of its parts
    kState,  // checked, enabled, expanded
    kName,   // its name or description
    kValue,  // its value, or the text or value of one of its parts
    kCaret,  // the caret or the selection of its text moved
    kShown,  // shown, or a dialog opened
    kHidden,
    kPartsChanged,  // the painted parts were replaced: a new page
};

// Starts the screen-reader bridge when assistive technology is advertised and not refused;
// nothing happens otherwise, or when it runs already.
void StartAccessibility();
// Tells the clients; does nothing while the bridge is not running.
void NotifyAccessible(NativeWindow window, AccessibleEvent event);

}  // namespace platform
