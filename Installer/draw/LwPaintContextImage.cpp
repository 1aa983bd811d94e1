// The paint context's images: whole pictures and source rectangles of them.
#include "draw/LwImage.h"
#include "draw/LwPaintContext.h"

void LwPaintContext::DrawImage(const LwImage& image, const LwPoint& position, const LwSize& size) {
    const LwSize natural = image.GetSize();
    // A zero or negative width or height means the picture's own size, in both directions.
    const LwSize drawn = (size.width <= 0 || size.height <= 0) ? natural : size;
    DrawImagePart(image, LwRect{position.x, position.y, drawn.width, drawn.height},
                  LwRect{0, 0, natural.width, natural.height});
}

// `source` is in the logical units of the picture's own size, whichever picture is drawn.
void LwPaintContext::DrawImagePart(const LwImage& image, const LwRect& destination,
                                   const LwRect& source) {
    int density = 1;
    const platform::Bitmap* bitmap = image.BitmapFor(canvas_->GetScale(), &density);
    if (!bitmap) {
        return;
    }
    canvas_->DrawBitmap(*bitmap, destination,
                        LwRect{source.x * density, source.y * density, source.width * density,
                               source.height * density});
}
