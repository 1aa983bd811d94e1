// A native text control in the object tree: the read-only rich-text view of the licence, or a
// plain edit field. Moved and sized like a panel; its input is routed like any object's.
#pragma once

#include <memory>
#include <string>

#include "platform/Font.h"
#include "platform/TextControl.h"
#include "toolkit/LwPanel.h"

// Creation flags, combined.
enum LwTextControlFlags : int {
    kLwTextReadOnly = platform::kTextReadOnly,    // 0x01
    kLwTextCentered = platform::kTextCentered,    // 0x02
    kLwTextPassword = platform::kTextPassword,    // 0x04
    kLwTextMultiLine = platform::kTextMultiLine,  // 0x10
    // 0x20: rich text (RTF when the text starts with "{\rtf") instead of a plain field
    kLwTextRich = platform::kTextRich,
};

class LwTextControl : public LwPanel {
  public:
    // Created visible with its text. A rich control then asks its parent once for the height
    // of its whole content, and the parent's routing gives it that height.
    LwTextControl(LwObject* parent, const LwPoint& position, const LwSize& size,
                  const std::string& text, int flags);
    ~LwTextControl() override;

    bool AcceptsFocus() override { return true; }
    // A document whose text can be read, with its selection.
    void DescribeAccessible(platform::AccessibleInfo& info) override;

  private:
    static platform::MessageResult WindowProc(platform::NativeWindow window,
                                              platform::MessageId message, platform::WParam wParam,
                                              platform::LParam lParam);

    // The control's own procedure, which the toolkit's runs around.
    platform::WindowProc previousProc_ = nullptr;
    // The plain field's font; none for rich text, whose fonts come with the document.
    std::unique_ptr<platform::Font> nativeFont_;
};
