// The push button's look per state and its hover tracking.
#include "controls/LwSystemButton.h"

#include <cstdint>

#include "draw/LwPaintContext.h"
#include "platform/Window.h"

namespace {

struct ButtonGreys {
    uint8_t fill, top, left, bottom, right;
};

constexpr ButtonGreys kDisabledGreys{40, 80, 70, 8, 18};
constexpr ButtonGreys kHoverGreys{83, 138, 108, 19, 42};
constexpr ButtonGreys kIdleGreys{54, 119, 84, 12, 28};
constexpr uint8_t kDefaultFill = 75;
constexpr uint8_t kDefaultHoverFill = 95;
constexpr uint8_t kDisabledTextGrey = 100;
constexpr int kFocusMarkInset = 3;

bool IsDefaultLabel(const std::string& text) {
    return text.size() == 2 && (text[0] == 'O' || text[0] == 'o') &&
           (text[1] == 'K' || text[1] == 'k');
}

}  // namespace

LwSystemButton::LwSystemButton(LwObject* parent, const LwPoint& position, const LwSize& size,
                               const std::string& textUtf8)
    : LwPanel(parent, position, size), text_(textUtf8) {}

LwSystemButton::~LwSystemButton() = default;

void LwSystemButton::SetText(const std::string& textUtf8) {
    text_ = textUtf8;
    NotifyAccessible(platform::AccessibleEvent::kName);
}

void LwSystemButton::OnMouseEvent(int code) {
    switch (code) {
        case kLwEventEnter:
            hover_ = true;
            break;
        case kLwEventLeave:
            hover_ = false;
            break;
        case kLwEventLeftDown:  // no change of state, but a fresh look
        case kLwEventLeftUp:
        case kLwEventLeftDouble:
            break;
        default:
            return;
    }
    Invalidate();
}

void LwSystemButton::DescribeAccessible(platform::AccessibleInfo& info) {
    LwPanel::DescribeAccessible(info);
    info.role = platform::AccessibleRole::kPushButton;
    info.name = text_;
    info.actions = platform::kAccessiblePress;
}

void LwSystemButton::DoAccessibleAction(unsigned action) {
    if (action == platform::kAccessiblePress && platform::IsWindowEnabled(GetNativeWindow())) {
        FireEvent(kLwEventLeftUp);
    }
}

bool LwSystemButton::OnKeyDown(unsigned key) {
    if (key != platform::kVkReturn && key != platform::kVkSpace) {
        return false;
    }
    FireEvent(kLwEventLeftUp);
    return true;
}

void LwSystemButton::OnPaint() {
    LwPaintContext paint(this);
    const LwSize size = GetSize();
    const int right = size.width - 1;
    const int bottom = size.height - 1;
    const bool disabled = !platform::IsWindowEnabled(GetNativeWindow());
    const bool isDefault = IsDefaultLabel(text_);

    ButtonGreys greys = disabled ? kDisabledGreys : hover_ ? kHoverGreys : kIdleGreys;
    if (isDefault) {
        greys.fill = hover_ ? kDefaultHoverFill : kDefaultFill;
    }
    paint.SetFillColor(LwGrey(greys.fill));
    paint.DrawRect(LwRect{0, 0, right, bottom});
    // Later lines overwrite the corners they share with earlier ones.
    paint.SetLineColor(LwGrey(greys.left), 1.0f);
    paint.DrawLine(0, 0, 0, bottom);
    paint.SetLineColor(LwGrey(greys.top), 1.0f);
    paint.DrawLine(0, 0, right, 0);
    paint.SetLineColor(LwGrey(greys.bottom), 1.0f);
    paint.DrawLine(0, bottom, right, bottom);
    paint.SetLineColor(LwGrey(greys.right), 1.0f);
    paint.DrawLine(right, 0, right, bottom);

    paint.SetFont(static_cast<float>(fontSize), "Verdana", isDefault ? platform::kFontBold : 0);
    paint.SetTextColor(disabled ? LwGrey(kDisabledTextGrey) : textColor);
    paint.DrawText(text_.c_str(), LwRect{0, 0, size.width, size.height}, AlignCenter | AlignMiddle);
    if (ShowsFocusMark()) {
        paint.DrawFocusMark(LwRect{kFocusMarkInset, kFocusMarkInset,
                                   size.width - 2 * kFocusMarkInset,
                                   size.height - 2 * kFocusMarkInset});
    }
}
