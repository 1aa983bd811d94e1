// The plain edit field: one pango layout of its text (or of dots for a password), the caret and
// selection painted over it, and the caret moves the keys make.
#include "platform/x11/edit_field.h"

#include <pango/pangocairo.h>

#include "platform/x11/text_fonts.h"

namespace platform::backend {
namespace {

// U+25CF BLACK CIRCLE, as password fields show every character.
constexpr std::string_view kPasswordDot = "\xE2\x97\x8F";
constexpr float kDefaultFontPixels = 11.0f;

size_t CharacterCount(const std::string& text, size_t end) {
    return static_cast<size_t>(g_utf8_strlen(text.data(), static_cast<gssize>(end)));
}

}  // namespace

EditField::EditField(std::string text, bool multiLine, bool centered, bool password)
    : text_(std::move(text)), multiLine_(multiLine), centered_(centered), password_(password) {
    layout_ = pango_layout_new(SharedPangoContext());
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, ResolveFamily("Verdana").c_str());
    pango_font_description_set_absolute_size(description, kDefaultFontPixels * PANGO_SCALE);
    pango_layout_set_font_description(layout_, description);
    pango_font_description_free(description);
    PangoAttrList* attributes = NewLayoutAttributes();
    pango_layout_set_attributes(layout_, attributes);
    pango_attr_list_unref(attributes);
    if (multiLine_) {
        pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
        if (centered_) {
            pango_layout_set_alignment(layout_, PANGO_ALIGN_CENTER);
        }
    } else {
        pango_layout_set_single_paragraph_mode(layout_, TRUE);
    }
    Relayout();
}

EditField::~EditField() {
    g_object_unref(layout_);
}

void EditField::SetFont(const PangoFontDescription* description) {
    pango_layout_set_font_description(layout_, description);
}

void EditField::SetViewSize(Size size) {
    view_ = size;
}

void EditField::SetWidth(int width) {
    if (width == width_) {
        return;
    }
    width_ = width;
    if (multiLine_) {
        pango_layout_set_width(layout_, std::max(1, width) * PANGO_SCALE);
    }
}

int EditField::ContentHeight() {
    PangoRectangle logical;
    pango_layout_get_extents(layout_, nullptr, &logical);
    return PANGO_PIXELS_CEIL(logical.y + logical.height);
}

void EditField::Relayout() {
    if (!password_) {
        pango_layout_set_text(layout_, text_.data(), static_cast<int>(text_.size()));
        return;
    }
    std::string shown;
    const size_t count = CharacterCount(text_, text_.size());
    shown.reserve(count * kPasswordDot.size());
    for (size_t i = 0; i < count; ++i) {
        shown += kPasswordDot;
    }
    pango_layout_set_text(layout_, shown.data(), static_cast<int>(shown.size()));
}

int EditField::ToShown(size_t offset) const {
    offset = std::min(offset, text_.size());
    if (!password_) {
        return static_cast<int>(offset);
    }
    return static_cast<int>(CharacterCount(text_, offset) * kPasswordDot.size());
}

size_t EditField::FromShown(int index) const {
    if (!password_) {
        return std::min(static_cast<size_t>(std::max(index, 0)), text_.size());
    }
    const size_t characters = static_cast<size_t>(std::max(index, 0)) / kPasswordDot.size();
    if (characters >= CharacterCount(text_, text_.size())) {
        return text_.size();
    }
    return static_cast<size_t>(
        g_utf8_offset_to_pointer(text_.data(), static_cast<glong>(characters)) - text_.data());
}

Point EditField::LayoutOrigin() {
    Point origin{-scroll_.x, -scroll_.y};
    if (centered_ && !multiLine_) {
        PangoRectangle logical;
        pango_layout_get_pixel_extents(layout_, nullptr, &logical);
        if (logical.width < view_.width) {
            origin.x += (view_.width - logical.width) / 2;
        }
    }
    return origin;
}

