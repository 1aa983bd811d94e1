// Decoding embedded PNG artwork into a held picture.
#include "draw/LwImage.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <string>

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
    bitmap_ = platform::Bitmap::DecodePng(static_cast<const uint8_t*>(bytes), count);
}

void LwImage::LoadFromResource(int id) {
    bitmap_.reset();
    platform::ResourceBlock block;
    if (!platform::FindResource(platform::kResourceTypeRcData, id, &block)) {
        return;
    }
    std::string why;
    bitmap_ =
        platform::Bitmap::DecodePng(static_cast<const uint8_t*>(block.data), block.size, &why);
    if (!bitmap_) {
        ReportUndecodable(id, why);
    }
}

LwSize LwImage::GetSize() const {
    return bitmap_ ? bitmap_->GetSize() : LwSize{};
}
