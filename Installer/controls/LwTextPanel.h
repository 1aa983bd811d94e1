// A static block of word-wrapped text on a solid background; the panel keeps its width and takes
// the height its text needs.
#pragma once

#include <string>

#include "toolkit/LwPanel.h"

class LwTextPanel : public LwPanel {
  public:
    LwTextPanel(LwObject* parent, const LwPoint& position, const LwSize& size);
    ~LwTextPanel() override;

    // Stores the text, fits the panel's height to it and repaints.
    void SetText(const std::string& textUtf8);
    const std::string& GetText() const { return text_; }
    // The width `textUtf8` takes unwrapped in the panel's font, and the width the panel's text
    // wraps at: text no wider stays on one line.
    int LineWidth(const std::string& textUtf8);
    int WrapWidth();
    // Static text by default; a panel of text to read through is a document.
    void DescribeAccessible(platform::AccessibleInfo& info) override;
    platform::AccessibleRole accessibleRole = platform::AccessibleRole::kStaticText;

  protected:
    void OnPaint() override;

  private:
    std::string text_;
};