void EditField::Paint(cairo_t* cr, Point origin, const Rect& /*visible*/,
                      const TextRange& selection, bool showCaret) {
    const Point shift = LayoutOrigin();
    const Point at{origin.x + shift.x, origin.y + shift.y};
    PaintLayoutSelection(cr, layout_, at, ToShown(selection.Start()), ToShown(selection.End()));
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, at.x, at.y);
    pango_cairo_show_layout(cr, layout_);
    if (showCaret) {
        PangoRectangle caret;
        pango_layout_get_cursor_pos(layout_, ToShown(selection.caret), &caret, nullptr);
        cairo_rectangle(cr, at.x + PANGO_PIXELS(caret.x), at.y + PANGO_PIXELS(caret.y), 1,
                        PANGO_PIXELS(caret.height));
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

size_t EditField::OffsetAt(Point point) {
    const Point origin = LayoutOrigin();
    int index = 0;
    int trailing = 0;
    pango_layout_xy_to_index(layout_, (point.x - origin.x) * PANGO_SCALE,
                             (point.y - origin.y) * PANGO_SCALE, &index, &trailing);
    size_t offset = FromShown(index);
    for (; trailing > 0; --trailing) {
        offset = NextCharacter(text_, offset);
    }
    return offset;
}

void EditField::Replace(TextRange& selection, std::string_view with) {
    const size_t start = std::min(selection.Start(), text_.size());
    const size_t end = std::min(selection.End(), text_.size());
    text_.replace(start, end - start, with);
    selection.anchor = selection.caret = start + with.size();
    Relayout();
}

void EditField::DeleteBackward(TextRange& selection) {
    if (selection.IsEmpty()) {
        selection.anchor = PreviousCharacter(text_, selection.caret);
    }
    Replace(selection, {});
}

void EditField::DeleteForward(TextRange& selection) {
    if (selection.IsEmpty()) {
        selection.anchor = NextCharacter(text_, selection.caret);
    }
    Replace(selection, {});
}

size_t EditField::LineStart(size_t offset) {
    int line = 0;
    int x = 0;
    pango_layout_index_to_line_x(layout_, ToShown(offset), FALSE, &line, &x);
    return FromShown(pango_layout_get_line_readonly(layout_, line)->start_index);
}

size_t EditField::LineEnd(size_t offset) {
    int line = 0;
    int x = 0;
    pango_layout_index_to_line_x(layout_, ToShown(offset), FALSE, &line, &x);
    const PangoLayoutLine* l = pango_layout_get_line_readonly(layout_, line);
    size_t end = FromShown(l->start_index + l->length);
    // A wrapped line's end is the next line's start: stop before the space it broke at.
    if (line + 1 < pango_layout_get_line_count(layout_) && end > 0 && end <= text_.size() &&
        (text_[end - 1] == ' ' || text_[end - 1] == '\n')) {
        --end;
    }
    return end;
}

size_t EditField::LineAbove(size_t offset) {
    return LineStep(offset, -1);
}

size_t EditField::LineBelow(size_t offset) {
    return LineStep(offset, 1);
}

size_t EditField::LineStep(size_t offset, int direction) {
    int line = 0;
    int x = 0;
    pango_layout_index_to_line_x(layout_, ToShown(offset), FALSE, &line, &x);
    const int target = line + direction;
    if (target < 0 || target >= pango_layout_get_line_count(layout_)) {
        return offset;
    }
    int index = 0;
    int trailing = 0;
    pango_layout_line_x_to_index(pango_layout_get_line_readonly(layout_, target), x, &index,
                                 &trailing);
    size_t result = FromShown(index);
    for (; trailing > 0; --trailing) {
        result = NextCharacter(text_, result);
    }
    return result;
}

void EditField::ScrollTo(size_t offset) {
    PangoRectangle caret;
    pango_layout_get_cursor_pos(layout_, ToShown(offset), &caret, nullptr);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout_, nullptr, &logical);
    const int x = PANGO_PIXELS(caret.x);
    const int top = PANGO_PIXELS(caret.y);
    const int bottom = top + PANGO_PIXELS(caret.height);
    if (!multiLine_) {
        if (logical.width < view_.width) {
            scroll_.x = 0;
        } else if (x - scroll_.x > view_.width - 1) {
            scroll_.x = x - view_.width + 1;
        } else if (x < scroll_.x) {
            scroll_.x = x;
        }
        return;
    }
    if (bottom - scroll_.y > view_.height) {
        scroll_.y = bottom - view_.height;
    }
    if (top < scroll_.y) {
        scroll_.y = top;
    }
    scroll_.y = std::max(0, scroll_.y);
}

}  // namespace platform::backend
