// One paint of one object: colours and primitives drawn off screen, copied to the window in one
// step when the context ends. A context without a target only measures text.
#pragma once

#include <memory>

#include "draw/LwTypes.h"
#include "platform/Canvas.h"
#include "platform/Font.h"

class LwObject;

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
    void SetClip(const LwRect& r);

    // ---- Text and images: declared here, defined in LwPaintContextText.cpp and
    // ---- LwPaintContextImage.cpp, using font_, textColor_, hasTextBrush_ and canvas_.

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
