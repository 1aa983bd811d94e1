// The drawing surface of one paint: an off-screen picture the size of the client area, copied
// to the window in one step when the canvas ends. A canvas without a window only measures text.
#pragma once

#include <memory>
#include <string>

#include "platform/Geometry.h"
#include "platform/Window.h"

namespace platform {

class Bitmap;
class Font;

enum TextAlignBits : int { kTextAlignCenter = 1, kTextAlignRight = 2, kTextAlignMiddle = 4 };

class Canvas {
  public:
    // Begins a paint of `window` (may be null: a measuring canvas).
    explicit Canvas(NativeWindow window);
    // Begins a paint of the part `area` (client coordinates) of the window: drawing still uses
    // client coordinates, and only that part is painted. For windows far larger than what
    // their parents show of them.
    Canvas(NativeWindow window, const Rect& area);
    // Copies the picture to the window, then releases the surface.
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // The size of the picture: the client area's, or the part's, in logical units.
    Size GetSize() const;
    // The window's pixels per logical unit; every place and size given here is multiplied by it.
    double GetScale() const;

    // Whole-pixel primitives: no anti-aliased half pixels.
    void FillRect(const Rect& r, Rgba color);
    // A 1-pixel outline whose corners are (x, y) and (x + width, y + height), both drawn.
    void StrokeRect(const Rect& r, Rgba color, float lineWidth);
    // Both end points are drawn.
    void DrawLine(int x1, int y1, int x2, int y2, Rgba color, float lineWidth);
    // Vertical two-colour gradient over r, tiled with flipping beyond it.
    void FillVerticalGradient(const Rect& r, Rgba top, Rgba bottom);
    void SetClip(const Rect& r);

    // Text in the font, wrapped at word boundaries inside layout sizes that are not zero.
    Size MeasureText(const Font& font, const std::string& utf8, Size layout);
    void DrawText(const Font& font, const std::string& utf8, const Rect& box, int alignBits,
                  Rgba color);

    void DrawBitmap(const Bitmap& bitmap, const Rect& destination, const Rect& source);

    struct Impl;  // backend-private
    Impl& impl() { return *impl_; }

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
