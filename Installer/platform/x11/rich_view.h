// A rich-text document laid out with pango, one layout per paragraph, for the rich text control.
#pragma once

#include <pango/pango.h>

#include <vector>

#include "platform/x11/text_body.h"
#include "richtext/rich_document.h"

namespace platform::backend {

class RichView final : public TextBody {
  public:
    // `scale`: the window's pixels per logical unit; the document's sizes are 96 dpi ones.
    RichView(const richtext::Document& document, double scale);
    ~RichView() override;
    RichView(const RichView&) = delete;
    RichView& operator=(const RichView&) = delete;

    void SetWidth(int width) override;
    int ContentHeight() override;
    void Paint(cairo_t* cr, Point origin, const Rect& visible, const TextRange& selection,
               bool showCaret) override;
    size_t OffsetAt(Point point) override;
    const std::string& Text() const override { return text_; }

  private:
    // One paragraph: its layout, where its characters start in the text, and its place.
    struct Block {
        PangoLayout* layout = nullptr;
        size_t start = 0;
        size_t length = 0;
        richtext::ParagraphFormat format;
        // Pixels, relative to the view's origin; set by SetWidth.
        int x = 0;
        int y = 0;
        int height = 0;
    };

    double scale_ = 1.0;
    std::vector<Block> blocks_;
    std::string text_;
    int width_ = -1;
    int height_ = 0;
};

}  // namespace platform::backend
