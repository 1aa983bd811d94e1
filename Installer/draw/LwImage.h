// A picture decoded from PNG bytes in memory, held for its owner's lifetime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "draw/LwTypes.h"
#include "platform/Bitmap.h"

class LwImage {
  public:
    LwImage();
    ~LwImage();
    LwImage(const LwImage&) = delete;
    LwImage& operator=(const LwImage&) = delete;

    // Replaces the held picture; bytes that do not decode leave the holder empty.
    void LoadFromMemory(const void* bytes, size_t count);
    // An embedded raw-data block; a missing block leaves the holder empty, and one that does not
    // decode too, said once per block on standard error. The same picture at twice the size
    // (id + kLwDoubleSizeIdOffset) comes with it where there is one.
    void LoadFromResource(int id);

    // The picture's own size, in logical units; (0, 0) when empty.
    LwSize GetSize() const;
    bool IsEmpty() const { return bitmap_ == nullptr; }
    // Null when empty; the picture at its own size.
    const platform::Bitmap* GetBitmap() const { return bitmap_.get(); }
    // The picture nearest a scale (pixels per logical unit), with its pixels per logical unit;
    // the canvas scales it only for factors in between.
    const platform::Bitmap* BitmapFor(double scale, int* density) const;

  private:
    std::unique_ptr<platform::Bitmap> bitmap_;
    std::unique_ptr<platform::Bitmap> double_;
};
