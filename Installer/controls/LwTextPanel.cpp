// The text panel: measured at 20 pixels less than its width, painted in grey on its background.
#include "controls/LwTextPanel.h"

#include "draw/LwPaintContext.h"

namespace {

constexpr float kFontSize = 11.0f;
constexpr const char* kFontFamily = "Tahoma";
constexpr int kWrapMargin = 20;
constexpr int kMeasureHeight = 1000;
constexpr LwColor kTextColor = LwGrey(200);
constexpr LwColor kSelectedTextColor = LwGrey(255);
constexpr LwColor kSelectionColor{0, 120, 215, 255};

}  // namespace

LwTextPanel::LwTextPanel(LwObject* parent, const LwPoint& position, const LwSize& size)
    : LwPanel(parent, position, size) {}

LwTextPanel::~LwTextPanel() = default;

void LwTextPanel::SetText(const std::string& textUtf8) {
    // A measuring context: same font and width as a context on the panel, without touching
    // the window before the repaint.
    LwPaintContext measure(nullptr);
    const int width = GetSize().width;
    text_ = textUtf8;
    allSelected_ = false;
    measure.SetFont(kFontSize, kFontFamily, 0);
    const LwSize needed = measure.MeasureText(text_.c_str(), LwSize{WrapWidth(), kMeasureHeight});
    SetSize(LwSize{width, needed.height});
    NotifyAccessible(platform::AccessibleEvent::kName);
    Invalidate();
}

void LwTextPanel::SelectAll(bool selected) {
    if (selected != allSelected_) {
        allSelected_ = selected;
        Invalidate();
    }
}

void LwTextPanel::DescribeAccessible(platform::AccessibleInfo& info) {
    LwPanel::DescribeAccessible(info);
    info.role = accessibleRole;
    if (accessibleRole == platform::AccessibleRole::kStaticText) {
        info.name = text_;  // a document's text is read as text, not as its name
    }
    info.hasText = true;
    info.text = text_;
    if (allSelected_) {
        info.selectionStart = 0;
        info.selectionEnd = static_cast<int>(text_.size());
    }
}

int LwTextPanel::LineWidth(const std::string& textUtf8) {
    LwPaintContext measure(nullptr);
    measure.SetFont(kFontSize, kFontFamily, 0);
    return measure.MeasureText(textUtf8.c_str(), LwSize{0, 0}).width;
}

int LwTextPanel::WrapWidth() {
    return GetSize().width - kWrapMargin;
}

void LwTextPanel::OnPaint() {
    LwPaintContext paint(this);
    const LwSize size = GetSize();
    paint.SetTextColor(allSelected_ ? kSelectedTextColor : kTextColor);
    // Every background is painted, magenta included.
    paint.SetFillColor(allSelected_ ? kSelectionColor : GetBackgroundColor());
    paint.DrawRect(LwRect{0, 0, size.width, size.height});
    paint.SetFont(kFontSize, kFontFamily, 0);
    paint.DrawText(text_.c_str(), LwRect{0, 0, size.width, size.height}, 0);
}
