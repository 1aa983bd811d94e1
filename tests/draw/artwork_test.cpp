// The embedded artwork: sizes, PNG pixel formats and the key colours of the two control skins.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "draw/LwArtwork.h"
#include "platform/Bitmap.h"
#include "platform/Resources.h"

namespace {

struct Artwork {
    platform::ResourceBlock block;
    std::unique_ptr<platform::Bitmap> bitmap;
    std::vector<uint32_t> pixels;
    int width = 0;

    explicit Artwork(int id) {
        if (!platform::FindResource(platform::kResourceTypeRcData, id, &block)) {
            return;
        }
        bitmap = platform::Bitmap::DecodePng(block.data, block.size);
        if (bitmap) {
            pixels = bitmap->ArgbPixels();
            width = bitmap->GetSize().width;
        }
    }
    // PNG header fields: IHDR starts at byte 16 (width, height, depth, colour type, ...).
    int BitDepth() const { return block.data[24]; }
    int ColourType() const { return block.data[25]; }
    int Interlace() const { return block.data[28]; }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

uint32_t Rgb(int r, int g, int b) {
    return 0xFF000000u | r << 16 | g << 8 | b;
}
int Red(uint32_t p) {
    return (p >> 16) & 255;
}
int Green(uint32_t p) {
    return (p >> 8) & 255;
}
int Blue(uint32_t p) {
    return p & 255;
}
int Alpha(uint32_t p) {
    return p >> 24;
}
bool IsNearBlack(uint32_t p) {
    return Red(p) < 30 && Green(p) < 30 && Blue(p) < 30;
}

void ExpectPngFormat(const Artwork& art, int width, int height, bool alpha) {
    ASSERT_NE(art.bitmap, nullptr);
    EXPECT_EQ(art.bitmap->GetSize(), (platform::Size{width, height}));
    EXPECT_EQ(art.BitDepth(), 8);
    EXPECT_EQ(art.ColourType(), alpha ? 6 : 2);
    EXPECT_EQ(art.Interlace(), 0);
}

TEST(Artwork, BannerIsOpaqueRgbWithWarmBackgroundAndOrangeRedSpheres) {
    Artwork banner(kLwBannerImageId);
    ExpectPngFormat(banner, 160, 310, false);
    int warm = 0;
    int orangeRed = 0;
    for (uint32_t p : banner.pixels) {
        warm += Red(p) >= Green(p) && Green(p) >= Blue(p);
        orangeRed += Red(p) > 150 && Green(p) < 110 && Blue(p) < 80;
    }
    EXPECT_GT(warm, static_cast<int>(banner.pixels.size()) * 9 / 10);
    EXPECT_GT(orangeRed, static_cast<int>(banner.pixels.size()) / 20);
}

TEST(Artwork, CheckStripHasUncheckedAndCheckedFrames) {
    Artwork strip(kLwCheckStripImageId);
    ExpectPngFormat(strip, 28, 14, false);
    struct Frame {
        int left;
        uint32_t bottom, rim, edge, centre;
    };
    const Frame frames[] = {
        {0, Rgb(106, 107, 108), Rgb(37, 37, 37), Rgb(55, 55, 55), Rgb(150, 150, 150)},
        {14, Rgb(106, 144, 169), Rgb(37, 84, 115), Rgb(57, 156, 198), Rgb(165, 253, 253)},
    };
    for (const Frame& f : frames) {
        SCOPED_TRACE(f.left);
        for (int i = 0; i < 13; ++i) {
            EXPECT_TRUE(IsNearBlack(strip.At(f.left + i, 0)));
            EXPECT_TRUE(IsNearBlack(strip.At(f.left, i)));
            EXPECT_TRUE(IsNearBlack(strip.At(f.left + 13, i)));
        }
        EXPECT_EQ(strip.At(f.left + 6, 13), f.bottom);
        EXPECT_EQ(strip.At(f.left + 1, 6), f.rim);
        EXPECT_EQ(strip.At(f.left + 6, 12), f.rim);
        EXPECT_EQ(strip.At(f.left + 2, 2), f.edge);
        EXPECT_EQ(strip.At(f.left + 11, 7), f.edge);
        EXPECT_EQ(strip.At(f.left + 6, 6), f.centre);
        EXPECT_EQ(strip.At(f.left + 7, 7), f.centre);
    }
}

TEST(Artwork, ComboSkinHasFieldButtonAndArrow) {
    Artwork skin(kLwComboSkinImageId);
    ExpectPngFormat(skin, 112, 17, true);
    EXPECT_TRUE(IsNearBlack(skin.At(50, 0)));
    EXPECT_EQ(skin.At(50, 16), Rgb(116, 117, 119));
    EXPECT_TRUE(IsNearBlack(skin.At(0, 8)));
    EXPECT_TRUE(IsNearBlack(skin.At(111, 8)));
    for (int x = 2; x <= 92; x += 10) {
        EXPECT_EQ(skin.At(x, 8), Rgb(203, 200, 200)) << x;
    }
    // A dark button from x = 93 to 109 holding a light downward triangle on rows 6 to 10.
    for (int x = 93; x <= 109; ++x) {
        EXPECT_LT(Red(skin.At(x, 3)), 90) << x;
    }
    int previousWidth = 1000;
    for (int y = 6; y <= 10; ++y) {
        int light = 0;
        long sumX = 0;
        for (int x = 93; x <= 109; ++x) {
            if (Red(skin.At(x, y)) > 180) {
                ++light;
                sumX += x;
            }
        }
        EXPECT_GT(light, 0) << y;
        EXPECT_LT(light, previousWidth) << y;  // narrowing downwards
        EXPECT_EQ(sumX / light, 101) << y;     // centred in the button
        previousWidth = light;
    }
    EXPECT_EQ(Alpha(skin.At(50, 8)), 255);
}

TEST(Artwork, IconComesInSevenSquareRgbaSizes) {
    for (size_t i = 0; i < std::size(kLwIconSizes); ++i) {
        const int size = kLwIconSizes[i];
        SCOPED_TRACE(size);
        Artwork icon(kLwIconFirstImageId + static_cast<int>(i));
        ExpectPngFormat(icon, size, size, true);
        EXPECT_EQ(Alpha(icon.At(0, 0)), 0);                  // transparent corner
        EXPECT_EQ(Alpha(icon.At(size / 2, size / 2)), 255);  // opaque sphere
    }
}

// Each 2x picture is drawn from the scene at twice the size: it is the 1x picture's twin in
// size and format, agrees with it on average over each 2 x 2 block, and has detail of its own
// inside the blocks, which a blown-up 1x picture would not.
TEST(Artwork, DoubleSizePicturesAreDrawnAtTwiceTheSizeNotBlownUp) {
    struct Twin {
        int id;
        bool alpha;
        int blocksWithDetail;  // at least this many 2 x 2 blocks are not of one colour
    };
    for (const Twin& twin :
         {Twin{kLwBannerImageId, false, 2000}, Twin{kLwComboSkinImageId, true, 10},
          Twin{kLwCheckStripImageId, false, 10}}) {
        SCOPED_TRACE(twin.id);
        const Artwork single(twin.id);
        const Artwork twice(twin.id + kLwDoubleSizeIdOffset);
        ASSERT_NE(single.bitmap, nullptr);
        const platform::Size size = single.bitmap->GetSize();
        ExpectPngFormat(twice, size.width * 2, size.height * 2, twin.alpha);
        if (!twice.bitmap) {
            continue;
        }
        int detailed = 0;
        long difference = 0;
        for (int y = 0; y < size.height; ++y) {
            for (int x = 0; x < size.width; ++x) {
                const uint32_t block[] = {twice.At(2 * x, 2 * y), twice.At(2 * x + 1, 2 * y),
                                          twice.At(2 * x, 2 * y + 1),
                                          twice.At(2 * x + 1, 2 * y + 1)};
                detailed += !(block[0] == block[1] && block[0] == block[2] && block[0] == block[3]);
                int mean = 0;
                for (uint32_t p : block) {
                    mean += Green(p);
                }
                difference += std::abs(mean / 4 - Green(single.At(x, y)));
            }
        }
        EXPECT_GE(detailed, twin.blocksWithDetail);
        EXPECT_LT(difference / (size.width * size.height), 8);  // the same picture
    }
}

}  // namespace
