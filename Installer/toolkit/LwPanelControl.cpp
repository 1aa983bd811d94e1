// Value-control panels.
#include "toolkit/LwPanelControl.h"

LwPanelControl::LwPanelControl(LwObject* parent, const LwPoint& position, const LwSize& size)
    : LwPanel(parent, position, size) {}
