// GDI+ for the drawing files of the Win32 backend: its headers, and the one start-up a process
// makes before its first GDI+ call.
#pragma once

#include "platform/win32/windows_api.h"

// GDI+ streams images through COM's IStream, which the lean windows.h leaves out.
#include <objidl.h>

#include <gdiplus.h>

namespace platform::backend {

// Starts GDI+ on the first call from any thread; later calls only report how that went. GDI+
// then stays up until the process ends: fonts and bitmaps may outlive every window.
bool GdiplusReady();

}  // namespace platform::backend
