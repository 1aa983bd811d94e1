// The selected characters of a text control, cut from its text where the control says its
// selection lies: what a client that reads the range (a screen reader) gets.
#pragma once

#include <string>

#include "platform/TextControl.h"

namespace testsupport {

inline std::string SelectedText(platform::NativeWindow window) {
    const platform::TextSelectionRange range = platform::GetTextControlSelectionRange(window);
    return platform::GetTextControlText(window).substr(
        static_cast<size_t>(range.start), static_cast<size_t>(range.end - range.start));
}

}  // namespace testsupport
