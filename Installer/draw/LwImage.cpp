// Decoding embedded PNG artwork into a held picture.
#include "draw/LwImage.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <string>

#include "draw/LwArtwork.h"
#include "platform/Resources.h"

namespace {

// A picture left out must not pass unseen, but a control made many times says so only once.
void ReportUndecodable(int id, const std::string& why) {
    static std::mutex guard;
    static std::set<int> reported;
    const std::lock_guard<std::mutex> lock(guard);
    if (reported.insert(id).second) {
        std::fprintf(stderr, "picture resource %d cannot be decoded (%s); it is left out\n", id,
                     why.c_str());
        std::fflush(stderr);
    }
}

}  // namespace

LwImage::LwImage() = default;

LwImage::~LwImage() = default;

void LwImage::LoadFromMemory(const void* bytes, size_t count) {
    bitmap_.reset();
    double_.reset();
    bitmap_ = platform::Bitmap::DecodePng(static_cast<const uint8_t*>(bytes), count);
}

namespace {

std::unique_ptr<platform::Bitmap> DecodeResource(int id) {
    platform::ResourceBlock block;
    if (!platform::FindResource(platform::kResourceTypeRcData, id, &block)) {
        return nullptr;
    }
    std::string why;
    auto bitmap =
        platform::Bitmap::DecodePng(static_cast<const uint8_t*>(block.data), block.size, &why);
    if (!bitmap) {
        ReportUndecodable(id, why);
    }
    return bitmap;
}

}  // namespace

void LwImage::LoadFromResource(int id) {
    double_.reset();
    bitmap_ = DecodeResource(id);
    if (bitmap_) {
        double_ = DecodeResource(id + kLwDoubleSizeIdOffset);
        const LwSize size = bitmap_->GetSize();
        if (double_ && double_->GetSize() != LwSize{size.width * 2, size.height * 2}) {
            double_.reset();  // not this picture's twin
        }
    }
}

const platform::Bitmap* LwImage::BitmapFor(double scale, int* density) const {
    // From one and a half times up, shrinking the larger picture keeps more than enlarging.
    const bool twice = double_ && scale >= 1.5;
    *density = twice ? 2 : 1;
    return twice ? double_.get() : bitmap_.get();
}

LwSize LwImage::GetSize() const {
    return bitmap_ ? bitmap_->GetSize() : LwSize{};
}
