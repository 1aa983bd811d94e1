// Canvas on cairo: a client-sized RGB24 picture per paint, put to the X window in one request.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/x11/canvas_impl.h"
#include "platform/x11/window_record.h"
#include "platform/x11/x11_display.h"

namespace platform {
namespace {

// Paints nest rarely (a paint that updates another window), so a few buffers cover every case
// and no paint pays for a fresh allocation.
std::vector<std::unique_ptr<std::vector<uint32_t>>>& FreeBuffers() {
    static std::vector<std::unique_ptr<std::vector<uint32_t>>> buffers;
    return buffers;
}

std::vector<uint32_t>* BorrowBuffer(size_t pixelCount) {
    auto& pool = FreeBuffers();
    std::vector<uint32_t>* buffer = nullptr;
    if (pool.empty()) {
        buffer = new std::vector<uint32_t>();
    } else {
        buffer = pool.back().release();
        pool.pop_back();
    }
    // Cleared to black, as a new bitmap is: what a painter leaves uncovered must never show an
    // earlier paint of another window or size.
    if (buffer->size() < pixelCount) {
        buffer->resize(pixelCount);
    }
    std::fill_n(buffer->begin(), pixelCount, 0u);
    return buffer;
}

void ReturnBuffer(std::vector<uint32_t>* buffer) {
    FreeBuffers().emplace_back(buffer);
}

// The server takes our 0x00RRGGBB words as they are when its visual is the usual 24-bit
// TrueColor one; anything else gets each pixel translated.
bool ServerTakesXrgb(Display* display) {
    Visual* visual = DefaultVisual(display, DefaultScreen(display));
    const int depth = DefaultDepth(display, DefaultScreen(display));
    return (depth == 24 || depth == 32) && visual->red_mask == 0xFF0000 &&
           visual->green_mask == 0x00FF00 && visual->blue_mask == 0x0000FF;
}

unsigned long ScaleChannel(uint32_t value8, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (!((mask >> shift) & 1)) {
        ++shift;
    }
    const unsigned long maxValue = mask >> shift;
    return ((value8 * maxValue + 127) / 255) << shift;
}

// `area` is in client coordinates; the picture's top left lies at `origin`.
void PutTranslated(Display* display, ::Window xid, const uint32_t* pixels, int width,
                   const Rect& area, Point origin) {
    const int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    XImage* image = XCreateImage(display, visual, DefaultDepth(display, screen), ZPixmap, 0,
                                 nullptr, area.width, area.height, 32, 0);
    if (!image) {
        return;
    }
    image->data = static_cast<char*>(std::malloc(size_t(image->bytes_per_line) * area.height));
    if (image->data) {
        for (int y = 0; y < area.height; ++y) {
            for (int x = 0; x < area.width; ++x) {
                const uint32_t p =
                    pixels[size_t(area.y - origin.y + y) * width + area.x - origin.x + x];
                XPutPixel(image, x, y,
                          ScaleChannel((p >> 16) & 0xFF, visual->red_mask) |
                              ScaleChannel((p >> 8) & 0xFF, visual->green_mask) |
                              ScaleChannel(p & 0xFF, visual->blue_mask));
            }
        }
        XPutImage(display, xid, x11::CopyGc(), image, 0, 0, area.x, area.y, area.width,
                  area.height);
    }
    XDestroyImage(image);
}

// Only `area` (client coordinates) of the picture, whose top left lies at `origin`, is sent.
void PutPicture(NativeWindow window, const uint32_t* pixels, Size size, const Rect& area,
                Point origin) {
    Display* display = x11::Connection();
    if (!display || area.IsEmpty()) {
        return;
    }
    static const bool direct = ServerTakesXrgb(display);
    if (!direct) {
        PutTranslated(display, window->xid, pixels, size.width, area, origin);
        return;
    }
    // The picture's own memory, described to Xlib in place: no copy before the request.
    XImage image{};
    image.width = size.width;
    image.height = size.height;
    image.format = ZPixmap;
    image.data = reinterpret_cast<char*>(const_cast<uint32_t*>(pixels));
    image.byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    image.bitmap_unit = 32;
    image.bitmap_bit_order = LSBFirst;
    image.bitmap_pad = 32;
    image.depth = DefaultDepth(display, DefaultScreen(display));
    image.bytes_per_line = size.width * 4;
    image.bits_per_pixel = 32;
    image.red_mask = 0xFF0000;
    image.green_mask = 0x00FF00;
    image.blue_mask = 0x0000FF;
    if (!XInitImage(&image)) {
        return;
    }
    XPutImage(display, window->xid, x11::CopyGc(), &image, area.x - origin.x, area.y - origin.y,
              area.x, area.y, area.width, area.height);
}

// As a paint on other systems is clipped to the update region, only that part of the picture
// needs drawing and sending; a canvas begun with nothing invalid covers all that is visible.
Rect PaintReach(NativeWindow w) {
    const Rect visible = backend::VisiblePart(w);
    return w->update.IsEmpty() ? visible : Intersect(w->update, visible);
}

void ClipTo(Canvas::Impl& impl, const Rect& r) {
    impl.clip = Intersect(r, impl.reach);
    cairo_reset_clip(impl.cr);
    cairo_rectangle(impl.cr, impl.clip.x, impl.clip.y, impl.clip.width, impl.clip.height);
    cairo_clip(impl.cr);
}

int WholeWidth(float lineWidth) {
    return std::max(1, static_cast<int>(std::lround(lineWidth)));
}

uint32_t BlendChannel(uint32_t source, uint32_t destination, uint32_t alpha) {
    const uint32_t value = source * alpha + destination * (255 - alpha) + 128;
    return (value + (value >> 8)) >> 8;  // exact division by 255, rounded
}

// The shapes are whole-pixel rectangles, so they are written straight into the picture: a
// cairo fill per shape would cost more than the shape. Each pixel is blended once (source over).
void FillPixels(Canvas::Impl& impl, const Rect& r, Rgba color) {
    if (!impl.pixels || color.a == 0) {
        return;
    }
    const Rect area = Intersect(r, impl.clip);
    if (area.IsEmpty()) {
        return;
    }
    cairo_surface_flush(impl.surface);
    uint32_t* rows = impl.pixels->data();
    const int stride = impl.size.width;
    // The picture starts at the origin of the client area.
    const int left = area.x - impl.origin.x;
    const int top = area.y - impl.origin.y;
    if (color.a == 255) {
        const uint32_t value = (uint32_t{color.r} << 16) | (uint32_t{color.g} << 8) | color.b;
        for (int y = top; y < top + area.height; ++y) {
            std::fill_n(rows + size_t(y) * stride + left, area.width, value);
        }
    } else {
        for (int y = top; y < top + area.height; ++y) {
            uint32_t* p = rows + size_t(y) * stride + left;
            for (int x = 0; x < area.width; ++x, ++p) {
                const uint32_t d = *p;
                *p = (BlendChannel(color.r, (d >> 16) & 0xFF, color.a) << 16) |
                     (BlendChannel(color.g, (d >> 8) & 0xFF, color.a) << 8) |
                     BlendChannel(color.b, d & 0xFF, color.a);
            }
        }
    }
    cairo_surface_mark_dirty_rectangle(impl.surface, left, top, area.width, area.height);
}

}  // namespace

namespace backend {

Rect VisiblePart(NativeWindow w) {
    Rect visible{0, 0, w->clientSize.width, w->clientSize.height};
    Point origin;  // of `w`, in the client coordinates of the ancestor reached so far
    for (NativeWindow child = w; child->parent; child = child->parent) {
        origin.x += child->position.x;
        origin.y += child->position.y;
        const Size parent = child->parent->clientSize;
        visible = Intersect(visible, {-origin.x, -origin.y, parent.width, parent.height});
    }
    return visible;
}

}  // namespace backend

Canvas::Canvas(NativeWindow window)
    : Canvas(window, backend::Alive(window)
                         ? Rect{0, 0, window->logicalSize.width, window->logicalSize.height}
                         : Rect{}) {}

Canvas::Canvas(NativeWindow window, const Rect& area) : impl_(std::make_unique<Impl>()) {
    impl_->grid = backend::Grid(window);
    const Rect logicalPart =
        backend::Alive(window)
            ? Intersect(area, {0, 0, window->logicalSize.width, window->logicalSize.height})
            : Rect{};
    impl_->logicalSize = {logicalPart.width, logicalPart.height};
    const Rect part = logicalPart.IsEmpty()
                          ? Rect{}
                          : Intersect(impl_->grid.ToPixels(logicalPart),
                                      {0, 0, window->clientSize.width, window->clientSize.height});
    if (!part.IsEmpty()) {
        impl_->window = window;
        impl_->size = {part.width, part.height};
        impl_->origin = {part.x, part.y};
        const int stride = impl_->size.width * 4;
        static_assert(sizeof(uint32_t) == 4);
        impl_->pixels = BorrowBuffer(size_t(impl_->size.width) * impl_->size.height);
        impl_->surface = cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(impl_->pixels->data()), CAIRO_FORMAT_RGB24,
            impl_->size.width, impl_->size.height, stride);
    } else {
        impl_->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    }
    impl_->cr = cairo_create(impl_->surface);
    cairo_translate(impl_->cr, -impl_->origin.x, -impl_->origin.y);
    impl_->reach = impl_->window ? Intersect(PaintReach(impl_->window), part) : Rect{};
    ClipTo(*impl_, impl_->reach);
}

