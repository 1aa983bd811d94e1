// The Custom folder's chooser as the wizard calls it, with a stand-in zenity as the only dialog
// tools.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/FolderChooser.h"
#include "support/StandInTools.h"

namespace {

using testsupport::StandInTools;

TEST(BrowseForFolder, AnswerLosesDoubledSeparatorsButKeepsBackslashesOfNames) {
    StandInTools tools;
    const std::string folder = tools / "a\\b \xc3\xbc";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    tools.Add("zenity", "printf '%s\\n' '" + (tools / "") + "/a\\b \xc3\xbc'");

    EXPECT_EQ(BrowseForFolder(nullptr, ""), folder);
    EXPECT_EQ(
        tools.ArgumentsOf("zenity"),
        (std::vector<std::string>{"--file-selection", "--directory", "--title=Custom Folder"}));
}

}  // namespace
