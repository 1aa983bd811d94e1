// The text conversions against the system's own converter: the same results for valid text,
// replacement characters (never an error) for invalid input.
#include <gtest/gtest.h>

#include <random>

#include "draw/TextConversion.h"
#include "platform/win32/windows_api.h"

namespace {

std::wstring SystemWide(const std::string& text) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

std::string SystemUtf8(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length,
                        nullptr, nullptr);
    return out;
}

TEST(TextConversionWindows, ValidTextAsTheSystemConvertsIt) {
    std::mt19937 random(12);
    std::uniform_int_distribution<int> lengths(0, 40);
    // Code points of every UTF-8 length, astral ones included, surrogates left out.
    std::uniform_int_distribution<uint32_t> points(1, 0x10FFFF - 0x800);
    for (int round = 0; round < 2000; ++round) {
        std::wstring wide;
        for (int i = lengths(random); i > 0; --i) {
            uint32_t c = points(random);
            c = c >= 0xD800 ? c + 0x800 : c;
            if (c >= 0x10000) {
                c -= 0x10000;
                wide += static_cast<wchar_t>(0xD800 + (c >> 10));
                wide += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            } else {
                wide += static_cast<wchar_t>(c);
            }
        }
        const std::string utf8 = SystemUtf8(wide);
        ASSERT_EQ(WideToUtf8(wide), utf8);
        ASSERT_EQ(Utf8ToWide(utf8), wide);
        ASSERT_EQ(SystemWide(utf8), wide);
    }
}

TEST(TextConversionWindows, EdgesOfTheEncoding) {
    EXPECT_EQ(Utf8ToWide(""), L"");
    EXPECT_EQ(WideToUtf8(L""), "");
    EXPECT_EQ(Utf8ToWide("a").size(), 1u);
    const std::wstring folder = L"C:\\Programme\\\u00DCber\\\u65E5\u672C\\\U0001F600 \u263A";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(folder)), folder);
}

TEST(TextConversionWindows, InvalidInputGivesReplacementsNeverAnError) {
    EXPECT_EQ(Utf8ToWide("a\x80z"), L"a\uFFFDz");
    EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");
    const wchar_t lone[] = {L'x', 0xD800, L'y', 0};
    EXPECT_EQ(WideToUtf8(lone), "x\xEF\xBF\xBDy");
}

}  // namespace
