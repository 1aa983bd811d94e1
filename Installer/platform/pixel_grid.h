// Logical units to a window's pixels and back, for the backends. Each edge is rounded on its
// own, measured from the top-level window's client area, never a size: rectangles that meet in
// logical units meet in pixels at any factor, and a window's descendants share its grid.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/Geometry.h"

namespace platform {

class PixelGrid {
  public:
    PixelGrid() = default;
    // `origin`: where the client area lies in its top-level window's client area, logical.
    PixelGrid(double scale, Point origin) : scale_(scale), origin_(origin) {}

    double Scale() const { return scale_; }
    bool IsIdentity() const { return scale_ == 1.0; }

    // A logical coordinate of the client area to the pixel its edge falls on.
    int X(int x) const { return Edge(origin_.x + x) - Edge(origin_.x); }
    int Y(int y) const { return Edge(origin_.y + y) - Edge(origin_.y); }
    Point ToPixels(Point p) const { return {X(p.x), Y(p.y)}; }
    Rect ToPixels(const Rect& r) const {
        const int left = X(r.x);
        const int top = Y(r.y);
        return {left, top, X(r.Right()) - left, Y(r.Bottom()) - top};
    }
    // Sizes of a client area of its own (a top-level window's, a dialog's).
    Size ToPixels(Size s) const { return {Edge(s.width), Edge(s.height)}; }
    // A line or margin: whole pixels, never less than one for anything drawn.
    int Thickness(double logical) const {
        return logical <= 0 ? 0 : std::max(1, static_cast<int>(std::lround(logical * scale_)));
    }

    // The logical point whose pixels hold this one.
    Point ToLogical(Point pixel) const {
        return {Unit(Edge(origin_.x) + pixel.x) - origin_.x,
                Unit(Edge(origin_.y) + pixel.y) - origin_.y};
    }
    // The smallest logical rectangle that covers the pixels.
    Rect CoveringLogical(const Rect& pixels) const {
        const Point topLeft = ToLogical({pixels.x, pixels.y});
        const Point end = ToLogical({pixels.Right() - 1, pixels.Bottom() - 1});
        return {topLeft.x, topLeft.y, end.x + 1 - topLeft.x, end.y + 1 - topLeft.y};
    }
    // Where a pen `thickness` whole pixels wide is centred so that it covers the pixels of a
    // slanted line's logical end.
    Point PenCentre(Point end, int thickness) const {
        const int before = (thickness - 1) / 2;
        return {X(end.x) + before, Y(end.y) + before};
    }
    // Pixels reported by the system (a window manager's size, a frame) to logical units.
    int Nearest(int pixels) const { return static_cast<int>(std::lround(pixels / scale_)); }
    Size Nearest(Size pixels) const { return {Nearest(pixels.width), Nearest(pixels.height)}; }

  private:
    int Edge(int logical) const { return static_cast<int>(std::floor(logical * scale_ + 0.5)); }
    // Pixel p lies in unit u when Edge(u) <= p < Edge(u + 1).
    int Unit(int pixel) const { return static_cast<int>(std::ceil((pixel + 0.5) / scale_)) - 1; }

    double scale_ = 1.0;
    Point origin_;
};

// What a level or upright line of a pen `units` whole units wide covers, in logical units: the
// pen centred on the line, an even pen's extra unit after it.
inline Rect StraightLineRect(Point from, Point to, int units) {
    const int before = (units - 1) / 2;
    return {std::min(from.x, to.x) - before, std::min(from.y, to.y) - before,
            std::abs(to.x - from.x) + units, std::abs(to.y - from.y) + units};
}

}  // namespace platform
