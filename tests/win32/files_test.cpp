// Folders and paths of the Windows file system.
#include <gtest/gtest.h>

#include "platform/Files.h"
#include "platform/Unicode.h"
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

// A link where the plug-in's folder or the plug-in itself should be, which any user can make
// in a folder of theirs, does not lead the (elevated) program elsewhere.
TEST(FilesWindows, LinksInThePluginsPlaceAreNotFollowed) {
    wintest::ScratchFolder scratch;
    const std::string base = scratch.path();
    ASSERT_TRUE(platform::CreateFolders(base + "\\elsewhere"));
    ASSERT_TRUE(wintest::WriteFile(base + "\\elsewhere\\Kestrel.aex", "not ours"));
    const std::wstring wide = platform::Utf8ToUtf16(base);
    if (!CreateSymbolicLinkW((wide + L"\\Larkspur").c_str(), (wide + L"\\elsewhere").c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY)) {
        GTEST_SKIP() << "this system makes no links (error " << GetLastError() << ")";
    }
    EXPECT_EQ(platform::ReplaceFileContents(base + "\\Larkspur\\Kestrel.aex", "MZ", 2),
              platform::ReplaceResult::CannotCreate);

    ASSERT_TRUE(platform::CreateFolders(base + "\\own"));
    ASSERT_TRUE(CreateSymbolicLinkW((wide + L"\\own\\Kestrel.aex").c_str(),
                                    (wide + L"\\elsewhere\\Kestrel.aex").c_str(), 0));
    // Refused where the system calls it a link; replaced as a link (Wine) where it does not.
    platform::ReplaceFileContents(base + "\\own\\Kestrel.aex", "MZ", 2);
    EXPECT_EQ(wintest::ReadFile(base + "\\elsewhere\\Kestrel.aex"), "not ours");
}

}  // namespace
