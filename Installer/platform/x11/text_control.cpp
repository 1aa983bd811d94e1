// Text controls on X: a child window whose procedure paints a rich view or an edit field, and
// turns the mouse and keys into selection, editing and the clipboard.
//
// Implemented: read-only rich view with mouse selection; edit field with caret, typing,
// Backspace/Delete, arrows, Home/End, Shift and mouse selection, double click selects a word,
// password dots, centring, read-only, several lines; Ctrl+A/C/X/V, PRIMARY on selection and
// middle-click paste. Not implemented: caret blinking, undo, word-wise moves with Ctrl.
#include "platform/TextControl.h"

#include <X11/cursorfont.h>

#include <memory>
#include <unordered_map>

#include "platform/Canvas.h"
#include "platform/Events.h"
#include "platform/x11/canvas_impl.h"
#include "platform/x11/edit_field.h"
#include "platform/x11/rich_view.h"
#include "platform/x11/selection.h"
#include "platform/x11/text_fonts.h"
#include "platform/x11/window_record.h"
#include "platform/x11/x11_display.h"

namespace platform {
namespace {

using backend::EditField;
using backend::SelectionKind;
using backend::TextRange;

constexpr WParam kMouseLeftFlag = 0x01;
constexpr WParam kMouseShiftFlag = 0x04;
constexpr Rgba kBackground{255, 255, 255, 255};

// Control characters as the keyboard types them with Ctrl held.
constexpr unsigned kCtrlA = 0x01;
constexpr unsigned kCtrlC = 0x03;
constexpr unsigned kCtrlV = 0x16;
constexpr unsigned kCtrlX = 0x18;

struct TextControl {
    int flags = 0;
    int marginLeft = 0;
    int marginRight = 0;
    EditField* edit = nullptr;  // the body of a plain field
    std::string unreadRtf;      // a rich control's document until it is first needed
    TextRange selection;
    bool selecting = false;  // a left-button drag is selecting
    bool shift = false;      // as of the key messages received so far
    bool focused = false;
    unsigned highSurrogate = 0;

    // Reading a long document is left until the control is used, as it is rarely first seen.
    backend::TextBody& Body() {
        if (!body) {
            body = std::make_unique<backend::RichView>(richtext::ReadRichText(unreadRtf));
            unreadRtf.clear();
        }
        return *body;
    }
    void SetBody(std::unique_ptr<backend::TextBody> made) { body = std::move(made); }

    bool Editable() const { return edit && !(flags & kTextReadOnly); }
    bool MultiLine() const { return flags & kTextMultiLine; }
    // Password characters are never handed out.
    bool Copyable() const { return !(flags & kTextPassword) && !selection.IsEmpty(); }
    std::string Selected() {
        const std::string& text = Body().Text();
        return text.substr(selection.Start(), selection.End() - selection.Start());
    }

