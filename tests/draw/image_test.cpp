// Decoding pictures into LwImage: sizes, empty holders, bad bytes and reloading.
#include <gtest/gtest.h>

#include <vector>

#include "draw/LwArtwork.h"
#include "draw/LwImage.h"
#include "platform/Resources.h"

namespace {

std::vector<uint8_t> ArtworkBytes(int id) {
    platform::ResourceBlock block;
    if (!platform::FindResource(platform::kResourceTypeRcData, id, &block)) {
        return {};
    }
    return std::vector<uint8_t>(block.data, block.data + block.size);
}

TEST(Image, EmptyHolderHasZeroSize) {
    LwImage image;
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.GetSize(), (LwSize{0, 0}));
}

TEST(Image, DecodesFromMemoryAndOwnsItsPixels) {
    std::vector<uint8_t> bytes = ArtworkBytes(kLwComboSkinImageId);
    ASSERT_FALSE(bytes.empty());
    LwImage image;
    image.LoadFromMemory(bytes.data(), bytes.size());
    bytes.assign(bytes.size(), 0);  // nothing may read the bytes after loading
    bytes.clear();
    bytes.shrink_to_fit();
    EXPECT_EQ(image.GetSize(), (LwSize{112, 17}));
    EXPECT_EQ(image.GetBitmap()->ArgbPixels().size(), 112u * 17u);
}

TEST(Image, LoadsEmbeddedArtworkById) {
    LwImage banner;
    banner.LoadFromResource(kLwBannerImageId);
    EXPECT_EQ(banner.GetSize(), (LwSize{160, 310}));
    LwImage missing;
    missing.LoadFromResource(4711);
    EXPECT_TRUE(missing.IsEmpty());
}

TEST(Image, BadBytesLeaveTheHolderEmpty) {
    const std::vector<uint8_t> banner = ArtworkBytes(kLwBannerImageId);
    ASSERT_GT(banner.size(), 100u);
    LwImage image;
    const uint8_t garbage[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    image.LoadFromMemory(garbage, sizeof garbage);
    EXPECT_TRUE(image.IsEmpty());
    image.LoadFromMemory(banner.data(), banner.size() / 2);  // truncated
    EXPECT_TRUE(image.IsEmpty());
    image.LoadFromMemory(nullptr, 0);
    EXPECT_TRUE(image.IsEmpty());
    std::vector<uint8_t> corrupt = banner;
    corrupt[20] ^= 0xFF;  // inside the header chunk: its checksum no longer matches
    image.LoadFromMemory(corrupt.data(), corrupt.size());
    EXPECT_TRUE(image.IsEmpty());
}

TEST(Image, LoadingAgainReplacesOrEmptiesTheHolder) {
    const std::vector<uint8_t> banner = ArtworkBytes(kLwBannerImageId);
    const std::vector<uint8_t> strip = ArtworkBytes(kLwCheckStripImageId);
    LwImage image;
    image.LoadFromMemory(banner.data(), banner.size());
    image.LoadFromMemory(strip.data(), strip.size());
    EXPECT_EQ(image.GetSize(), (LwSize{28, 14}));
    const uint8_t garbage[] = {0x89, 'P', 'N', 'G'};
    image.LoadFromMemory(garbage, sizeof garbage);
    EXPECT_TRUE(image.IsEmpty());
}

}  // namespace
