// The backend side of a Font, shared by the text drawing and the text control of the Win32 backend.
#pragma once

#include <string>

#include "platform/Font.h"
#include "platform/win32/gdiplus_session.h"

namespace platform {

struct Font::Impl {
    Impl() = default;
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    // Null when no installed family could make the font: text in it draws nothing.
    Gdiplus::GpFont* font = nullptr;
    // The family actually used, after fallback; empty for an invalid font.
    std::wstring family;
    float sizePixels = 0.0f;
    // kFontBold, kFontItalic and kFontUnderline only.
    int styleBits = 0;
};

}  // namespace platform
