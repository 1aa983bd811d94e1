// Canvas on GDI+: a memory DC with a DIB section per paint, drawn on through a GDI+ graphics and
// copied to the window with one BitBlt.
#include "platform/win32/canvas_impl.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/win32/window_record.h"

namespace platform {

namespace gdip = Gdiplus::DllExports;

namespace {

// The GDI+ surface of a canvas: whole-pixel, aliased drawing in client coordinates.
bool StartGraphics(Canvas::Impl& impl) {
    if (!backend::GdiplusReady() ||
        !backend::Succeeded(impl, gdip::GdipCreateFromHDC(impl.memoryDc, &impl.graphics))) {
        return false;
    }
    return backend::Succeeded(
               impl, gdip::GdipSetSmoothingMode(impl.graphics, Gdiplus::SmoothingModeNone)) &&
           backend::Succeeded(
               impl, gdip::GdipSetPixelOffsetMode(impl.graphics, Gdiplus::PixelOffsetModeNone)) &&
           backend::Succeeded(
               impl, gdip::GdipTranslateWorldTransform(
                         impl.graphics, static_cast<Gdiplus::REAL>(-impl.origin.x),
                         static_cast<Gdiplus::REAL>(-impl.origin.y), Gdiplus::MatrixOrderPrepend));
}

void ReleaseSurface(Canvas::Impl& impl) {
    if (impl.graphics) {
        gdip::GdipDeleteGraphics(impl.graphics);
        impl.graphics = nullptr;
    }
    if (impl.previousBitmap) {
        SelectObject(impl.memoryDc, impl.previousBitmap);
        impl.previousBitmap = nullptr;
    }
    if (impl.memoryDc) {
        DeleteDC(impl.memoryDc);
        impl.memoryDc = nullptr;
    }
    if (impl.bitmap) {
        DeleteObject(impl.bitmap);
        impl.bitmap = nullptr;
    }
}

// A DIB section starts zeroed: black, so that what a painter leaves uncovered never shows an
// earlier picture.
bool MakeSurface(Canvas::Impl& impl, Size size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.width;
    info.bmiHeader.biHeight = -size.height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    impl.memoryDc = CreateCompatibleDC(nullptr);
    impl.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (impl.memoryDc && impl.bitmap) {
        impl.previousBitmap = SelectObject(impl.memoryDc, impl.bitmap);
    }
    if (!impl.previousBitmap || !StartGraphics(impl)) {
        ReleaseSurface(impl);
        return false;
    }
    return true;
}

Rect ClientRect(HWND hwnd) {
    RECT client{};
    if (!hwnd || !GetClientRect(hwnd, &client)) {
        return {};
    }
    return {0, 0, client.right - client.left, client.bottom - client.top};
}

Gdiplus::GpPen* MakePen(Canvas::Impl& impl, Rgba color, float lineWidth) {
    Gdiplus::GpPen* pen = nullptr;
    if (!impl.graphics || color.IsEmpty() ||
        !backend::Succeeded(
            impl, gdip::GdipCreatePen1(color.Argb(), lineWidth, Gdiplus::UnitWorld, &pen))) {
        return nullptr;
    }
    return pen;
}

}  // namespace

Canvas::Impl::~Impl() {
    ReleaseSurface(*this);
}

namespace backend {

bool Succeeded(Canvas::Impl& impl, Gdiplus::Status status) {
    if (status != Gdiplus::Ok) {
        impl.lastFailure = status;
    }
    return status == Gdiplus::Ok;
}

bool StartPicture(Canvas::Impl& impl, const Rect& area) {
    ReleaseSurface(impl);
    impl.size = {};
    impl.origin = {};
    if (area.IsEmpty()) {
        return false;
    }
    impl.origin = {area.x, area.y};
    if (!MakeSurface(impl, {area.width, area.height})) {
        impl.origin = {};
        return false;
    }
    impl.size = {area.width, area.height};
    impl.logicalSize = impl.size;  // a picture without a window is drawn one to one
    return true;
}

}  // namespace backend

Canvas::Canvas(NativeWindow window)
    : Canvas(window, Rect{0, 0, GetClientSize(window).width, GetClientSize(window).height}) {}

Canvas::Canvas(NativeWindow window, const Rect& area) : impl_(std::make_unique<Impl>()) {
    impl_->grid = backend::Grid(window);
    const Size client = GetClientSize(window);
    const Rect logicalPart = Intersect(area, Rect{0, 0, client.width, client.height});
    const Rect part = logicalPart.IsEmpty() ? Rect{}
                                            : Intersect(impl_->grid.ToPixels(logicalPart),
                                                        ClientRect(backend::HandleOf(window)));
    if (backend::StartPicture(*impl_, part)) {
        impl_->window = window;
        impl_->logicalSize = {logicalPart.width, logicalPart.height};
    } else {
        MakeSurface(*impl_, {1, 1});  // measures only
    }
}

Canvas::~Canvas() {
    // Ending GDI+ first lands everything it still holds in the picture.
    if (impl_->graphics) {
        gdip::GdipDeleteGraphics(impl_->graphics);
        impl_->graphics = nullptr;
    }
    // The window may have gone while it was painted.
    HWND hwnd = backend::HandleOf(impl_->window);
    if (hwnd && impl_->memoryDc) {
        // Taken only for the copy: windows of a class sharing one DC must not hold it longer.
        if (HDC windowDc = GetDC(hwnd)) {
            BitBlt(windowDc, impl_->origin.x, impl_->origin.y, impl_->size.width,
                   impl_->size.height, impl_->memoryDc, 0, 0, SRCCOPY);
            ReleaseDC(hwnd, windowDc);
        }
    }
}

Size Canvas::GetSize() const {
    return impl_->logicalSize;
}

double Canvas::GetScale() const {
    return impl_->grid.Scale();
}

namespace {

void FillPixels(Canvas::Impl& impl, const Rect& r, Rgba color) {
    Gdiplus::GpSolidFill* brush = nullptr;
    if (!impl.graphics || color.IsEmpty() || r.IsEmpty() ||
        !backend::Succeeded(impl, gdip::GdipCreateSolidFill(color.Argb(), &brush))) {
        return;
    }
    backend::Succeeded(impl,
                       gdip::GdipFillRectangleI(impl.graphics, brush, r.x, r.y, r.width, r.height));
    gdip::GdipDeleteBrush(brush);
}

int WholeUnits(float lineWidth) {
    return std::max(1, static_cast<int>(std::lround(lineWidth)));
}

}  // namespace

void Canvas::FillRect(const Rect& r, Rgba color) {
    FillPixels(*impl_, impl_->grid.ToPixels(r), color);
}

void Canvas::StrokeRect(const Rect& r, Rgba color, float lineWidth) {
    if (r.width < 0 || r.height < 0) {
        return;
    }
    if (!impl_->grid.IsIdentity()) {
        // Scaled, a t-unit outline is bands of whole pixels on the rounded edges of its
        // centred band, so that it meets what lies next to it.
        const int units = WholeUnits(lineWidth);
        const int before = (units - 1) / 2;
        const Rect outer = impl_->grid.ToPixels(
            Rect{r.x - before, r.y - before, r.width + units, r.height + units});
        const int t = impl_->grid.Thickness(units);
        if (r.width - units <= 0 || r.height - units <= 0) {
            FillPixels(*impl_, outer, color);
            return;
        }
        FillPixels(*impl_, {outer.x, outer.y, outer.width, t}, color);
        FillPixels(*impl_, {outer.x, outer.Bottom() - t, outer.width, t}, color);
        FillPixels(*impl_, {outer.x, outer.y + t, t, outer.height - 2 * t}, color);
        FillPixels(*impl_, {outer.Right() - t, outer.y + t, t, outer.height - 2 * t}, color);
        return;
    }
    if (Gdiplus::GpPen* pen = MakePen(*impl_, color, lineWidth)) {
        backend::Succeeded(
            *impl_, gdip::GdipDrawRectangleI(impl_->graphics, pen, r.x, r.y, r.width, r.height));
        gdip::GdipDeletePen(pen);
    }
}

void Canvas::DrawLine(int x1, int y1, int x2, int y2, Rgba color, float lineWidth) {
    const PixelGrid& grid = impl_->grid;
    Point from{x1, y1};
    Point to{x2, y2};
    if (!grid.IsIdentity()) {
        const int units = WholeUnits(lineWidth);
        if (from.x == to.x || from.y == to.y) {
            FillPixels(*impl_, grid.ToPixels(StraightLineRect(from, to, units)), color);
            return;
        }
        // A slanted line runs between the pixels of its logical end points, as thick as
        // its whole pixels.
        const int t = grid.Thickness(units);
        lineWidth = static_cast<float>(t);
        from = grid.PenCentre(from, t);
        to = grid.PenCentre(to, t);
    }
    if (Gdiplus::GpPen* pen = MakePen(*impl_, color, lineWidth)) {
        backend::Succeeded(*impl_,
                           gdip::GdipDrawLineI(impl_->graphics, pen, from.x, from.y, to.x, to.y));
        gdip::GdipDeletePen(pen);
    }
}

void Canvas::FillVerticalGradient(const Rect& logical, Rgba top, Rgba bottom) {
    const Rect r = impl_->grid.ToPixels(logical);
    const Gdiplus::GpRect area(r.x, r.y, r.width, r.height);
    Gdiplus::GpLineGradient* brush = nullptr;
    if (!impl_->graphics || r.IsEmpty() ||
        !backend::Succeeded(
            *impl_, gdip::GdipCreateLineBrushFromRectI(&area, top.Argb(), bottom.Argb(),
                                                       Gdiplus::LinearGradientModeVertical,
                                                       Gdiplus::WrapModeTileFlipXY, &brush))) {
        return;
    }
    backend::Succeeded(
        *impl_, gdip::GdipFillRectangleI(impl_->graphics, brush, r.x, r.y, r.width, r.height));
    gdip::GdipDeleteBrush(brush);
}

void Canvas::SetClip(const Rect& logical) {
    const Rect r = impl_->grid.ToPixels(logical);
    if (impl_->graphics) {
        backend::Succeeded(*impl_, gdip::GdipSetClipRectI(impl_->graphics, r.x, r.y, r.width,
                                                          r.height, Gdiplus::CombineModeReplace));
    }
}

}  // namespace platform
