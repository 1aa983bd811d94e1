// UTF-8 <-> UTF-16 at the platform seam, through the portable codec of the platform layer.
#include "draw/TextConversion.h"

#include "platform/Unicode.h"

platform::WideString Utf8ToWide(const std::string& text) {
    return Utf8ToWide(text.c_str());
}

platform::WideString Utf8ToWide(const char* text) {
    if (text == nullptr) {
        return {};
    }
    return platform::Utf8ToUtf16(std::string_view(text));
}

std::string WideToUtf8(const platform::WideString& text) {
    return WideToUtf8(text.c_str());
}

std::string WideToUtf8(const platform::WideChar* text) {
    if (text == nullptr) {
        return {};
    }
    return platform::Utf16ToUtf8(platform::WideStringView(text));
}
