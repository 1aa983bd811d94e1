// The backend side of a Canvas, shared by the shape, text and bitmap files of the Linux backend.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "platform/Canvas.h"
#include "platform/pixel_grid.h"

namespace platform {

// Everything below `grid` is in the window's pixels; the toolkit's logical units become pixels
// as they come in.
struct Canvas::Impl {
    NativeWindow window = nullptr;  // null for a measuring canvas (or a window already gone)
    PixelGrid grid;
    Size logicalSize;
    Size size;
    // Where the picture's top left lies in the client area (a partial paint).
    Point origin;
    // Always valid: a painting canvas draws on a client-sized RGB24 picture, a measuring canvas
    // on a 1×1 scratch surface.
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    // Pixel storage of a painting canvas, lent by a pool and handed back when the canvas ends.
    // The shapes write it directly; cairo draws text and pictures on the same memory.
    std::vector<uint32_t>* pixels = nullptr;
    // What of the picture reaches the window: the update region, less what the ancestors cut
    // off. Drawing outside it is wasted, so every clip lies inside it.
    Rect reach;
    // The clip in force, client coordinates: kept here for the direct shapes, set on `cr` too.
    Rect clip;
};

}  // namespace platform
