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
    // decode too, said once per block on standard error.
    void LoadFromResource(int id);

    // (0, 0) when empty.
    LwSize GetSize() const;
    bool IsEmpty() const { return bitmap_ == nullptr; }
    // Null when empty; for the paint context.
    const platform::Bitmap* GetBitmap() const { return bitmap_.get(); }

  private:
    std::unique_ptr<platform::Bitmap> bitmap_;
};
