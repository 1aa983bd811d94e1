// Canvas on cairo: a client-sized RGB24 picture per paint, put to the X window in one request.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/linux/canvas_impl.h"
#include "platform/linux/window_record.h"
#include "platform/linux/x11_display.h"

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
    if (buffer->size() < pixelCount) {
        buffer->resize(pixelCount);
    }
    // A fresh off-screen picture starts black, whatever the previous paint left in the buffer.
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

void PutTranslated(Display* display, ::Window xid, const uint32_t* pixels, int width, int height) {
    const int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    XImage* image = XCreateImage(display, visual, DefaultDepth(display, screen), ZPixmap, 0,
                                 nullptr, width, height, 32, 0);
    if (!image) {
        return;
    }
    image->data = static_cast<char*>(std::malloc(size_t(image->bytes_per_line) * height));
    if (image->data) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint32_t p = pixels[size_t(y) * width + x];
                XPutPixel(image, x, y,
                          ScaleChannel((p >> 16) & 0xFF, visual->red_mask) |
                              ScaleChannel((p >> 8) & 0xFF, visual->green_mask) |
                              ScaleChannel(p & 0xFF, visual->blue_mask));
            }
        }
        XPutImage(display, xid, x11::CopyGc(), image, 0, 0, 0, 0, width, height);
    }
    XDestroyImage(image);
}

void PutPicture(NativeWindow window, const uint32_t* pixels, Size size) {
    Display* display = x11::Connection();
    if (!display || size.width <= 0 || size.height <= 0) {
        return;
    }
    static const bool direct = ServerTakesXrgb(display);
    if (!direct) {
        PutTranslated(display, window->xid, pixels, size.width, size.height);
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
    XPutImage(display, window->xid, x11::CopyGc(), &image, 0, 0, 0, 0, size.width, size.height);
}

void UseColor(cairo_t* cr, Rgba color) {
    cairo_set_source_rgba(cr, color.r / 255.0, color.g / 255.0, color.b / 255.0, color.a / 255.0);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
}

int WholeWidth(float lineWidth) {
    return std::max(1, static_cast<int>(std::lround(lineWidth)));
}

}  // namespace

Canvas::Canvas(NativeWindow window) : impl_(std::make_unique<Impl>()) {
    if (backend::Alive(window) && window->clientSize.width > 0 && window->clientSize.height > 0) {
        impl_->window = window;
        impl_->size = window->clientSize;
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
    cairo_set_antialias(impl_->cr, CAIRO_ANTIALIAS_NONE);
}

Canvas::~Canvas() {
    cairo_destroy(impl_->cr);
    cairo_surface_flush(impl_->surface);
    if (impl_->pixels && backend::Alive(impl_->window)) {
        PutPicture(impl_->window, impl_->pixels->data(), impl_->size);
    }
    cairo_surface_destroy(impl_->surface);
    if (impl_->pixels) {
        ReturnBuffer(impl_->pixels);
    }
}

Size Canvas::GetSize() const {
    return impl_->size;
}

void Canvas::FillRect(const Rect& r, Rgba color) {
    if (r.IsEmpty() || color.IsEmpty()) {
        return;
    }
    cairo_t* cr = impl_->cr;
    UseColor(cr, color);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    cairo_fill(cr);
}

void Canvas::StrokeRect(const Rect& r, Rgba color, float lineWidth) {
    if (r.width < 0 || r.height < 0 || color.IsEmpty()) {
        return;
    }
    // The band of a t-pixel line is centred on the outline, as a pen is; the inner rectangle is
    // cut out with the even-odd rule so that no pixel is blended twice.
    const int t = WholeWidth(lineWidth);
    const int before = (t - 1) / 2;
    cairo_t* cr = impl_->cr;
    UseColor(cr, color);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_rectangle(cr, r.x - before, r.y - before, r.width + t, r.height + t);
    const int innerWidth = r.width - t;
    const int innerHeight = r.height - t;
    if (innerWidth > 0 && innerHeight > 0) {
        cairo_rectangle(cr, r.x - before + t, r.y - before + t, innerWidth, innerHeight);
    }
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

void Canvas::DrawLine(int x1, int y1, int x2, int y2, Rgba color, float lineWidth) {
    if (color.IsEmpty()) {
        return;
    }
    const int t = WholeWidth(lineWidth);
    const int before = (t - 1) / 2;
    cairo_t* cr = impl_->cr;
    UseColor(cr, color);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    if (x1 == x2 || y1 == y2) {
        cairo_rectangle(cr, std::min(x1, x2) - before, std::min(y1, y2) - before,
                        std::abs(x2 - x1) + t, std::abs(y2 - y1) + t);
    } else {
        // Bresenham's pixels, each stamped as a t×t square; the nonzero rule fills their union
        // once, so alpha colours blend evenly along the line.
        const int dx = std::abs(x2 - x1);
        const int dy = -std::abs(y2 - y1);
        const int sx = x1 < x2 ? 1 : -1;
        const int sy = y1 < y2 ? 1 : -1;
        int error = dx + dy;
        int x = x1;
        int y = y1;
        for (;;) {
            cairo_rectangle(cr, x - before, y - before, t, t);
            if (x == x2 && y == y2) {
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
    cairo_fill(cr);
}

void Canvas::FillVerticalGradient(const Rect& r, Rgba top, Rgba bottom) {
    if (r.IsEmpty()) {
        return;
    }
    cairo_t* cr = impl_->cr;
    cairo_pattern_t* pattern = cairo_pattern_create_linear(0, r.y, 0, r.y + r.height);
    cairo_pattern_add_color_stop_rgba(pattern, 0, top.r / 255.0, top.g / 255.0, top.b / 255.0,
                                      top.a / 255.0);
    cairo_pattern_add_color_stop_rgba(pattern, 1, bottom.r / 255.0, bottom.g / 255.0,
                                      bottom.b / 255.0, bottom.a / 255.0);
    // Mirrored repetition: the rows next to either edge keep their own end's colour instead of
    // wrapping round to the other end's.
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REFLECT);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_source(cr, pattern);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
}

void Canvas::SetClip(const Rect& r) {
    cairo_t* cr = impl_->cr;
    cairo_reset_clip(cr);
    cairo_rectangle(cr, r.x, r.y, std::max(0, r.width), std::max(0, r.height));
    cairo_clip(cr);
}

}  // namespace platform
