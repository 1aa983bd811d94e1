// A borderless child window inside another object's window: containers, backgrounds, controls.
#pragma once

#include "toolkit/LwObject.h"

class LwPanel : public LwObject {
  public:
    // Visible and painted when the constructor returns; `position` is in the parent's client
    // area.
    LwPanel(LwObject* parent, const LwPoint& position, const LwSize& size);
    ~LwPanel() override;

    // In the parent's client coordinates (screen coordinates without a parent).
    LwPoint GetPosition() override;
    // Both setters do nothing when the value is unchanged, and repaint at once otherwise.
    void SetPosition(const LwPoint& position) override;
    LwSize GetSize() override;
    void SetSize(const LwSize& size) override;

  protected:
    // For panels whose native window is some other kind of child window, which the derived
    // constructor creates and attaches.
    explicit LwPanel(LwObject* parent);
};
