// Decoding embedded PNG artwork into a held picture.
#include "draw/LwImage.h"

#include "platform/Resources.h"

LwImage::LwImage() = default;

LwImage::~LwImage() = default;

void LwImage::LoadFromMemory(const void* bytes, size_t count) {
    bitmap_.reset();
    bitmap_ = platform::Bitmap::DecodePng(static_cast<const uint8_t*>(bytes), count);
}

void LwImage::LoadFromResource(int id) {
    platform::ResourceBlock block;
    if (platform::FindResource(platform::kResourceTypeRcData, id, &block)) {
        LoadFromMemory(block.data, block.size);
    } else {
        bitmap_.reset();
    }
}

LwSize LwImage::GetSize() const {
    return bitmap_ ? bitmap_->GetSize() : LwSize{};
}
