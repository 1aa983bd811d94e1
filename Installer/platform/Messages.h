// The message vocabulary the router speaks. Values are the Windows ones; the names carry a k
// prefix so they never collide with the windows.h macros when the Win32 backend includes it.
#pragma once

#include <cstdint>

#include "platform/Geometry.h"

namespace platform {

using MessageId = uint32_t;
using WParam = uintptr_t;
using LParam = intptr_t;
using MessageResult = intptr_t;

inline constexpr MessageId kWmSize = 0x0005;
inline constexpr MessageId kWmActivate = 0x0006;
inline constexpr MessageId kWmSetFocus = 0x0007;
inline constexpr MessageId kWmKillFocus = 0x0008;
inline constexpr MessageId kWmPaint = 0x000F;
inline constexpr MessageId kWmClose = 0x0010;
inline constexpr MessageId kWmEraseBkgnd = 0x0014;
inline constexpr MessageId kWmGetMinMaxInfo = 0x0024;
inline constexpr MessageId kWmNotify = 0x004E;
inline constexpr MessageId kWmGetDlgCode = 0x0087;
inline constexpr MessageId kWmKeyDown = 0x0100;
inline constexpr MessageId kWmKeyUp = 0x0101;
inline constexpr MessageId kWmChar = 0x0102;
// A key pressed with Alt held (Windows sends these; other backends may send kWmKeyDown).
inline constexpr MessageId kWmSysKeyDown = 0x0104;
inline constexpr MessageId kWmTimer = 0x0113;
// The focus marks of the window's tree were shown or hidden (FocusMarksShown tells which).
inline constexpr MessageId kWmUpdateUiState = 0x0128;
inline constexpr MessageId kWmMouseFirst = 0x0200;
inline constexpr MessageId kWmMouseMove = 0x0200;
inline constexpr MessageId kWmLButtonDown = 0x0201;
inline constexpr MessageId kWmLButtonUp = 0x0202;
inline constexpr MessageId kWmLButtonDblClk = 0x0203;
inline constexpr MessageId kWmRButtonDown = 0x0204;
inline constexpr MessageId kWmRButtonUp = 0x0205;
inline constexpr MessageId kWmRButtonDblClk = 0x0206;
inline constexpr MessageId kWmMButtonDown = 0x0207;
inline constexpr MessageId kWmMButtonUp = 0x0208;
inline constexpr MessageId kWmMButtonDblClk = 0x0209;
inline constexpr MessageId kWmMouseWheel = 0x020A;
inline constexpr MessageId kWmMouseLast = 0x020E;
inline constexpr MessageId kWmCaptureChanged = 0x0215;
inline constexpr MessageId kWmDropFiles = 0x0233;
inline constexpr MessageId kWmMouseLeave = 0x02A3;

inline constexpr WParam kWaInactive = 0;
inline constexpr WParam kWaActive = 1;
inline constexpr WParam kWaClickActive = 2;

inline constexpr int kWheelDelta = 120;

// Virtual-key codes the backend reports in kWmKeyDown / kWmKeyUp.
inline constexpr WParam kVkBack = 0x08;
inline constexpr WParam kVkTab = 0x09;
inline constexpr WParam kVkReturn = 0x0D;
inline constexpr WParam kVkEscape = 0x1B;
inline constexpr WParam kVkSpace = 0x20;
inline constexpr WParam kVkLeft = 0x25;
inline constexpr WParam kVkUp = 0x26;
inline constexpr WParam kVkRight = 0x27;
inline constexpr WParam kVkDown = 0x28;
inline constexpr WParam kVkShift = 0x10;
inline constexpr WParam kVkPrior = 0x21;  // Page Up
inline constexpr WParam kVkNext = 0x22;   // Page Down
inline constexpr WParam kVkEnd = 0x23;
inline constexpr WParam kVkHome = 0x24;
inline constexpr WParam kVkDelete = 0x2E;
inline constexpr WParam kVkF4 = 0x73;
inline constexpr WParam kVkOemPeriod = 0xBE;

// Answers to kWmGetDlgCode (wParam: the virtual key about to be handled).
inline constexpr MessageResult kDlgcWantArrows = 0x01;
inline constexpr MessageResult kDlgcWantAllKeys = 0x04;
inline constexpr MessageResult kDlgcHasSetSel = 0x08;
inline constexpr MessageResult kDlgcWantChars = 0x80;

// kWmNotify: lParam points at a header, followed by the notification's own fields.
struct NotifyHeader {
    uint64_t from = 0;  // the sending window, as NativeWindow::Bits()
    uintptr_t id = 0;
    uint32_t code = 0;
};
// A text control asks its parent for the size its whole content needs.
inline constexpr uint32_t kEnRequestResize = 0x0701;
struct RequestResizeNotify {
    NotifyHeader header;
    Rect requested;  // client coordinates of the control; its Bottom() is the height wanted
};

// Mouse messages carry the client position in lParam as on Windows: x in the low 16 bits,
// y in the next 16, both signed.
inline constexpr LParam MakePointParam(int x, int y) {
    return static_cast<LParam>((static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) |
                               static_cast<uint16_t>(x));
}
inline constexpr int PointParamX(LParam p) {
    return static_cast<int16_t>(p & 0xFFFF);
}
inline constexpr int PointParamY(LParam p) {
    return static_cast<int16_t>((p >> 16) & 0xFFFF);
}
// Exception, as on Windows: kWmMouseWheel carries the pointer's screen position, so a window
// that hands the wheel on to its parent passes the message unchanged.
// kWmSize carries the new client width and height in lParam, in the same places as x and y.
// Wheel messages carry the signed delta in the upper word of the low 32 bits of wParam.
inline constexpr WParam MakeWheelParam(int delta) {
    return static_cast<WParam>(static_cast<uint32_t>(static_cast<uint16_t>(delta)) << 16);
}
inline constexpr int WheelDelta(WParam w) {
    return static_cast<int16_t>((w >> 16) & 0xFFFF);
}

}  // namespace platform
