// A decoded picture owning its pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Geometry.h"

namespace platform {

class Bitmap {
  public:
    ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // Null when the bytes are not a PNG that decodes, with `why` (where given) naming the call
    // that failed and the system's status; nothing reads `bytes` after the call.
    static std::unique_ptr<Bitmap> DecodePng(const uint8_t* bytes, size_t count,
                                             std::string* why = nullptr);
    Size GetSize() const;
    // Straight (not premultiplied) 0xAARRGGBB values, row by row: window icons and pixel checks.
    std::vector<uint32_t> ArgbPixels() const;

    struct Impl;  // backend-private
    const Impl& impl() const { return *impl_; }

  private:
    explicit Bitmap(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
