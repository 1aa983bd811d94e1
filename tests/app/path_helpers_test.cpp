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
