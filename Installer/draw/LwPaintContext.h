// One paint of one object: colours and primitives drawn off screen, copied to the window in one
// step when the context ends. A context without a target only measures text.
#pragma once

#include <memory>

#include "draw/LwTypes.h"
#include "platform/Canvas.h"
#include "platform/Font.h"

class LwObject;
class LwImage;

// Alignment bits of DrawText; 0 is top left. Right wins over centre when both are given.
enum LwTextAlign : int { AlignCenter = 1, AlignRight = 2, AlignMiddle = 4 };

class LwPaintContext {
  public:
    explicit LwPaintContext(LwObject* target);
    ~LwPaintContext();
    LwPaintContext(const LwPaintContext&) = delete;
    LwPaintContext& operator=(const LwPaintContext&) = delete;

    // The empty colour (all four bytes zero) removes the fill or the pen: nothing is drawn.
    void SetFillColor(const LwColor& color);
    void SetLineColor(const LwColor& color, float width);
    // Unlike the two above, the empty colour still makes a (fully transparent) text colour.
    void SetTextColor(const LwColor& color);

    // Fills r, then outlines (r.x, r.y, r.width - 1, r.height - 1): the outline lies inside.
    void DrawRect(const LwRect& r);
    // Top colour at the upper edge to bottom colour at the lower edge; pen and fill untouched.
    void FillGradient(const LwRect& r, const LwColor& top, const LwColor& bottom);
    // Both end points are drawn.
    void DrawLine(int x1, int y1, int x2, int y2);
    // The keyboard focus mark: every other pixel of r's outline (which lies inside r) in the
    // given colour, starting at the top-left corner; pen and fill untouched.
    void DrawFocusMark(const LwRect& r, const LwColor& color = kLwFocusMarkColor);
    void SetClip(const LwRect& r);

    // Text (LwPaintContextText.cpp). Sizes are pixels; style bits 1 bold, 2 italic, 4 underline,
    // others ignored. A family that is not installed falls back to the sans-serif.
    void SetFont(float size, const char* family, int style);
    // The whole-pixel size the text needs, wrapped at word boundaries inside the layout; a zero
    // width or height is unbounded. Only lines wholly inside a bounded height count.
    LwSize MeasureText(const char* text, const LwSize& layout);
    // With the current font and text colour; LwTextAlign bits. A zero box draws unwrapped from
    // its corner; nothing is clipped.
    void DrawText(const char* text, const LwRect& box, int align);

    // Images (LwPaintContextImage.cpp); an empty image draws nothing. A zero or negative width
    // or height draws at the image's own size.
    void DrawImage(const LwImage& image, const LwPoint& position, const LwSize& size);
    // The source rectangle, in image pixels, into the destination; equal sizes copy one to one.
    void DrawImagePart(const LwImage& image, const LwRect& destination, const LwRect& source);

  private:
    std::unique_ptr<platform::Canvas> canvas_;
    bool hasPen_ = false;
    LwColor lineColor_{};
    float lineWidth_ = 1.0f;
    bool hasFill_ = false;
    LwColor fillColor_{};
    bool hasTextBrush_ = false;
    LwColor textColor_{};
    std::unique_ptr<platform::Font> font_;
};
