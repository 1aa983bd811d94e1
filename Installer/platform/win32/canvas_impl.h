// The backend side of a Canvas, shared by the shape, text and bitmap files of the Win32 backend.
#pragma once

#include "platform/Canvas.h"
#include "platform/pixel_grid.h"
#include "platform/win32/gdiplus_session.h"

namespace platform {

struct Canvas::Impl {
    Impl() = default;
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    // The window the picture goes to when the canvas ends; null for a measuring canvas.
    NativeWindow window;
    // The toolkit's logical units to the picture's pixels; everything below is in pixels.
    PixelGrid grid;
    Size logicalSize;
    // The picture's size (zero for a measuring canvas), and where its top left lies in the
    // client area (a partial paint).
    Size size;
    Point origin;
    // A memory DC holding a top-down 32-bit DIB section: a measuring canvas gets a 1×1 one, so
    // that it measures on the same kind of surface as a paint draws on.
    HDC memoryDc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    // Null when GDI+ or the picture could not be made: then nothing draws or measures.
    Gdiplus::GpGraphics* graphics = nullptr;
    // The status of the last GDI+ call that failed, kept as a reason for what did not appear.
    Gdiplus::Status lastFailure = Gdiplus::Ok;
};

namespace backend {

// Gives the canvas a fresh black picture covering `area` (client coordinates), releasing the one
// it had: what a paint of a window starts with, and how a picture is drawn without a window.
bool StartPicture(Canvas::Impl& impl, const Rect& area);

// Records a failed status on the canvas; true when the call succeeded.
bool Succeeded(Canvas::Impl& impl, Gdiplus::Status status);

}  // namespace backend
}  // namespace platform