Canvas::~Canvas() {
    cairo_destroy(impl_->cr);
    cairo_surface_flush(impl_->surface);
    if (impl_->pixels && backend::Alive(impl_->window)) {
        PutPicture(impl_->window, impl_->pixels->data(), impl_->size, impl_->reach, impl_->origin);
    }
    cairo_surface_destroy(impl_->surface);
    if (impl_->pixels) {
        ReturnBuffer(impl_->pixels);
    }
}

Size Canvas::GetSize() const {
    return impl_->logicalSize;
}

double Canvas::GetScale() const {
    return impl_->grid.Scale();
}

void Canvas::FillRect(const Rect& r, Rgba color) {
    FillPixels(*impl_, impl_->grid.ToPixels(r), color);
}

void Canvas::StrokeRect(const Rect& r, Rgba color, float lineWidth) {
    if (r.width < 0 || r.height < 0) {
        return;
    }
    // The band of a t-unit line is centred on the outline, as a pen's is; the four sides are
    // cut so that they do not overlap.
    const int units = WholeWidth(lineWidth);
    const int before = (units - 1) / 2;
    const Rect outer =
        impl_->grid.ToPixels(Rect{r.x - before, r.y - before, r.width + units, r.height + units});
    const int t = impl_->grid.Thickness(units);
    if (r.width - units <= 0 || r.height - units <= 0) {
        FillPixels(*impl_, outer, color);
        return;
    }
    FillPixels(*impl_, {outer.x, outer.y, outer.width, t}, color);
    FillPixels(*impl_, {outer.x, outer.Bottom() - t, outer.width, t}, color);
    FillPixels(*impl_, {outer.x, outer.y + t, t, outer.height - 2 * t}, color);
    FillPixels(*impl_, {outer.Right() - t, outer.y + t, t, outer.height - 2 * t}, color);
}

