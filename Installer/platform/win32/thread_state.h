// What the Win32 backend knows of a faulting thread: the exception and the thread's registers
// at the fault, as the exception handler received them (backend only).
#pragma once

#include "platform/Minidump.h"
#include "platform/win32/windows_api.h"

namespace platform {

struct ThreadState {
    EXCEPTION_RECORD record{};
    CONTEXT context{};
    EXCEPTION_POINTERS pointers{};  // points at the two above
};

}  // namespace platform
