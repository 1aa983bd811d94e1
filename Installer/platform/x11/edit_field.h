// The plain edit field's content: its text, laid out in one font, edited at a selection, with
// password characters, centring, several lines and scrolling to the caret.
#pragma once

#include <pango/pango.h>

#include <string>
#include <string_view>

#include "platform/x11/text_body.h"

namespace platform::backend {

class EditField final : public TextBody {
  public:
    EditField(std::string text, bool multiLine, bool centered, bool password);
    ~EditField() override;
    EditField(const EditField&) = delete;
    EditField& operator=(const EditField&) = delete;

    // A copy of the description is kept.
    void SetFont(const PangoFontDescription* description);
    // The visible area, less the margins: what scrolling keeps the caret inside.
    void SetViewSize(Size size);

    void SetWidth(int width) override;
    int ContentHeight() override;
    void Paint(cairo_t* cr, Point origin, const Rect& visible, const TextRange& selection,
               bool showCaret) override;
    size_t OffsetAt(Point point) override;
    const std::string& Text() const override { return text_; }

    // Editing at the selection; each leaves an empty selection at the new caret.
    void Replace(TextRange& selection, std::string_view with);
    void DeleteBackward(TextRange& selection);
    void DeleteForward(TextRange& selection);

    // Caret positions reached from `offset` by one key.
    size_t LineStart(size_t offset);
    size_t LineEnd(size_t offset);
    size_t LineAbove(size_t offset);
    size_t LineBelow(size_t offset);

    // Scrolls so that the caret at `offset` is in view.
    void ScrollTo(size_t offset);

  private:
    void Relayout();
    // Password fields show one dot per character: offsets in the text and indexes in the
    // shown text then differ.
    int ToShown(size_t offset) const;
    size_t FromShown(int index) const;
    // Top left of the layout relative to the view's origin, scrolling and centring included.
    Point LayoutOrigin();
    size_t LineStep(size_t offset, int direction);

    std::string text_;
    bool multiLine_;
    bool centered_;
    bool password_;
    PangoLayout* layout_ = nullptr;
    int width_ = 0;
    Size view_;
    Point scroll_;
};

}  // namespace platform::backend
