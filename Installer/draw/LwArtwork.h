// Ids of the embedded artwork (raw-data blocks holding PNG files).
#pragma once

inline constexpr int kLwBannerImageId = 500;      // 160 x 310 RGB wizard banner
inline constexpr int kLwComboSkinImageId = 501;   // 112 x 17 RGBA combo-box skin
inline constexpr int kLwCheckStripImageId = 502;  // 28 x 14 RGB: unchecked and checked boxes
// Artwork drawn at twice the size has the id of its 1x picture plus this.
inline constexpr int kLwDoubleSizeIdOffset = 20;

// The application icon, one RGBA picture per size, from kLwIconFirstImageId upwards.
inline constexpr int kLwIconFirstImageId = 510;
inline constexpr int kLwIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
