// WM_GETOBJECT's answer for our windows (accessibility.cpp).
#pragma once

#include "platform/win32/window_record.h"

namespace platform::backend {

// An IAccessible of the window's own for OBJID_CLIENT; the system's answer for other objects.
LRESULT AnswerGetObject(NativeWindow window, WPARAM wParam, LPARAM lParam);

}  // namespace platform::backend
