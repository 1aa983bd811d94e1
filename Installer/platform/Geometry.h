// Plain value types shared by the platform layer and everything above it.
#pragma once

#include <algorithm>
#include <cstdint>

namespace platform {

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y; }
    friend bool operator!=(const Point& a, const Point& b) { return !(a == b); }
};

struct Size {
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const Size& a, const Size& b) {
        return a.width == b.width && a.height == b.height;
    }
    friend bool operator!=(const Size& a, const Size& b) { return !(a == b); }
};

struct Rect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t Right() const { return x + width; }
    int32_t Bottom() const { return y + height; }
    bool IsEmpty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const Rect& a, const Rect& b) {
        return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
    }
    friend bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }
};

// The overlap of two rectangles; all zero when they don't overlap.
inline Rect Intersect(const Rect& a, const Rect& b) {
    const int32_t left = std::max(a.x, b.x);
    const int32_t top = std::max(a.y, b.y);
    const int32_t right = std::min(a.Right(), b.Right());
    const int32_t bottom = std::min(a.Bottom(), b.Bottom());
    return right > left && bottom > top ? Rect{left, top, right - left, bottom - top} : Rect{};
}

// The smallest rectangle holding both.
inline Rect Union(const Rect& a, const Rect& b) {
    const int32_t left = std::min(a.x, b.x);
    const int32_t top = std::min(a.y, b.y);
    return Rect{left, top, std::max(a.Right(), b.Right()) - left,
                std::max(a.Bottom(), b.Bottom()) - top};
}

// Byte order r, g, b, a; all four zero is the "empty" colour that draws nothing.
struct Rgba {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 0;
    uint32_t Argb() const {
        return (uint32_t{a} << 24) | (uint32_t{r} << 16) | (uint32_t{g} << 8) | uint32_t{b};
    }
    bool IsEmpty() const { return r == 0 && g == 0 && b == 0 && a == 0; }
    friend bool operator==(const Rgba& x, const Rgba& y) {
        return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
    }
    friend bool operator!=(const Rgba& x, const Rgba& y) { return !(x == y); }
};

}  // namespace platform
