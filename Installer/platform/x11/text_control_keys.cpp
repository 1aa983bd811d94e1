// A text control's keyboard: caret keys, deleting, typing, the clipboard's shortcuts and undo.
#include <glib.h>

#include "platform/x11/selection.h"
#include "platform/x11/text_control_state.h"

namespace platform::backend {
namespace {

// Control characters as the keyboard types them with Ctrl held.
constexpr unsigned kCtrlA = 0x01;
constexpr unsigned kCtrlC = 0x03;
constexpr unsigned kCtrlV = 0x16;
constexpr unsigned kCtrlX = 0x18;
constexpr unsigned kCtrlZ = 0x1A;

// Runs an edit of the field, and keeps what it changed for Ctrl+Z.
template <typename Edit>
void EditUndoably(NativeWindow window, TextControlState& control, const Edit& edit) {
    std::string before = control.edit->Text();
    const TextRange selectionBefore = control.selection;
    edit();
    if (control.edit->Text() != before) {
        control.undoText = std::move(before);
        control.undoSelection = selectionBefore;
    }
    Changed(window, control);
}

// Puts the field back as it was before its last edit; a second Ctrl+Z redoes it, as the
// system's fields on Windows do.
void Undo(NativeWindow window, TextControlState& control) {
    if (!control.Editable() || !control.undoText) {
        return;
    }
    const std::string previous = *control.undoText;
    const TextRange previousSelection = control.undoSelection;
    EditUndoably(window, control, [&] {
        TextRange all{0, control.edit->Text().size()};
        control.edit->Replace(all, previous);
    });
    control.selection = previousSelection;
    Changed(window, control);
}

// Caret keys: move, and with Shift held widen the selection instead of collapsing it.
bool MoveCaret(NativeWindow window, TextControlState& control, WParam key) {
    EditField& edit = *control.edit;
    TextRange& s = control.selection;
    const std::string& text = edit.Text();
    size_t caret = s.caret;
    switch (key) {
        case kVkLeft:
            caret = !control.shift && !s.IsEmpty() ? s.Start() : PreviousCharacter(text, caret);
            break;
        case kVkRight:
            caret = !control.shift && !s.IsEmpty() ? s.End() : NextCharacter(text, caret);
            break;
        case kVkUp:
            caret = edit.LineAbove(caret);
            break;
        case kVkDown:
            caret = edit.LineBelow(caret);
            break;
        case kVkHome:
            caret = edit.LineStart(caret);
            break;
        case kVkEnd:
            caret = edit.LineEnd(caret);
            break;
        default:
            return false;
    }
    s.caret = caret;
    if (!control.shift) {
        s.anchor = caret;
    } else {
        OfferPrimary(control);
    }
    Changed(window, control);
    return true;
}

}  // namespace

std::string Sanitized(std::string text, bool multiLine) {
    if (!multiLine) {
        text = text.substr(0, text.find_first_of("\r\n"));
    }
    std::string clean;
    clean.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\0' || (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            continue;
        }
        clean += text[i] == '\r' ? '\n' : text[i];
    }
    if (g_utf8_validate(clean.data(), static_cast<gssize>(clean.size()), nullptr)) {
        return clean;
    }
    gchar* valid = g_utf8_make_valid(clean.data(), static_cast<gssize>(clean.size()));
    std::string result = valid;
    g_free(valid);
    return result;
}

void Insert(NativeWindow window, TextControlState& control, const std::string& text) {
    if (!control.Editable()) {
        return;
    }
    EditUndoably(window, control, [&] {
        control.edit->Replace(control.selection, Sanitized(text, control.MultiLine()));
    });
}

void KeyDown(NativeWindow window, TextControlState& control, WParam key) {
    if (key == kVkShift) {
        control.shift = true;
        return;
    }
    if (!control.edit) {
        return;
    }
    Prepare(window, control);
    if (MoveCaret(window, control, key)) {
        return;
    }
    if (key == kVkDelete && control.Editable()) {
        EditUndoably(window, control, [&] { control.edit->DeleteForward(control.selection); });
    }
}

void TypeCharacter(NativeWindow window, TextControlState& control, unsigned c) {
    switch (c) {
        case kCtrlA:
            control.selection = {0, control.Body().Text().size()};
            OfferPrimary(control);
            Changed(window, control);
            return;
        case kCtrlC:
        case kCtrlX:
            if (control.Copyable()) {
                OfferSelection(SelectionKind::Clipboard, control.Selected());
                if (c == kCtrlX) {
                    Insert(window, control, {});
                }
            }
            return;
        case kCtrlV:
            Insert(window, control, ReadSelection(SelectionKind::Clipboard));
            return;
        case kCtrlZ:
            Undo(window, control);
            return;
        case '\b':
            if (control.Editable()) {
                EditUndoably(window, control,
                             [&] { control.edit->DeleteBackward(control.selection); });
            }
            return;
        case '\r':
        case '\t':
            if (control.MultiLine()) {
                Insert(window, control, c == '\r' ? "\n" : "\t");
            }
            return;
        default:
            break;
    }
    if (c < 0x20 || c == 0x7F) {
        return;
    }
    // Characters beyond the first plane come as two UTF-16 halves.
    char32_t code = c;
    if (c >= 0xD800 && c < 0xDC00) {
        control.highSurrogate = c;
        return;
    }
    if (c >= 0xDC00 && c < 0xE000) {
        if (!control.highSurrogate) {
            return;
        }
        code = 0x10000 + ((control.highSurrogate - 0xD800) << 10) + (c - 0xDC00);
    }
    control.highSurrogate = 0;
    char utf8[6] = {};
    const int length = g_unichar_to_utf8(code, utf8);
    Insert(window, control, std::string(utf8, length));
}

}  // namespace platform::backend
