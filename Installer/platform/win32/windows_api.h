// windows.h for the Win32 backend, without the macros that would rename the platform layer's
// own functions (FindResource, SendMessage, ...) in every file that includes both.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

#undef FindResource
#undef SendMessage
#undef PeekMessage
#undef DispatchMessage
#undef DrawText
#undef MessageBox
#undef CreateWindow
