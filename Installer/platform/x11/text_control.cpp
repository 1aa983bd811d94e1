// Text controls on X: a child window whose procedure paints a rich view or an edit field, and
// turns the mouse and keys into selection, editing and the clipboard.
//
// Implemented: read-only rich view with mouse selection; edit field with caret, typing,
// Backspace/Delete, arrows, Home/End, Shift and mouse selection, double click selects a word,
// password dots, centring, read-only, several lines; Ctrl+A/C/X/V, PRIMARY on selection and
// middle-click paste; a blinking caret; Ctrl+Z takes the last edit back. Not implemented:
// word-wise moves with Ctrl.
#include "platform/TextControl.h"

#include <X11/cursorfont.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <unordered_map>

#include "platform/Accessibility.h"
#include "platform/Canvas.h"
#include "platform/Events.h"
#include "platform/Timer.h"
#include "platform/x11/canvas_impl.h"
#include "platform/x11/edit_field.h"
#include "platform/x11/rich_view.h"
#include "platform/x11/selection.h"
#include "platform/x11/text_control_state.h"
#include "platform/x11/text_fonts.h"
#include "platform/x11/window_record.h"
#include "platform/x11/x11_display.h"

namespace platform {
namespace backend {

TextBody& TextControlState::Body() {
    if (!m_body) {
        m_body = std::make_unique<RichView>(richtext::ReadRichText(unreadRtf), scale);
        unreadRtf.clear();
    }
    return *m_body;
}

void Prepare(NativeWindow window, TextControlState& control) {
    const int width = window->clientSize.width - control.marginLeft - control.marginRight;
    control.Body().SetWidth(width);
    if (control.edit) {
        control.edit->SetViewSize({width, window->clientSize.height});
    }
}

void Changed(NativeWindow window, TextControlState& control) {
    if (control.edit) {
        Prepare(window, control);
        control.edit->ScrollTo(control.selection.caret);
        RestartBlink(window, control);
    }
    InvalidateWindow(window, false);
    if (control.selection != control.announcedSelection) {
        control.announcedSelection = control.selection;
        NotifyAccessible(window, AccessibleEvent::kCaret);
    }
}

void OfferPrimary(TextControlState& control) {
    if (control.Copyable()) {
        OfferSelection(SelectionKind::Primary, control.Selected());
    }
}

}  // namespace backend

namespace {

using backend::Changed;
using backend::EditField;
using backend::Insert;
using backend::OfferPrimary;
using backend::Prepare;
using backend::Sanitized;
using backend::SelectionKind;
using backend::TextControlState;

constexpr WParam kMouseLeftFlag = 0x01;
constexpr WParam kMouseShiftFlag = 0x04;
constexpr Rgba kBackground{255, 255, 255, 255};

// Records are never freed, so a handle is a stable key; entries of destroyed windows are
// dropped when the next control is made.
std::unordered_map<NativeWindow, std::unique_ptr<TextControlState>>& Controls() {
    static std::unordered_map<NativeWindow, std::unique_ptr<TextControlState>> controls;
    return controls;
}

TextControlState* Find(NativeWindow window) {
    if (!backend::Alive(window)) {
        return nullptr;
    }
    auto found = Controls().find(window);
    return found == Controls().end() ? nullptr : found->second.get();
}

// On and off for this long each, as the desktops' default blink.
constexpr unsigned kBlinkPhaseMs = 530;
constexpr unsigned kBlinkTimerId = 0x424C;

void Blink(NativeWindow window, MessageId, unsigned, uint32_t) {
    if (TextControlState* control = Find(window)) {
        control->caretOn = !control->caretOn;
        InvalidateWindow(window, false);
    }
}

// The control lays its text out in its window's pixels.
Point BodyPoint(NativeWindow window, const TextControlState& control, LParam lParam) {
    const Point pixel =
        backend::Grid(window).ToPixels(Point{PointParamX(lParam), PointParamY(lParam)});
    return {pixel.x - control.marginLeft, pixel.y};
}

bool IsWordCharacter(const std::string& text, size_t offset) {
    return offset < text.size() && g_unichar_isalnum(g_utf8_get_char(text.data() + offset));
}

void SelectWord(TextControlState& control, size_t offset) {
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

void PressLeft(NativeWindow window, TextControlState& control, MessageId message, WParam wParam,
               LParam lParam) {
    Prepare(window, control);
    const size_t offset = control.Body().OffsetAt(BodyPoint(window, control, lParam));
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

void DragTo(NativeWindow window, TextControlState& control, LParam lParam) {
    Prepare(window, control);
    const size_t offset = control.Body().OffsetAt(BodyPoint(window, control, lParam));
    if (offset != control.selection.caret) {
        control.selection.caret = offset;
        Changed(window, control);
    }
}

// Only what the ancestors leave visible is painted: the licence view is many screens tall.
void Paint(NativeWindow window, TextControlState& control) {
    Prepare(window, control);
    const Rect visible = backend::VisiblePart(window);
    if (!visible.IsEmpty()) {
        const Rect logicalVisible = backend::Grid(window).CoveringLogical(visible);
        Canvas canvas(window, logicalVisible);
        canvas.FillRect(logicalVisible, kBackground);
        cairo_t* cr = canvas.impl().cr;
        const Size size = window->clientSize;
        const int width = size.width - control.marginLeft - control.marginRight;
        cairo_save(cr);
        cairo_rectangle(cr, control.marginLeft, 0, std::max(0, width), size.height);
        cairo_clip(cr);
        control.Body().Paint(cr, {control.marginLeft, 0}, visible, control.selection,
                             control.edit && control.focused && control.caretOn);
        cairo_restore(cr);
    }
    ValidateWindow(window);
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
    TextControlState* control = Find(window);
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
            backend::RestartBlink(window, *control);
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
                const size_t offset = control->Body().OffsetAt(BodyPoint(window, *control, lParam));
                control->selection = {offset, offset};
                Insert(window, *control, backend::ReadSelection(SelectionKind::Primary));
            }
            return 0;
        case kWmKeyDown:
            backend::KeyDown(window, *control, wParam);
            return 0;
        case kWmKeyUp:
            if (wParam == kVkShift) {
                control->shift = false;
            }
            return 0;
        case kWmChar:
            backend::TypeCharacter(window, *control, static_cast<unsigned>(wParam));
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
    auto control = std::make_unique<TextControlState>();
    control->flags = flags;
    control->scale = window->scale;
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
    TextControlState* control = Find(window);
    const PangoFontDescription* description = backend::DescriptionOf(font);
    if (control && control->edit && description) {
        PangoFontDescription* scaled = pango_font_description_copy(description);
        pango_font_description_set_absolute_size(
            scaled, pango_font_description_get_size(description) * control->scale);
        control->edit->SetFont(scaled);
        pango_font_description_free(scaled);
        InvalidateWindow(window, false);
    }
}

void SetTextControlMargins(NativeWindow window, int left, int right) {
    if (TextControlState* control = Find(window)) {
        const PixelGrid grid = backend::Grid(window);
        control->marginLeft = grid.Thickness(std::max(0, left));
        control->marginRight = grid.Thickness(std::max(0, right));
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
        TextControlState* control = Find(window);
        if (!control || !window->parent) {
            return;
        }
        Prepare(window, *control);
        RequestResizeNotify notify;
        notify.header.from = window.Bits();
        notify.header.code = kEnRequestResize;
        // X coordinates are 16-bit: a taller window could be neither sized nor moved through.
        constexpr int kLargestExtent = 32767;
        const double scale = window->scale;
        const int height = static_cast<int>(std::ceil(control->Body().ContentHeight() / scale));
        notify.requested = {0, 0, window->logicalSize.width,
                            std::min(height, static_cast<int>(kLargestExtent / scale))};
        SendMessage(window->parent, kWmNotify, 0, reinterpret_cast<LParam>(&notify));
    });
}

std::string GetTextControlText(NativeWindow window) {
    TextControlState* control = Find(window);
    return control ? control->Body().Text() : std::string();
}

TextSelectionRange GetTextControlSelectionRange(NativeWindow window) {
    TextControlState* control = Find(window);
    if (!control) {
        return {};
    }
    const backend::TextRange& selection = control->selection;
    return {static_cast<int>(selection.Start()), static_cast<int>(selection.End()),
            static_cast<int>(selection.caret)};
}

void backend::RestartBlink(NativeWindow window, TextControlState& control) {
    control.caretOn = true;
    KillTimer(window, kBlinkTimerId);
    if (control.edit && control.focused && !std::getenv("KESTREL_NO_BLINK")) {
        SetTimer(window, kBlinkTimerId, kBlinkPhaseMs, &Blink);
    }
}

}  // namespace platform
