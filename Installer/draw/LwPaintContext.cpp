// The paint context's colours and primitives on the platform canvas.
#include "draw/LwPaintContext.h"

#include "platform/Events.h"
#include "toolkit/LwObject.h"

namespace {

// Only a paint reaches the window: a context opened on an object with nothing to repaint (for
// measuring outside OnPaint) draws off screen, as a begun paint with an empty update region does.
platform::NativeWindow PaintedWindow(LwObject* target) {
    if (!target) {
        return nullptr;
    }
    LwRect update;
    return platform::GetUpdateRect(target->GetNativeWindow(), &update) ? target->GetNativeWindow()
                                                                       : nullptr;
}

}  // namespace

LwPaintContext::LwPaintContext(LwObject* target)
    : canvas_(std::make_unique<platform::Canvas>(PaintedWindow(target))) {}

LwPaintContext::~LwPaintContext() = default;

void LwPaintContext::SetFillColor(const LwColor& color) {
    hasFill_ = !color.IsEmpty();
    fillColor_ = color;
}

void LwPaintContext::SetLineColor(const LwColor& color, float width) {
    hasPen_ = !color.IsEmpty();
    lineColor_ = color;
    lineWidth_ = width;
}

void LwPaintContext::SetTextColor(const LwColor& color) {
    hasTextBrush_ = true;
    textColor_ = color;
}

void LwPaintContext::DrawRect(const LwRect& r) {
    if (hasFill_) {
        canvas_->FillRect(r, fillColor_);
    }
    if (hasPen_) {
        canvas_->StrokeRect(LwRect{r.x, r.y, r.width - 1, r.height - 1}, lineColor_, lineWidth_);
    }
}

void LwPaintContext::FillGradient(const LwRect& r, const LwColor& top, const LwColor& bottom) {
    canvas_->FillVerticalGradient(r, top, bottom);
}

void LwPaintContext::DrawLine(int x1, int y1, int x2, int y2) {
    if (hasPen_) {
        canvas_->DrawLine(x1, y1, x2, y2, lineColor_, lineWidth_);
    }
}

void LwPaintContext::DrawFocusMark(const LwRect& r, const LwColor& color) {
    if (r.width <= 0 || r.height <= 0) {
        return;
    }
    const int right = r.x + r.width - 1;
    const int bottom = r.y + r.height - 1;
    // Dots by their distance along the outline, so that the corners keep the rhythm.
    int along = 0;
    auto dot = [&](int x, int y) {
        if (along++ % 2 == 0) {
            canvas_->FillRect(LwRect{x, y, 1, 1}, color);
        }
    };
    for (int x = r.x; x < right; ++x) {
        dot(x, r.y);
    }
    for (int y = r.y; y < bottom; ++y) {
        dot(right, y);
    }
    for (int x = right; x > r.x; --x) {
        dot(x, bottom);
    }
    for (int y = bottom; y > r.y; --y) {
        dot(r.x, y);
    }
}

void LwPaintContext::SetClip(const LwRect& r) {
    canvas_->SetClip(r);
}
