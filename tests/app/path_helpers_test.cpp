// Internal (`/`) and native (`\`) path forms.
#include <gtest/gtest.h>

#include "app/PathHelpers.h"

namespace {

std::string Normalized(std::string path) {
    NormalizeSlashes(path);
    return path;
}

TEST(NormalizeSlashes, BackslashesBecomeSlashes) {
    EXPECT_EQ(Normalized("C:\\Program Files\\Adobe"), "C:/Program Files/Adobe");
}

TEST(NormalizeSlashes, RunsCollapseTrailingSeparatorStays) {
    EXPECT_EQ(Normalized("C:/a//b///c/"), "C:/a/b/c/");
    EXPECT_EQ(Normalized("C:\\/a\\\\/b"), "C:/a/b");
}

TEST(NormalizeSlashes, NetworkPathsKeepTwoLeadingSeparators) {
    EXPECT_EQ(Normalized("\\\\server\\share"), "//server/share");
    EXPECT_EQ(Normalized("///x"), "//x");
    EXPECT_EQ(Normalized("\\\\\\\\srv//share"), "//srv/share");
}

TEST(NormalizeSlashes, ShortPathsLoseALeadingPair) {
    EXPECT_EQ(Normalized("//"), "/");
    EXPECT_EQ(Normalized("//a"), "/a");
    EXPECT_EQ(Normalized(""), "");
}

TEST(NormalizeSlashes, MultiByteTextUntouched) {
    EXPECT_EQ(Normalized("D:\\\xC3\x9C"
                         "ber\\\xF0\x9F\x98\x80"),
              "D:/\xC3\x9C"
              "ber/\xF0\x9F\x98\x80");
}

TEST(ToNativePath, NullEmptyAndMixed) {
    EXPECT_EQ(ToNativePath(nullptr), "");
    EXPECT_EQ(ToNativePath(""), "");
    EXPECT_EQ(ToNativePath("C:/a//b"), "C:\\a\\b");
    EXPECT_EQ(ToNativePath("//server//share/x"), "\\\\server\\share\\x");
    EXPECT_EQ(ToNativePath("D:/Plugins/Host"), "D:\\Plugins\\Host");
}

}  // namespace

namespace {

// Seven pixels a character, as a fixed-pitch font would measure it.
int FixedPitch(const std::string& text) {
    int characters = 0;
    for (const char c : text) {
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return 7 * characters;
}

}  // namespace

TEST(ElidePathMiddle, KeepsTheFirstFolderAndTheMostLastNamesThatFit) {
    const std::string windows = "C:\\Program Files\\Adobe\\Common\\Plug-ins";
    EXPECT_EQ(ElidePathMiddle(windows, 7 * 40, FixedPitch), windows);
    EXPECT_EQ(ElidePathMiddle(windows, 7 * 13, FixedPitch), "C:\\\xE2\x80\xA6\\Plug-ins");
    EXPECT_EQ(ElidePathMiddle(windows, 7 * 20, FixedPitch), "C:\\\xE2\x80\xA6\\Common\\Plug-ins");
    const std::string prefixPath = "/home/ana/.wine/drive_c/Plug-ins";
    EXPECT_EQ(ElidePathMiddle(prefixPath, 7 * 16, FixedPitch), "/home/\xE2\x80\xA6/Plug-ins");
}

TEST(ElidePathMiddle, CutsInsideANameOnlyWhenNoWholeNameFitsAndNeverInsideACharacter) {
    const std::string path = "/srv/\xC3\xA9t\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9/abcdefghij";
    for (int width = 0; width <= FixedPitch(path); ++width) {
        const std::string shown = ElidePathMiddle(path, width, FixedPitch);
        SCOPED_TRACE(width);
        EXPECT_TRUE(shown == path || FixedPitch(shown) <= width || shown == "\xE2\x80\xA6");
        const size_t cut = shown.find("\xE2\x80\xA6") + 3;
        if (cut < shown.size()) {
            EXPECT_NE(static_cast<unsigned char>(shown[cut]) & 0xC0, 0x80);
        }
    }
    EXPECT_EQ(ElidePathMiddle(path, 7 * 9, FixedPitch), "/srv/\xE2\x80\xA6hij");
}
