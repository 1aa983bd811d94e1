// The message dialog's layout from its measured message, its paint and its answers.
#include "controls/LwPopupDialog.h"

#include <memory>

#include "controls/LwSystemButton.h"
#include "draw/LwPaintContext.h"
#include "platform/Events.h"

namespace {

constexpr LwSize kInitialClientSize{250, 70};
constexpr int kButtonHeight = 35;
constexpr int kNarrowButtonWidth = 80;
constexpr int kWideButtonWidth = 120;
constexpr int kMessageTop = 15;
constexpr int kGapAboveButtons = 5;
constexpr int kSideMargins = 40;
constexpr int kBottomMargin = 10;
// Below the message: the rest of its spacer, the gap, the button row and the bottom margin.
constexpr int kBelowMessage = kMessageTop + kGapAboveButtons + kButtonHeight + kBottomMargin;
constexpr LwColor kBackground{47, 48, 51, 255};
constexpr LwColor kTextColor = LwGrey(200);
constexpr float kFontSize = 11.0f;
constexpr const char* kFontFamily = "Verdana";
constexpr unsigned kReturnKey = 13;
constexpr unsigned kEscapeKey = 27;

}  // namespace

LwPopupDialog::LwPopupDialog(LwObject* owner, const std::string& titleUtf8,
                             const std::string& messageUtf8, bool yesNo, bool yesMeansCancel)
    : LwWindow(owner, LwPoint{0, 0}, kInitialClientSize, titleUtf8, 0), message_(messageUtf8) {
    const LwSize buttonSize{yesMeansCancel ? kWideButtonWidth : kNarrowButtonWidth, kButtonHeight};
    auto addButton = [&](LwBoxLayout& row, const char* label, int tag) {
        auto* button = new LwSystemButton(this, LwPoint{0, 0}, buttonSize, label);
        button->eventHandler = AsEventHandler(&LwPopupDialog::OnButton);
        button->eventTarget = this;
        button->eventTag = tag;
        row.items.push_back(LwLayoutItem::Object(button, false));
        row.items.push_back(LwLayoutItem::Flexible(true));
    };
    auto row = std::make_unique<LwBoxLayout>(LwBoxLayout::kHorizontal);
    row->items.push_back(LwLayoutItem::Flexible(true));
    addButton(*row, !yesNo ? "OK" : yesMeansCancel ? "YES (CANCEL)" : "YES", 0);
    if (yesNo) {
        addButton(*row, "NO", 1);
    }

    LwPaintContext measure(nullptr);
    measure.SetFont(kFontSize, kFontFamily, 0);
    const LwSize text = measure.MeasureText(message_.c_str(), LwSize{0, 0});

    auto* column = new LwBoxLayout(LwBoxLayout::kVertical);
    column->items.push_back(LwLayoutItem::Spacer(text.height + kMessageTop * 2));
    column->items.push_back(LwLayoutItem::Spacer(kGapAboveButtons));
    column->items.push_back(LwLayoutItem::Layout(std::move(row), false));
    SetLayout(column);
    // The width follows the message alone; narrow messages let the buttons overflow.
    SetSize(LwSize{text.width + kSideMargins, column->NaturalSize().height + kBottomMargin});
    CenterOnOwner();
    Invalidate();
    platform::UpdateWindow(GetNativeWindow());
}

LwPopupDialog::~LwPopupDialog() = default;

void LwPopupDialog::DescribeAccessible(platform::AccessibleInfo& info) {
    LwWindow::DescribeAccessible(info);
    info.role = platform::AccessibleRole::kDialog;
    info.description = message_;
}

void LwPopupDialog::OnButton(int code) {
    if (code == kLwEventLeftUp) {  // a click that passed the click filter
        SetModalResult(eventSenderTag);
        Close();
    }
}

bool LwPopupDialog::OnChar(unsigned character) {
    if (character == kEscapeKey) {
        SetModalResult(1);
        Close();
    } else if (character == kReturnKey) {
        SetModalResult(0);
        Close();
    }
    return true;
}

void LwPopupDialog::OnPaint() {
    LwPaintContext paint(this);
    const LwSize size = GetSize();
    paint.SetFillColor(kBackground);
    paint.DrawRect(LwRect{0, 0, size.width, size.height});
    paint.SetFont(kFontSize, kFontFamily, 0);
    paint.SetTextColor(kTextColor);
    // Exactly as high as the measured message.
    paint.DrawText(
        message_.c_str(),
        LwRect{5, kMessageTop, size.width - 10, size.height - kMessageTop - kBelowMessage},
        AlignCenter);
}
