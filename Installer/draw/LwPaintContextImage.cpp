// The paint context's images: whole pictures and source rectangles of them.
#include "draw/LwImage.h"
#include "draw/LwPaintContext.h"

void LwPaintContext::DrawImage(const LwImage& image, const LwPoint& position, const LwSize& size) {
    const platform::Bitmap* bitmap = image.GetBitmap();
    if (!bitmap) {
        return;
    }
    const LwSize natural = bitmap->GetSize();
    // A zero or negative width or height means the picture's own size, in both directions.
    const LwSize drawn = (size.width <= 0 || size.height <= 0) ? natural : size;
    canvas_->DrawBitmap(*bitmap, LwRect{position.x, position.y, drawn.width, drawn.height},
                        LwRect{0, 0, natural.width, natural.height});
}

void LwPaintContext::DrawImagePart(const LwImage& image, const LwRect& destination,
                                   const LwRect& source) {
    const platform::Bitmap* bitmap = image.GetBitmap();
    if (!bitmap) {
        return;
    }
    canvas_->DrawBitmap(*bitmap, destination, source);
}
