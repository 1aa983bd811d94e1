// The check box: shows one bool of its owner as a dark or lit square with an optional label, and
// flips it on a click, telling the owner just before and just after.
#pragma once

#include <string>

#include "draw/LwImage.h"
#include "toolkit/LwPanelControl.h"

class LwPaintContext;

class LwCheckBox : public LwPanelControl {
  public:
    // 200 × 14 with a label (even an empty one), 14 × 14 with none. A null `value` makes the box
    // display-only: unchecked, no hover, no clicks.
    LwCheckBox(LwObject* parent, const LwPoint& position, bool* value, const char* labelUtf8);
    ~LwCheckBox() override;

    bool IsHovered() const { return hover_; }
    const std::string& GetLabel() const { return label_; }
    // Display-only boxes take no input, so no focus either.
    bool AcceptsFocus() override { return value_ != nullptr; }
    void DescribeAccessible(platform::AccessibleInfo& info) override;
    void DoAccessibleAction(unsigned action) override;

    std::string fontFamily = "Verdana";
    float fontSize = 11.0f;

  protected:
    void OnPaint() override;
    void OnMouseEvent(int code) override;
    // Space flips the value, as a click does.
    bool OnKeyDown(unsigned key) override;

  private:
    void Toggle();
    // Around the label, or the box itself when there is none.
    void PaintFocusMark(LwPaintContext& paint);

    bool* value_;  // the owner's; not owned
    bool hover_ = false;
    std::string label_;
    LwImage image_;  // two 14 × 14 frames side by side: unchecked, checked
};
