// The popup menu on the system's own menu: what it lists, and the command it returns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modal_driver.h"
#include "platform/Menu.h"

namespace {

using platform::MenuItem;
using platform::NativeWindow;

constexpr UINT kMnGetHMenu = 0x01E1;

struct ShownItem {
    std::wstring text;
    bool checked = false;
};

class PopupMenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        owner_ = platform::CreateTopLevelWindow(nullptr, {40, 40}, {300, 200}, "Menu owner", {},
                                                &platform::DefaultWindowProc);
        ASSERT_TRUE(owner_) << "no desktop to open windows on";
        platform::ShowWindow(owner_, true);
    }
    void TearDown() override { platform::DestroyWindow(owner_); }

    // Once the menu is open: reads its items, then types the keys into it.
    std::function<bool()> ReadThenType(std::vector<WPARAM> keys) {
        return [this, keys] {
            const HWND menu = wintest::ThreadWindowOfClass(L"#32768");
            if (!menu) {
                return false;
            }
            const auto handle = reinterpret_cast<HMENU>(SendMessageW(menu, kMnGetHMenu, 0, 0));
            for (int i = 0; i < GetMenuItemCount(handle); ++i) {
                wchar_t text[64] = {};
                GetMenuStringW(handle, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
                const bool checked =
                    GetMenuState(handle, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED;
                shown_.push_back({text, checked});
            }
            for (WPARAM key : keys) {
                PostMessageW(menu, WM_KEYDOWN, key, 0);
            }
            return true;
        };
    }

    const std::vector<MenuItem> items_{{5, "First", false}, {9, "R&D", true}, {12, "Third", false}};
    NativeWindow owner_;
    std::vector<ShownItem> shown_;
};

TEST_F(PopupMenuTest, ListsTheItemsAndReturnsThePickedCommand) {
    wintest::ModalDriver driver(ReadThenType({VK_DOWN, VK_DOWN, VK_RETURN}));
    const unsigned command = platform::RunPopupMenu(items_, {60, 60}, owner_);
    ASSERT_TRUE(driver.Done());
    EXPECT_EQ(command, 9u);
    ASSERT_EQ(shown_.size(), 3u);
    EXPECT_EQ(shown_[0].text, L"First");
    // An ampersand is shown as itself, not taken for a mnemonic.
    EXPECT_EQ(shown_[1].text, L"R&&D");
    EXPECT_FALSE(shown_[0].checked);
    EXPECT_TRUE(shown_[1].checked);
    EXPECT_FALSE(shown_[2].checked);
}

TEST_F(PopupMenuTest, EscapeDismissesWithZero) {
    wintest::ModalDriver driver(ReadThenType({VK_DOWN, VK_ESCAPE}));
    EXPECT_EQ(platform::RunPopupMenu(items_, {60, 60}, owner_), 0u);
    EXPECT_TRUE(driver.Done());
}

TEST_F(PopupMenuTest, NothingToShowOrNobodyToOwnItGivesZeroWithoutAMenu) {
    bool opened = false;
    wintest::ModalDriver guard([&opened] {
        if (const HWND menu = wintest::ThreadWindowOfClass(L"#32768")) {
            opened = true;
            PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        }
        return false;
    });
    EXPECT_EQ(platform::RunPopupMenu({}, {60, 60}, owner_), 0u);
    EXPECT_EQ(platform::RunPopupMenu(items_, {60, 60}, nullptr), 0u);
    const NativeWindow gone = platform::CreateTopLevelWindow(nullptr, {40, 40}, {100, 100}, "Gone",
                                                             {}, &platform::DefaultWindowProc);
    platform::DestroyWindow(gone);
    EXPECT_EQ(platform::RunPopupMenu(items_, {60, 60}, gone), 0u);
    EXPECT_FALSE(opened);
}

}  // namespace
