// Centring on a desktop of two monitors side by side, the right one primary, with a panel along
// the top: the screen of centring is the primary monitor, the clamp the work area of the monitor
// nearest the owner. Runs on the two-monitor server only (see tests/support/xserver.sh).
#include <gtest/gtest.h>

#include "support/XTestHarness.h"
#include "toolkit/LwWindow.h"

namespace {

using namespace std::chrono_literals;

constexpr LwRect kLeft{0, 0, 1024, 768};
constexpr LwRect kRight{1024, 0, 1024, 768};
constexpr int kPanel = 24;  // the top margin the window manager keeps free

class TwoMonitors : public testsupport::GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        ASSERT_EQ(platform::PrimaryMonitor(), kRight) << "the server does not report the monitors";
        ASSERT_TRUE(testsupport::WindowManagerPresent());
    }
};

bool Inside(const LwRect& r, const LwRect& monitor) {
    return r.x >= monitor.x && r.y >= monitor.y && r.Right() <= monitor.Right() &&
           r.Bottom() <= monitor.Bottom();
}

TEST_F(TwoMonitors, WorkAreasAreTheDesktopsCutToEachMonitor) {
    EXPECT_EQ(platform::WorkAreaNearest(LwRect{800, 300, 300, 100}),
              (LwRect{0, kPanel, 1024, 768 - kPanel}));
    EXPECT_EQ(platform::WorkAreaNearest(LwRect{1000, 300, 300, 100}),
              (LwRect{1024, kPanel, 1024, 768 - kPanel}));
    EXPECT_EQ(platform::WorkAreaNearest(LwRect{3000, 300, 10, 10}),
              (LwRect{1024, kPanel, 1024, 768 - kPanel}));
}

TEST_F(TwoMonitors, AWindowWithoutOwnerOpensInTheMiddleOfThePrimaryMonitor) {
    LwWindow installer(nullptr, {0, 0}, {600, 400}, "installer", kLwWindowMinimizeBox);
    installer.CenterOnOwner();
    EXPECT_EQ(installer.GetPosition(), (LwPoint{1024 + (1024 - 600) / 2, (768 - 400) / 2}));
    installer.Show(true);
    ASSERT_TRUE(testsupport::WaitUntilViewable(installer.GetNativeWindow()));
    ASSERT_TRUE(testsupport::PumpUntil([&] {
        const LwRect frame = testsupport::FrameRectFromServer(installer.GetNativeWindow());
        return LwPoint{frame.x, frame.y} == installer.GetPosition();
    }));
    EXPECT_TRUE(Inside(testsupport::FrameRectFromServer(installer.GetNativeWindow()), kRight));
}

TEST_F(TwoMonitors, ADialogStaysOnItsOwnersMonitor) {
    // An owner near the seam, on the left monitor: a wide dialog would reach across.
    LwWindow owner(nullptr, {700, 100}, {300, 200}, "owner", 0);
    LwWindow dialog(&owner, {0, 0}, {600, 150}, "dialog", 0);
    dialog.CenterOnOwner();
    const LwSize outer = platform::OuterSizeForClient(dialog.GetNativeWindow(), {600, 150});
    const LwRect ref = platform::GetWindowRect(owner.GetNativeWindow());
    EXPECT_EQ(dialog.GetPosition(), (LwPoint{1024 - outer.width, ref.y + (ref.height - 150) / 2}));
    owner.Show(true);
    dialog.Show(true);
    ASSERT_TRUE(testsupport::WaitUntilViewable(dialog.GetNativeWindow()));
    EXPECT_TRUE(Inside(testsupport::FrameRectFromServer(dialog.GetNativeWindow()), kLeft));
}

TEST_F(TwoMonitors, TheClampKeepsClearOfThePanelAndTheOtherMonitor) {
    // A small owner at the top left corner of the right monitor, under a tall dialog.
    LwWindow owner(nullptr, {1030, 30}, {100, 60}, "owner", 0);
    LwWindow dialog(&owner, {0, 0}, {400, 300}, "dialog", 0);
    dialog.CenterOnOwner();
    EXPECT_EQ(dialog.GetPosition(), (LwPoint{1024 + 1, kPanel + 1}));
}

}  // namespace
