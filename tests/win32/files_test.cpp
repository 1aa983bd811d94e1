// Folders and paths of the Windows file system.
#include <gtest/gtest.h>

#include "platform/Files.h"
#include "win32_test_support.h"

namespace {

// Folder creation as the crash reporter and the worker use it: every missing level, whatever the
// separators, in the long-path form too; a file in the way is no folder.
TEST(FilesWindows, CreateFoldersForEverySpellingOfAPath) {
    wintest::ScratchFolder scratch;
    const std::string base = scratch.path();
    EXPECT_TRUE(platform::CreateFolders(base + "\\a/b\\\\c/"));
    EXPECT_TRUE(wintest::IsFolder(base + "\\a\\b\\c"));
    EXPECT_TRUE(platform::CreateFolders("\\\\?\\" + base + "\\long\\form"));
    EXPECT_TRUE(wintest::IsFolder(base + "\\long\\form"));
    EXPECT_TRUE(platform::CreateFolder(base + "\\a"));  // already there
    ASSERT_TRUE(wintest::WriteFile(base + "\\file", "x"));
    EXPECT_FALSE(platform::CreateFolder(base + "\\file"));
    EXPECT_FALSE(platform::CreateFolders(base + "\\file\\below"));
    EXPECT_EQ(platform::ChildPath("C:\\x", "y"), "C:\\x\\y");
    EXPECT_EQ(platform::ChildPath("D:/x/", "y"), "D:/x/y");
    EXPECT_TRUE(platform::BackslashSeparatesFolders());
}

}  // namespace
