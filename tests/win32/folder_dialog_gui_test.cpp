// The folder chooser on the shell's folder browser: where it opens, what it answers, and its
// owner disabled while it runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "modal_driver.h"
#include "platform/FolderDialog.h"
#include "platform/win32/window_record.h"
#include "win32_test_support.h"

// After windows.h, which it needs.
#include <commctrl.h>

namespace {

using platform::NativeWindow;

std::string WithForwardSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// Lists a folder, which sets its access time.
void ReadFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        while (FindNextFileW(search, &entry)) {
        }
        FindClose(search);
    }
}

// A folder two levels below the system drive's root. Wine's browser does not find folders of
// the user's profile (the temporary folder among them) when asked to select them.
class ChooserFolder {
  public:
    ChooserFolder() : top_(L"C:\\kestrel-chooser-" + std::to_wstring(GetCurrentProcessId())) {
        CreateDirectoryW(top_.c_str(), nullptr);
        CreateDirectoryW((top_ + L"\\Host").c_str(), nullptr);
        // Wine's browser finds the start folder by comparing the items it parsed from the path
        // with those it listed, times included; a folder first read in between (its access
        // time moving on) is not found. Read once now, the times stay as they are.
        ReadFolder(top_);
        ReadFolder(top_ + L"\\Host");
    }
    ~ChooserFolder() { wintest::RemoveTree(top_); }
    ChooserFolder(const ChooserFolder&) = delete;
    ChooserFolder& operator=(const ChooserFolder&) = delete;

    std::string path() const { return WideToUtf8(top_ + L"\\Host"); }

  private:
    std::wstring top_;
};

// Keeps the first tree view among the children in `found`.
BOOL CALLBACK FindTreeView(HWND child, LPARAM found) {
    wchar_t name[32];
    if (GetClassNameW(child, name, 32) && std::wstring(name) == L"SysTreeView32") {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

// The name of the folder selected in the browser's tree; empty before there is one.
std::wstring SelectedFolder(HWND browser) {
    HWND tree = nullptr;
    EnumChildWindows(browser, &FindTreeView, reinterpret_cast<LPARAM>(&tree));
    const auto item =
        tree ? reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0))
             : nullptr;
    wchar_t text[MAX_PATH] = {};
    TVITEMW request{};
    request.mask = TVIF_TEXT;
    request.hItem = item;
    request.pszText = text;
    request.cchTextMax = MAX_PATH;
    return item && SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&request))
               ? std::wstring(text)
               : std::wstring();
}

class FolderDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        owner_ = platform::CreateTopLevelWindow(nullptr, {40, 40}, {300, 200}, "Chooser owner", {},
                                                &platform::DefaultWindowProc);
        ASSERT_TRUE(owner_) << "no desktop to open windows on";
        platform::ShowWindow(owner_, true);
    }
    void TearDown() override { platform::DestroyWindow(owner_); }

    // Once the browser is open, and with `selected` given once its tree has selected that
    // folder (the browser moves there after it opens): notes whether the owner is disabled,
    // then presses `button`.
    std::function<bool()> Press(int button, const std::wstring& selected = {}) {
        return [this, button, selected] {
            const HWND browser = wintest::ThreadWindowOfClass(L"#32770");
            const std::wstring at = browser ? SelectedFolder(browser) : std::wstring();
            seen_ = browser ? "the tree at \"" + WideToUtf8(at) + "\"" : "no browser";
            if (!browser || (!selected.empty() && at != selected)) {
                return false;
            }
            ownerDisabledMeanwhile_ = !IsWindowEnabled(platform::backend::HandleOf(owner_));
            PostMessageW(browser, WM_COMMAND, static_cast<WPARAM>(button), 0);
            return true;
        };
    }

    NativeWindow owner_;
    bool ownerDisabledMeanwhile_ = false;
    std::string seen_ = "no step";  // what the last step found, for a failure's message
};

TEST_F(FolderDialogTest, OpensOnTheInitialFolderOverTheTopLevelWindowAndAnswersInNativeForm) {
    const ChooserFolder folder;
    const std::string initial = WithForwardSlashes(folder.path());
    // Asked from a child: its top-level window is the one kept from input.
    const NativeWindow child = platform::CreateChildWindow(owner_, {10, 10}, {60, 20},
                                                           &platform::DefaultWindowProc, false);
    // Wine's browser now and then stays at the top of its tree rather than the start folder
    // (see ChooserFolder); a browser found elsewhere for ten seconds is closed and opened again.
    std::string chosen;
    bool pressed = false;
    for (int opening = 0; opening < 3 && !pressed; ++opening) {
        wintest::ModalDriver driver(Press(IDOK, L"Host"), std::chrono::seconds(10));
        chosen = platform::ChooseFolder(child, "Custom Folder", initial);
        pressed = driver.Done();
    }
    ASSERT_TRUE(pressed) << seen_;
    EXPECT_TRUE(ownerDisabledMeanwhile_);
    EXPECT_TRUE(platform::IsWindowEnabled(owner_));
    EXPECT_EQ(chosen.find('/'), std::string::npos) << chosen;
    EXPECT_EQ(CompareStringOrdinal(Utf8ToWide(chosen).c_str(), -1,
                                   Utf8ToWide(folder.path()).c_str(), -1, TRUE),
              CSTR_EQUAL)
        << chosen << " for " << folder.path();
}

TEST_F(FolderDialogTest, CancelAnswersEmpty) {
    const ChooserFolder folder;
    wintest::ModalDriver driver(Press(IDCANCEL));
    EXPECT_EQ(platform::ChooseFolder(owner_, "Custom Folder", folder.path()), "");
    EXPECT_TRUE(driver.Done()) << seen_;
    EXPECT_TRUE(platform::IsWindowEnabled(owner_));
}

}  // namespace
