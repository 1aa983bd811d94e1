// The push button: a flat, dark bevelled rectangle with a centred label that lights up under the
// mouse. Clicks reach the owner through the event binding; a label "OK" marks the default button.
#pragma once

#include <string>

#include "toolkit/LwPanel.h"

class LwSystemButton : public LwPanel {
  public:
    LwSystemButton(LwObject* parent, const LwPoint& position, const LwSize& size,
                   const std::string& textUtf8);
    ~LwSystemButton() override;

    // Replaces the label without repainting: callers that keep the size invalidate themselves.
    void SetText(const std::string& textUtf8);
    const std::string& GetText() const { return text_; }
    bool IsHovered() const { return hover_; }
    bool AcceptsFocus() override { return true; }
    void DescribeAccessible(platform::AccessibleInfo& info) override;
    // Presses as Enter does, when the button is enabled.
    void DoAccessibleAction(unsigned action) override;

    int fontSize = 10;                // label size in pixels
    LwColor textColor = LwGrey(175);  // label colour while enabled

  protected:
    void OnPaint() override;
    void OnMouseEvent(int code) override;
    // Enter and Space press the button.
    bool OnKeyDown(unsigned key) override;

  private:
    bool hover_ = false;
    std::string text_;
};
