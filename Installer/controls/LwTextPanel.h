// A static block of word-wrapped text on a solid background; the panel keeps its width and takes
// the height its text needs.
#pragma once

#include <string>

#include "toolkit/LwPanel.h"

class LwTextPanel : public LwPanel {
  public:
    LwTextPanel(LwObject* parent, const LwPoint& position, const LwSize& size);
    ~LwTextPanel() override;

    // Stores the text, unselected, fits the panel's height to it and repaints.
    void SetText(const std::string& textUtf8);
    const std::string& GetText() const { return text_; }
    // The whole text marked as selected, for copying, until the text changes or it is cleared.
    void SelectAll(bool selected);
    bool AllSelected() const { return allSelected_; }
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
    bool allSelected_ = false;
};
