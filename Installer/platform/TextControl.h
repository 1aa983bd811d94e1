// Native text controls: a read-only rich-text view or a plain edit field, each in a child window
// with a procedure of its own that the toolkit subclasses to route the control's input.
#pragma once

#include <memory>
#include <string>

#include "platform/Font.h"
#include "platform/Window.h"

namespace platform {

enum TextControlFlags : int {
    kTextReadOnly = 0x01,
    kTextCentered = 0x02,
    kTextPassword = 0x04,
    kTextMultiLine = 0x10,
    kTextRich = 0x20,  // a rich-text view instead of a plain edit field
};

// Creates a visible child text control. A rich control reads text that starts with "{\rtf" as
// RTF and any other text as plain UTF-8; a plain field takes the text as it is. Messages go to
// the control's own procedure until SubclassWindow installs another. Null without a parent.
NativeWindow CreateTextControl(NativeWindow parent, Point position, Size size,
                               const std::string& textUtf8, int flags);

// Installs `proc` as the window's procedure and returns the one it had, which the new
// procedure calls for whatever it passes on.
WindowProc SubclassWindow(NativeWindow window, WindowProc proc);

// The font of a plain edit field (a rich control takes its fonts from its document). The
// control keeps its own copy.
void SetTextControlFont(NativeWindow window, const Font& font);
// Blank pixels kept between the control's left and right edges and its text.
void SetTextControlMargins(NativeWindow window, int left, int right);
// The control sends its parent one kWmNotify carrying a RequestResizeNotify: the rectangle its
// whole content needs at its current width. It may come from inside this call, or later from
// the message loop once the control's window has first been drawn.
void RequestTextControlResize(NativeWindow window);

// The control's characters as UTF-8 (a rich control's without their formats).
std::string GetTextControlText(NativeWindow window);

// The selection as UTF-8 byte offsets into GetTextControlText's text, with the caret at one of
// its ends; start and end are equal when nothing is selected.
struct TextSelectionRange {
    int start = 0;
    int end = 0;
    int caret = 0;
};
TextSelectionRange GetTextControlSelectionRange(NativeWindow window);

}  // namespace platform
