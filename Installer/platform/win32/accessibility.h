// WM_GETOBJECT's answer for our windows, and the events for them (accessibility.cpp).
#pragma once

#include "platform/Accessibility.h"
#include "platform/win32/window_record.h"

namespace platform::backend {

// An IAccessible of the window's own for OBJID_CLIENT; the system's answer for other objects.
// `window` is ours behind `hwnd`, or null for a system window whose procedure answers
// kWmGetAccessibleInfo and kWmAccessibleAction itself.
LRESULT AnswerGetObject(HWND hwnd, NativeWindow window, WPARAM wParam, LPARAM lParam);

// NotifyAccessible for `hwnd`, with `window` as above.
void NotifyAccessible(HWND hwnd, NativeWindow window, AccessibleEvent event);

}  // namespace platform::backend
