// Keysyms to virtual-key codes: letters and digits keep their ASCII values, the rest follow
// the Windows table.
#include "platform/x11/key_codes.h"

#include <X11/keysym.h>

#include "platform/Window.h"

namespace platform::backend {

WParam VirtualKey(KeySym sym) {
    if (sym >= XK_a && sym <= XK_z) {
        return 'A' + (sym - XK_a);
    }
    if (sym >= XK_A && sym <= XK_Z) {
        return sym;
    }
    if (sym >= XK_0 && sym <= XK_9) {
        return sym;
    }
    if (sym >= XK_KP_0 && sym <= XK_KP_9) {
        return 0x60 + (sym - XK_KP_0);
    }
    if (sym >= XK_F1 && sym <= XK_F24) {
        return 0x70 + (sym - XK_F1);
    }
    switch (sym) {
        case XK_BackSpace:
            return kVkBack;
        case XK_Tab:
        case XK_ISO_Left_Tab:
            return kVkTab;
        case XK_Return:
        case XK_KP_Enter:
            return kVkReturn;
        case XK_Escape:
            return kVkEscape;
        case XK_space:
            return kVkSpace;
        case XK_Left:
            return kVkLeft;
        case XK_Up:
            return kVkUp;
        case XK_Right:
            return kVkRight;
        case XK_Down:
            return kVkDown;
        case XK_Prior:
            return 0x21;
        case XK_Next:
            return 0x22;
        case XK_End:
            return 0x23;
        case XK_Home:
            return 0x24;
        case XK_Insert:
            return 0x2D;
        case XK_Delete:
            return 0x2E;
        case XK_Shift_L:
        case XK_Shift_R:
            return 0x10;
        case XK_Control_L:
        case XK_Control_R:
            return 0x11;
        case XK_Alt_L:
        case XK_Alt_R:
        case XK_Meta_L:
        case XK_Meta_R:
            return 0x12;
        case XK_Pause:
            return 0x13;
        case XK_Caps_Lock:
            return 0x14;
        case XK_Menu:
            return 0x5D;
        case XK_KP_Multiply:
            return 0x6A;
        case XK_KP_Add:
            return 0x6B;
        case XK_KP_Subtract:
            return 0x6D;
        case XK_KP_Decimal:
            return 0x6E;
        case XK_KP_Divide:
            return 0x6F;
        case XK_semicolon:
            return 0xBA;
        case XK_equal:
            return 0xBB;
        case XK_comma:
            return 0xBC;
        case XK_minus:
            return 0xBD;
        case XK_period:
            return 0xBE;
        case XK_slash:
            return 0xBF;
        case XK_grave:
            return 0xC0;
        case XK_bracketleft:
            return 0xDB;
        case XK_backslash:
            return 0xDC;
        case XK_bracketright:
            return 0xDD;
        case XK_apostrophe:
            return 0xDE;
        default:
            return 0;
    }
}

namespace {

constexpr LParam kShiftBit = LParam{1} << 25;
constexpr LParam kControlBit = LParam{1} << 26;
constexpr LParam kAltBit = LParam{1} << 29;

}  // namespace

LParam ModifierBits(unsigned state) {
    return ((state & ShiftMask) ? kShiftBit : 0) | ((state & ControlMask) ? kControlBit : 0) |
           ((state & Mod1Mask) ? kAltBit : 0);
}

unsigned ModifiersOf(LParam keyData) {
    return ((keyData & kShiftBit) ? kShiftHeld : 0u) |
           ((keyData & kControlBit) ? kControlHeld : 0u) | ((keyData & kAltBit) ? kAltHeld : 0u);
}

char32_t KeysymCharacter(KeySym sym) {
    if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF)) {
        return static_cast<char32_t>(sym);
    }
    if ((sym & 0xFF000000) == 0x01000000) {
        return static_cast<char32_t>(sym & 0x00FFFFFF);
    }
    return 0;
}

}  // namespace platform::backend
