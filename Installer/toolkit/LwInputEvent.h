// The input codes the router hands to objects, and the record that preview windows may consume.
#pragma once

class LwObject;

// Mouse codes are the offset of the mouse message from the first one; 11 to 15 are the toolkit's.
enum LwEventCode : int {
    kLwEventMove = 0,
    kLwEventLeftDown = 1,
    kLwEventLeftUp = 2,  // a click, once it has passed the click filter
    kLwEventLeftDouble = 3,
    kLwEventRightDown = 4,
    kLwEventRightUp = 5,
    kLwEventRightDouble = 6,
    kLwEventMiddleDown = 7,
    kLwEventMiddleUp = 8,
    kLwEventMiddleDouble = 9,
    kLwEventWheel = 10,
    kLwEventEnter = 11,
    kLwEventLeave = 12,
    kLwEventKeyDown = 13,
    kLwEventChar = 14,
    kLwEventKeyUp = 15,
    // Through the event binding only: the object took or lost the keyboard focus.
    kLwEventFocusIn = 16,
    kLwEventFocusOut = 17,
};

struct LwInputEvent {
    LwObject* sender = nullptr;  // the object the input is addressed to
    LwEventCode code = kLwEventMove;
    // Mouse codes: seven times the signed wheel delta (840 per notch away from the user), else 0.
    // Key codes: the virtual-key or character code.
    int value = 0;
    bool propagate = true;  // a preview handler clears it to consume the input
};
