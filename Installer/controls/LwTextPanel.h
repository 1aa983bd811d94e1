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

  protected:
    void OnPaint() override;

  private:
    std::string text_;
};
