// One GDI+ start-up per process, made on first need.
#include "platform/win32/gdiplus_session.h"

#include <mutex>

namespace platform::backend {

bool GdiplusReady() {
    static std::once_flag started;
    static bool ready = false;
    std::call_once(started, [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        ready = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    });
    return ready;
}

}  // namespace platform::backend