  private:
    std::unique_ptr<backend::TextBody> body;
};

// Records are never freed, so a handle is a stable key; entries of destroyed windows are
// dropped when the next control is made.
std::unordered_map<NativeWindow, std::unique_ptr<TextControl>>& Controls() {
    static std::unordered_map<NativeWindow, std::unique_ptr<TextControl>> controls;
    return controls;
}

TextControl* Find(NativeWindow window) {
    if (!backend::Alive(window)) {
        return nullptr;
    }
    auto found = Controls().find(window);
    return found == Controls().end() ? nullptr : found->second.get();
}

// Lays the body out for the window's current size.
void Prepare(NativeWindow window, TextControl& control) {
    const int width = window->clientSize.width - control.marginLeft - control.marginRight;
    control.Body().SetWidth(width);
    if (control.edit) {
        control.edit->SetViewSize({width, window->clientSize.height});
    }
}

Point BodyPoint(const TextControl& control, LParam lParam) {
    return {PointParamX(lParam) - control.marginLeft, PointParamY(lParam)};
}

// Something the user sees changed: repaint, and keep a field's caret in view.
void Changed(NativeWindow window, TextControl& control) {
    if (control.edit) {
        Prepare(window, control);
        control.edit->ScrollTo(control.selection.caret);
    }
    InvalidateWindow(window, false);
}

void OfferPrimary(TextControl& control) {
    if (control.Copyable()) {
        backend::OfferSelection(SelectionKind::Primary, control.Selected());
    }
}

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

void Insert(NativeWindow window, TextControl& control, const std::string& text) {
    if (!control.Editable()) {
        return;
    }
    control.edit->Replace(control.selection, Sanitized(text, control.MultiLine()));
    Changed(window, control);
}

bool IsWordCharacter(const std::string& text, size_t offset) {
    return offset < text.size() && g_unichar_isalnum(g_utf8_get_char(text.data() + offset));
}

void SelectWord(TextControl& control, size_t offset) {
    const std::string& text = control.Body().Text();
    size_t start = offset;
    size_t end = offset;
    while (start > 0 && IsWordCharacter(text, backend::PreviousCharacter(text, start))) {
        start = backend::PreviousCharacter(text, start);
    }
    while (IsWordCharacter(text, end)) {
        end = backend::NextCharacter(text, end);
    }
    control.selection = {start, end};
}

void PressLeft(NativeWindow window, TextControl& control, MessageId message, WParam wParam,
               LParam lParam) {
    Prepare(window, control);
    const size_t offset = control.Body().OffsetAt(BodyPoint(control, lParam));
    if (message == kWmLButtonDblClk) {
        SelectWord(control, offset);
    } else if (wParam & kMouseShiftFlag) {
        control.selection.caret = offset;
    } else {
        control.selection = {offset, offset};
    }
    control.selecting = true;
    SetCapture(window);
    Changed(window, control);
}

void DragTo(NativeWindow window, TextControl& control, LParam lParam) {
    Prepare(window, control);
    const size_t offset = control.Body().OffsetAt(BodyPoint(control, lParam));
    if (offset != control.selection.caret) {
        control.selection.caret = offset;
        Changed(window, control);
    }
}

// Only what the ancestors leave visible is painted: the licence view is many screens tall.
void Paint(NativeWindow window, TextControl& control) {
    Prepare(window, control);
    const Rect visible = backend::VisiblePart(window);
    if (!visible.IsEmpty()) {
        Canvas canvas(window, visible);
        canvas.FillRect(visible, kBackground);
        cairo_t* cr = canvas.impl().cr;
        const Size size = window->clientSize;
        const int width = size.width - control.marginLeft - control.marginRight;
        cairo_save(cr);
        cairo_rectangle(cr, control.marginLeft, 0, std::max(0, width), size.height);
        cairo_clip(cr);
        control.Body().Paint(cr, {control.marginLeft, 0}, visible, control.selection,
                             control.edit && control.focused);
        cairo_restore(cr);
    }
    ValidateWindow(window);
}

// Caret keys: move, and with Shift held widen the selection instead of collapsing it.
bool MoveCaret(NativeWindow window, TextControl& control, WParam key) {
    EditField& edit = *control.edit;
    TextRange& s = control.selection;
    const std::string& text = edit.Text();
    size_t caret = s.caret;
    switch (key) {
        case kVkLeft:
            caret = !control.shift && !s.IsEmpty() ? s.Start()
                                                   : backend::PreviousCharacter(text, caret);
            break;
        case kVkRight:
            caret = !control.shift && !s.IsEmpty() ? s.End() : backend::NextCharacter(text, caret);
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

void KeyDown(NativeWindow window, TextControl& control, WParam key) {
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
        control.edit->DeleteForward(control.selection);
        Changed(window, control);
    }
}

void Character(NativeWindow window, TextControl& control, unsigned c) {
    switch (c) {
        case kCtrlA:
            control.selection = {0, control.Body().Text().size()};
            OfferPrimary(control);
            Changed(window, control);
            return;
        case kCtrlC:
        case kCtrlX:
            if (control.Copyable()) {
                backend::OfferSelection(SelectionKind::Clipboard, control.Selected());
                if (c == kCtrlX) {
                    Insert(window, control, {});
                }
            }
            return;
        case kCtrlV:
            Insert(window, control, backend::ReadSelection(SelectionKind::Clipboard));
            return;
        case '\b':
            if (control.Editable()) {
                control.edit->DeleteBackward(control.selection);
                Changed(window, control);
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

void ShowTextCursor(NativeWindow window) {
    Display* display = x11::Connection();
    if (display) {
        static const Cursor beam = XCreateFontCursor(display, XC_xterm);
        XDefineCursor(display, window->xid, beam);
    }
}

MessageResult TextControlProc(NativeWindow window, MessageId message, WParam wParam,
                              LParam lParam) {
    TextControl* control = Find(window);
    if (!control) {
        return DefaultWindowProc(window, message, wParam, lParam);
    }
    switch (message) {
        case kWmPaint:
            Paint(window, *control);
            return 0;
        case kWmSetFocus:
        case kWmKillFocus:
            control->focused = message == kWmSetFocus;
            control->shift = false;
            InvalidateWindow(window, false);
            return 0;
        case kWmGetDlgCode:
            return kDlgcWantArrows | kDlgcWantChars | kDlgcHasSetSel;
        case kWmLButtonDown:
        case kWmLButtonDblClk:
            control->shift = (wParam & kMouseShiftFlag) != 0;
            PressLeft(window, *control, message, wParam, lParam);
            return 0;
        case kWmMouseMove:
            ShowTextCursor(window);
            if (control->selecting && (wParam & kMouseLeftFlag)) {
                DragTo(window, *control, lParam);
            }
            return 0;
        case kWmLButtonUp:
            if (control->selecting) {
                control->selecting = false;
                if (GetCapture() == window) {
                    ReleaseCapture();
                }
                OfferPrimary(*control);
            }
            return 0;
        case kWmCaptureChanged:
            control->selecting = false;
            return 0;
        case kWmMButtonDown:
            if (control->Editable()) {
                Prepare(window, *control);
                const size_t offset = control->Body().OffsetAt(BodyPoint(*control, lParam));
                control->selection = {offset, offset};
                Insert(window, *control, backend::ReadSelection(SelectionKind::Primary));
            }
            return 0;
        case kWmKeyDown:
            KeyDown(window, *control, wParam);
            return 0;
        case kWmKeyUp:
            if (wParam == kVkShift) {
                control->shift = false;
            }
            return 0;
        case kWmChar:
            Character(window, *control, static_cast<unsigned>(wParam));
            return 0;
        case kWmMouseWheel:
            // A control as tall as its content has nothing to scroll; the page scrolls it.
            return 0;
        default:
            return DefaultWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace

NativeWindow CreateTextControl(NativeWindow parent, Point position, Size size,
                               const std::string& textUtf8, int flags) {
    NativeWindow window = CreateChildWindow(parent, position, size, &TextControlProc, true);
    if (!window) {
        return nullptr;
    }
    auto& controls = Controls();
    std::erase_if(controls, [](const auto& entry) { return !backend::Alive(entry.first); });
    auto control = std::make_unique<TextControl>();
    control->flags = flags;
    if (flags & kTextRich) {
        control->unreadRtf = textUtf8;
    } else {
        auto edit = std::make_unique<EditField>(Sanitized(textUtf8, flags & kTextMultiLine),
                                                flags & kTextMultiLine, flags & kTextCentered,
                                                flags & kTextPassword);
        control->edit = edit.get();
        control->SetBody(std::move(edit));
    }
    controls[window] = std::move(control);
    ShowTextCursor(window);
    return window;
}

WindowProc SubclassWindow(NativeWindow window, WindowProc proc) {
    if (!backend::Alive(window)) {
        return nullptr;
    }
    const WindowProc previous = window->proc;
    window->proc = proc;
    return previous;
}

void SetTextControlFont(NativeWindow window, const Font& font) {
    TextControl* control = Find(window);
    const PangoFontDescription* description = backend::DescriptionOf(font);
    if (control && control->edit && description) {
        control->edit->SetFont(description);
        InvalidateWindow(window, false);
    }
}

void SetTextControlMargins(NativeWindow window, int left, int right) {
    if (TextControl* control = Find(window)) {
        control->marginLeft = std::max(0, left);
        control->marginRight = std::max(0, right);
        InvalidateWindow(window, false);
    }
}

void RequestTextControlResize(NativeWindow window) {
    if (!Find(window) || !window->parent) {
        return;
    }
    // Laying a long document out costs more than drawing a whole window, and it is only seen
    // once the control is: the window's first picture comes before it.
    RunWhenSettled(window, [window] {
        TextControl* control = Find(window);
        if (!control || !window->parent) {
            return;
        }
        Prepare(window, *control);
        RequestResizeNotify notify;
        notify.header.from = window.Bits();
        notify.header.code = kEnRequestResize;
        // X coordinates are 16-bit: a taller window could be neither sized nor moved through.
        constexpr int kLargestExtent = 32767;
        notify.requested = {0, 0, window->clientSize.width,
                            std::min(control->Body().ContentHeight(), kLargestExtent)};
        SendMessage(window->parent, kWmNotify, 0, reinterpret_cast<LParam>(&notify));
    });
}

std::string GetTextControlText(NativeWindow window) {
    TextControl* control = Find(window);
    return control ? control->Body().Text() : std::string();
}

std::string GetTextControlSelection(NativeWindow window) {
    TextControl* control = Find(window);
    return control ? control->Selected() : std::string();
}

}  // namespace platform
