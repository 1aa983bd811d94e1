// UTF-8 <-> UTF-16 conversions: exact for valid text (checked against iconv), replacement
// characters for ill-formed input.
#include <gtest/gtest.h>
#include <iconv.h>

#include <random>

#include "draw/TextConversion.h"

namespace {

using platform::WideString;

// The reference converter: glibc's iconv.
template <typename Out>
Out Iconv(const char* to, const char* from, const void* data, size_t bytes) {
    iconv_t cd = iconv_open(to, from);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out(bytes * 4 + 16, '\0');
    char* in = const_cast<char*>(static_cast<const char*>(data));
    char* dest = out.data();
    size_t inLeft = bytes, outLeft = out.size();
    EXPECT_NE(iconv(cd, &in, &inLeft, &dest, &outLeft), static_cast<size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    Out result(out.size() / sizeof(typename Out::value_type), 0);
    memcpy(result.data(), out.data(), out.size());
    return result;
}

// Random valid text of all lengths of UTF-8 sequences, astral characters included.
std::u32string RandomText(std::mt19937& random, size_t length) {
    std::uniform_int_distribution<int> plane(0, 3);
    std::u32string text;
    while (text.size() < length) {
        char32_t c = 0;
        switch (plane(random)) {
            case 0:
                c = std::uniform_int_distribution<char32_t>(1, 0x7F)(random);
                break;
            case 1:
                c = std::uniform_int_distribution<char32_t>(0x80, 0x7FF)(random);
                break;
            case 2:
                c = std::uniform_int_distribution<char32_t>(0x800, 0xFFFF)(random);
                break;
            default:
                c = std::uniform_int_distribution<char32_t>(0x10000, 0x10FFFF)(random);
                break;
        }
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        text.push_back(c);
    }
    return text;
}

TEST(TextConversion, EmptyAndSingleCharacter) {
    EXPECT_TRUE(Utf8ToWide(std::string()).empty());
    EXPECT_TRUE(WideToUtf8(WideString()).empty());
    EXPECT_TRUE(Utf8ToWide(static_cast<const char*>(nullptr)).empty());
    EXPECT_EQ(Utf8ToWide("a"), u"a");
    EXPECT_EQ(Utf8ToWide("\xC3\xA9").size(), 1u);
    EXPECT_EQ(WideToUtf8(u"\u00E9"), "\xC3\xA9");
    EXPECT_EQ(WideToUtf8(u"x").size(), 1u);
}

TEST(TextConversion, StopsAtTheFirstNul) {
    EXPECT_EQ(Utf8ToWide(std::string("ab\0cd", 5)), u"ab");
    EXPECT_EQ(WideToUtf8(WideString(u"ab\0cd", 5)), "ab");
}

TEST(TextConversion, RandomValidTextMatchesIconv) {
    std::mt19937 random(20240601);
    for (int round = 0; round < 300; ++round) {
        const std::u32string text = RandomText(random, round % 40 + 1);
        const auto utf8 = Iconv<std::string>("UTF-8", "UTF-32LE", text.data(), text.size() * 4);
        const auto utf16 =
            Iconv<std::u16string>("UTF-16LE", "UTF-32LE", text.data(), text.size() * 4);
        const WideString wide = Utf8ToWide(utf8);
        ASSERT_EQ(std::u16string(wide.begin(), wide.end()), utf16) << round;
        ASSERT_EQ(WideToUtf8(wide), utf8) << round;
    }
}

TEST(TextConversion, NonAsciiFolderRoundTrips) {
    const WideString folder = u"C:\\Programme\\\u00DCber\\\u65E5\u672C\\\U0001F600 \u263A";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(folder)), folder);
}

TEST(TextConversion, IllFormedUtf8BecomesReplacementCharacters) {
    struct Case {
        std::string input;
        std::u16string expected;
    };
    const Case cases[] = {
        {"a\x80z", u"a\uFFFDz"},                            // lone continuation byte
        {"\xC0\x80", u"\uFFFD\uFFFD"},                      // overlong NUL
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
        {"\xE2\x82z", u"\uFFFDz"},                          // truncated, one replacement
        {"\xF0\x9F\x98", u"\uFFFD"},                        // truncated at the end
        {"\xFF\xFE", u"\uFFFD\uFFFD"},
        {"\xC3", u"\uFFFD"},
    };
    for (const Case& c : cases) {
        const WideString wide = Utf8ToWide(c.input);
        EXPECT_EQ(std::u16string(wide.begin(), wide.end()), c.expected) << c.input;
    }
}

TEST(TextConversion, UnpairedSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(WideToUtf8(u"a\xD800z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(WideToUtf8(u"\xDC00"), "\xEF\xBF\xBD");
    EXPECT_EQ(WideToUtf8(WideString(1, u'\xD83D')), "\xEF\xBF\xBD");
    EXPECT_EQ(WideToUtf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
}

TEST(TextConversion, InvalidInputNeverReadsPastTheEnd) {
    // Every prefix of a four-byte sequence, in exactly sized buffers (ASan checks the reads).
    const char bytes[] = {'\xF0', '\x9F', '\x98', '\x80'};
    for (size_t length = 1; length <= 4; ++length) {
        const std::string exact(bytes, length);
        EXPECT_EQ(Utf8ToWide(exact).size(), length == 4 ? 2u : 1u);
    }
}

}  // namespace