void Canvas::DrawLine(int x1, int y1, int x2, int y2, Rgba color, float lineWidth) {
    const PixelGrid& grid = impl_->grid;
    const int units = WholeWidth(lineWidth);
    if (x1 == x2 || y1 == y2) {
        FillPixels(*impl_, grid.ToPixels(StraightLineRect({x1, y1}, {x2, y2}, units)), color);
        return;
    }
    // A slanted line is stepped in pixels, its pen covering the pixels of each logical end.
    const int t = grid.Thickness(units);
    const int before = (t - 1) / 2;
    const Point from = grid.PenCentre({x1, y1}, t);
    const Point to = grid.PenCentre({x2, y2}, t);
    // Bresenham's pixels, one step along the major axis at a time, so that a thick line's
    // stamps never overlap: each is a t-pixel run across that axis.
    const int dx = std::abs(to.x - from.x);
    const int dy = -std::abs(to.y - from.y);
    const bool steep = -dy > dx;
    const int sx = from.x < to.x ? 1 : -1;
    const int sy = from.y < to.y ? 1 : -1;
    int error = dx + dy;
    int x = from.x;
    int y = from.y;
    for (;;) {
        FillPixels(*impl_, steep ? Rect{x - before, y, t, 1} : Rect{x, y - before, 1, t}, color);
        if (x == to.x && y == to.y) {
            break;
        }
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
}

void Canvas::FillVerticalGradient(const Rect& logical, Rgba top, Rgba bottom) {
    const Rect r = impl_->grid.ToPixels(logical);
    if (r.IsEmpty()) {
        return;
    }
    // Each row takes the colour at its centre. The rows next to either edge therefore keep their
    // own end's colour: the pattern mirrors (tiles flipped) beyond the rectangle, never wraps.
    auto mix = [](uint8_t a, uint8_t b, double f) {
        return static_cast<uint8_t>(std::lround(a + (b - a) * f));
    };
    for (int row = 0; row < r.height; ++row) {
        const double f = (row + 0.5) / r.height;
        FillPixels(*impl_, {r.x, r.y + row, r.width, 1},
                   {mix(top.r, bottom.r, f), mix(top.g, bottom.g, f), mix(top.b, bottom.b, f),
                    mix(top.a, bottom.a, f)});
    }
}

void Canvas::SetClip(const Rect& r) {
    ClipTo(*impl_, impl_->grid.ToPixels(r));
}

}  // namespace platform
