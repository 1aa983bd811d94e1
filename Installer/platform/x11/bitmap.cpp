// Pictures on cairo: PNG decoding from memory and drawing a source rectangle into a destination.
#include <cairo.h>

#include <algorithm>
#include <cstring>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/x11/canvas_impl.h"

namespace platform {

struct Bitmap::Impl {
    explicit Impl(cairo_surface_t* s) : surface(s) {}
    ~Impl() { cairo_surface_destroy(surface); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    cairo_surface_t* const surface;  // an image surface that owns its pixels
};

namespace {

struct ByteReader {
    const uint8_t* next;
    size_t left;
};

cairo_status_t ReadBytes(void* closure, unsigned char* data, unsigned int length) {
    auto* reader = static_cast<ByteReader*>(closure);
    if (length > reader->left) {
        return CAIRO_STATUS_READ_ERROR;
    }
    std::memcpy(data, reader->next, length);
    reader->next += length;
    reader->left -= length;
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

Bitmap::Bitmap(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Bitmap::~Bitmap() = default;

std::unique_ptr<Bitmap> Bitmap::DecodePng(const uint8_t* bytes, size_t count, std::string* why) {
    if (!bytes || count == 0) {
        if (why) {
            *why = "no bytes";
        }
        return nullptr;
    }
    ByteReader reader{bytes, count};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadBytes, &reader);
    if (const cairo_status_t status = cairo_surface_status(surface);
        status != CAIRO_STATUS_SUCCESS) {
        if (why) {
            *why = std::string("cairo_image_surface_create_from_png_stream: ") +
                   cairo_status_to_string(status);
        }
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return std::unique_ptr<Bitmap>(new Bitmap(std::make_unique<Impl>(surface)));
}

Size Bitmap::GetSize() const {
    return Size{cairo_image_surface_get_width(impl_->surface),
                cairo_image_surface_get_height(impl_->surface)};
}

std::vector<uint32_t> Bitmap::ArgbPixels() const {
    cairo_surface_t* surface = impl_->surface;
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const bool hasAlpha = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
    const unsigned char* data = cairo_image_surface_get_data(surface);
    std::vector<uint32_t> pixels;
    pixels.reserve(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            uint32_t p = row[x];
            uint32_t a = hasAlpha ? p >> 24 : 255;
            auto straight = [a](uint32_t c) { return a == 0 ? 0 : (c * 255 + a / 2) / a; };
            pixels.push_back(a << 24 | straight((p >> 16) & 255) << 16 |
                             straight((p >> 8) & 255) << 8 | straight(p & 255));
        }
    }
    return pixels;
}

void Canvas::DrawBitmap(const Bitmap& bitmap, const Rect& logicalDestination, const Rect& source) {
    cairo_t* cr = impl_ ? impl_->cr : nullptr;
    const Rect destination = impl_->grid.ToPixels(logicalDestination);
    if (!cr || destination.IsEmpty() || source.IsEmpty()) {
        return;
    }
    // Only the part of the source inside the picture is drawn, where it maps to.
    const Size size = bitmap.GetSize();
    const int left = std::max(source.x, 0);
    const int top = std::max(source.y, 0);
    const int right = std::min(source.Right(), size.width);
    const int bottom = std::min(source.Bottom(), size.height);
    if (right <= left || bottom <= top) {
        return;
    }
    const bool oneToOne = destination.width == source.width && destination.height == source.height;
    // A sub-surface padded at its edges keeps filtering from pulling in pixels from beyond the
    // source rectangle when the picture is scaled.
    cairo_surface_t* part = cairo_surface_create_for_rectangle(bitmap.impl().surface, left, top,
                                                               right - left, bottom - top);
    cairo_save(cr);
    cairo_translate(cr, destination.x, destination.y);
    cairo_scale(cr, static_cast<double>(destination.width) / source.width,
                static_cast<double>(destination.height) / source.height);
    cairo_set_source_surface(cr, part, left - source.x, top - source.y);
    cairo_pattern_t* pattern = cairo_get_source(cr);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern, oneToOne ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_rectangle(cr, left - source.x, top - source.y, right - left, bottom - top);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_surface_destroy(part);
}

}  // namespace platform
