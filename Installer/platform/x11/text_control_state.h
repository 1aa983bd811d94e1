// A text control's record, and the steps of its window procedure that the files of its
// mouse and its keyboard share.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/Messages.h"
#include "platform/TextControl.h"
#include "platform/Window.h"
#include "platform/x11/edit_field.h"
#include "platform/x11/text_body.h"

namespace platform::backend {

struct TextControlState {
    int flags = 0;
    int marginLeft = 0;  // pixels
    int marginRight = 0;
    double scale = 1.0;         // the window's
    EditField* edit = nullptr;  // the body of a plain field
    std::string unreadRtf;      // a rich control's document until it is first needed
    TextRange selection;
    TextRange announcedSelection;  // as screen readers last heard of it
    bool selecting = false;        // a left-button drag is selecting
    bool shift = false;            // as of the key messages received so far
    bool focused = false;
    bool caretOn = true;  // the blink's phase
    unsigned highSurrogate = 0;
    // The field and its selection before the last edit, for Ctrl+Z.
    std::optional<std::string> undoText;
    TextRange undoSelection;

    // Reading a long document is left until the control is used, as it is rarely first seen.
    TextBody& Body();
    void SetBody(std::unique_ptr<TextBody> made) { m_body = std::move(made); }

    bool Editable() const { return edit && !(flags & kTextReadOnly); }
    bool MultiLine() const { return flags & kTextMultiLine; }
    // Password characters are never handed out.
    bool Copyable() const { return !(flags & kTextPassword) && !selection.IsEmpty(); }
    std::string Selected() {
        const std::string& text = Body().Text();
        return text.substr(selection.Start(), selection.End() - selection.Start());
    }

  private:
    std::unique_ptr<TextBody> m_body;
};

// Lays the body out for the window's current size.
void Prepare(NativeWindow window, TextControlState& control);
// Something the user sees changed: repaint, and keep a field's caret in view and shown.
void Changed(NativeWindow window, TextControlState& control);
// Shows a focused field's caret at once and starts its blink over (none with KESTREL_NO_BLINK
// set); stops it without the focus.
void RestartBlink(NativeWindow window, TextControlState& control);
void OfferPrimary(TextControlState& control);

// Text as a field takes it: one line unless it has several, no NULs, CR LF as LF, valid UTF-8.
std::string Sanitized(std::string text, bool multiLine);
// Replaces the selection with `text`, when the field is editable.
void Insert(NativeWindow window, TextControlState& control, const std::string& text);
void KeyDown(NativeWindow window, TextControlState& control, WParam key);
// A kWmChar: typing, the Ctrl shortcuts, and UTF-16 halves joined.
void TypeCharacter(NativeWindow window, TextControlState& control, unsigned c);

}  // namespace platform::backend
