// The text control: the platform's text control created in place of a panel window, with its
// margins and font, subclassed so that its input passes through the router.
#include "controls/LwTextControl.h"

#include "platform/Events.h"
#include "toolkit/LwRouter.h"

namespace {

constexpr int kLeftMargin = 10;
constexpr int kRightMargin = 5;
constexpr const char* kFontFamily = "Verdana";
constexpr float kFontSize = 11.0f;

}  // namespace

LwTextControl::LwTextControl(LwObject* parent, const LwPoint& position, const LwSize& size,
                             const std::string& text, int flags)
    : LwPanel(parent) {
    platform::NativeWindow window = platform::CreateTextControl(
        parent ? parent->GetNativeWindow() : nullptr, position, size, text, flags);
    if (flags & kLwTextRich) {
        platform::SetTextControlMargins(window, kLeftMargin, kRightMargin);
    } else {
        nativeFont_ = std::make_unique<platform::Font>(kFontFamily, kFontSize, 0);
        platform::SetTextControlFont(window, *nativeFont_);
    }
    AttachNativeWindow(window);
    previousProc_ = platform::SubclassWindow(window, &LwTextControl::WindowProc);
    if (flags & kLwTextRich) {
        platform::RequestTextControlResize(window);
    }
    visible_ = true;
    if (!platform::IsWindowVisible(window)) {
        platform::ShowWindow(window, true);
    }
    platform::UpdateWindow(window);
}

LwTextControl::~LwTextControl() = default;

void LwTextControl::DescribeAccessible(platform::AccessibleInfo& info) {
    LwPanel::DescribeAccessible(info);
    info.role = platform::AccessibleRole::kDocument;
    info.hasText = true;
    info.text = platform::GetTextControlText(GetNativeWindow());
    const platform::TextSelectionRange range =
        platform::GetTextControlSelectionRange(GetNativeWindow());
    info.caret = range.caret;
    if (range.end > range.start) {
        info.selectionStart = range.start;
        info.selectionEnd = range.end;
    }
}

platform::MessageResult LwTextControl::WindowProc(platform::NativeWindow window,
                                                  platform::MessageId message,
                                                  platform::WParam wParam,
                                                  platform::LParam lParam) {
    auto* control =
        static_cast<LwTextControl*>(static_cast<LwObject*>(platform::GetUserData(window)));
    return LwRouter::NativeControlProc(control, control ? control->previousProc_ : nullptr, window,
                                       message, wParam, lParam);
}
