// A font by family name and pixel size, falling back to the system's sans-serif.
#pragma once

#include <memory>
#include <string>

namespace platform {

enum FontStyleBits : int { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4 };

class Font {
public:
    // Style bits other than the three above are ignored.
    Font(const std::string& familyUtf8, float sizePixels, int styleBits);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    bool IsValid() const;
    // The family actually used (after fallback).
    std::string ResolvedFamily() const;

    struct Impl;  // backend-private
    const Impl& impl() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
