// A panel that is also a value control: the base of the check box and the combo box.
#pragma once

#include "toolkit/LwControl.h"
#include "toolkit/LwPanel.h"

class LwPanelControl : public LwPanel, public LwControl {
  public:
    LwPanelControl(LwObject* parent, const LwPoint& position, const LwSize& size);
};
