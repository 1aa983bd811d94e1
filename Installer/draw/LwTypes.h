// The toolkit's value types. They are the platform layer's own, so no conversion is needed at
// the seam.
#pragma once

#include "platform/Geometry.h"

using LwPoint = platform::Point;
using LwSize = platform::Size;
using LwRect = platform::Rect;
using LwColor = platform::Rgba;

inline constexpr LwColor kLwWhite{255, 255, 255, 255};
inline constexpr LwColor kLwBlack{0, 0, 0, 255};
inline constexpr LwColor kLwEmpty{0, 0, 0, 0};

// A background whose r, g, b are magenta paints nothing, whatever its alpha.
inline bool IsNoBackground(const LwColor& c) {
    return c.r == 255 && c.g == 0 && c.b == 255;
}

inline constexpr LwColor LwGrey(uint8_t level) {
    return LwColor{level, level, level, 255};
}

// The dots of the keyboard focus mark, light on the wizard's dark greys.
inline constexpr LwColor kLwFocusMarkColor = LwGrey(210);
