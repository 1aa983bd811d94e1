// The paint context's fonts and text: family with fallback, measuring and aligned drawing.
#include "draw/LwPaintContext.h"

namespace {

// Bold, italic and underline; every other style bit is ignored.
constexpr int kStyleBits = platform::kFontBold | platform::kFontItalic | platform::kFontUnderline;
constexpr int kAlignBits = AlignCenter | AlignRight | AlignMiddle;
// The bits go to the platform as they are.
static_assert(int{AlignCenter} == int{platform::kTextAlignCenter} &&
              int{AlignRight} == int{platform::kTextAlignRight} &&
              int{AlignMiddle} == int{platform::kTextAlignMiddle});

}  // namespace

void LwPaintContext::SetFont(float size, const char* family, int style) {
    font_.reset();
    font_ = std::make_unique<platform::Font>(family ? family : "", size, style & kStyleBits);
}

LwSize LwPaintContext::MeasureText(const char* text, const LwSize& layout) {
    if (!font_ || !font_->IsValid() || !text) {
        return LwSize{};
    }
    return canvas_->MeasureText(*font_, text, layout);
}

void LwPaintContext::DrawText(const char* text, const LwRect& box, int align) {
    if (!font_ || !font_->IsValid() || !hasTextBrush_ || !text) {
        return;
    }
    canvas_->DrawText(*font_, text, box, align & kAlignBits, textColor_);
}
