// The check box's strip frames, hover outline, label and toggling.
#include "controls/LwCheckBox.h"

#include "draw/LwArtwork.h"
#include "draw/LwPaintContext.h"

namespace {

constexpr int kBoxSide = 14;
constexpr int kLabelledWidth = 200;
constexpr int kLabelX = 20;
constexpr uint8_t kBackgroundGrey = 45;
constexpr uint8_t kLabelGrey = 200;

}  // namespace

LwCheckBox::LwCheckBox(LwObject* parent, const LwPoint& position, bool* value,
                       const char* labelUtf8)
    : LwPanelControl(parent, position, LwSize{labelUtf8 ? kLabelledWidth : kBoxSide, kBoxSide}),
      value_(value),
      label_(labelUtf8 ? labelUtf8 : "") {
    image_.LoadFromResource(kLwCheckStripImageId);
    SetBackgroundColor(LwGrey(kBackgroundGrey));
}

LwCheckBox::~LwCheckBox() = default;

void LwCheckBox::OnMouseEvent(int code) {
    if (!value_) {
        return;
    }
    switch (code) {
        case kLwEventLeftUp:  // a click: the router's filter passes only a release after a press
            Toggle();
            return;
        case kLwEventEnter:
            hover_ = true;
            break;
        case kLwEventLeave:
            hover_ = false;
            break;
        default:
            return;
    }
    Invalidate();
}

bool LwCheckBox::OnKeyDown(unsigned key) {
    if (!value_ || key != platform::kVkSpace) {
        return false;
    }
    Toggle();
    return true;
}

void LwCheckBox::DescribeAccessible(platform::AccessibleInfo& info) {
    LwPanelControl::DescribeAccessible(info);
    info.role = platform::AccessibleRole::kCheckBox;
    info.name = label_;
    info.states |= platform::kAccessibleCheckable;
    if (value_ && *value_) {
        info.states |= platform::kAccessibleChecked;
    }
    if (value_) {
        info.actions = platform::kAccessibleToggle;
    }
}

void LwCheckBox::DoAccessibleAction(unsigned action) {
    if (value_ && action == platform::kAccessibleToggle &&
        platform::IsWindowEnabled(GetNativeWindow())) {
        Toggle();
    }
}

void LwCheckBox::Toggle() {
    NotifyChange(kLwChangeBefore);
    *value_ = !*value_;
    NotifyChange(kLwChangeAfter);
    NotifyAccessible(platform::AccessibleEvent::kState);
    Invalidate();
}

void LwCheckBox::PaintFocusMark(LwPaintContext& paint) {
    if (label_.empty()) {
        paint.DrawFocusMark(LwRect{0, 0, kBoxSide, kBoxSide});
        return;
    }
    const LwSize text = paint.MeasureText(label_.c_str(), LwSize{0, 0});
    paint.DrawFocusMark(LwRect{kLabelX - 2, 0, text.width + 4, kBoxSide});
}

void LwCheckBox::OnPaint() {
    LwPaintContext paint(this);
    const int frameX = value_ && *value_ ? kBoxSide : 0;
    paint.DrawImagePart(image_, LwRect{0, 0, kBoxSide, kBoxSide},
                        LwRect{frameX, 0, kBoxSide, kBoxSide});
    if (hover_) {
        paint.SetFillColor(kLwEmpty);
        paint.SetLineColor(kLwWhite, 1.0f);
        paint.DrawRect(LwRect{0, 0, kBoxSide, kBoxSide});
    }
    if (!label_.empty()) {
        paint.SetLineColor(kLwEmpty, 1.0f);
        paint.SetFillColor(GetBackgroundColor());
        // Wider than the box on purpose: the window clips it.
        paint.DrawRect(LwRect{kBoxSide, 0, kLabelledWidth, kBoxSide});
        paint.SetTextColor(LwGrey(kLabelGrey));
        paint.SetFont(fontSize, fontFamily.c_str(), 0);
        paint.DrawText(label_.c_str(), LwRect{kLabelX, 0, 0, 0}, 0);
    }
    if (ShowsFocusMark()) {
        PaintFocusMark(paint);
    }
}
