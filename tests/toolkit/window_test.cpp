// Top-level windows: minimum size, modal loops and their results, the close box and CanClose,
// the owner disabled during a dialog and given back before the dialog goes, centring.
#include <gtest/gtest.h>

#include <functional>

#include "gui_fixture.h"
#include "toolkit/LwTimer.h"

namespace {

using namespace std::chrono_literals;
using testsupport::PumpFor;
using testsupport::PumpUntil;

// A window that runs a script from its timer while its own modal loop runs.
class ScriptedWindow : public LwWindow {
  public:
    ScriptedWindow(LwObject* parent, LwSize size = {200, 120})
        : LwWindow(parent, {60, 60}, size, "scripted", 0) {}

    std::function<void(ScriptedWindow&)> onTick;
    std::function<void()> onDestroy;
    bool allowClose = true;
    LwTimer timer{this, 0};

  protected:
    void OnTimer(int) override {
        timer.Stop();
        if (onTick) {
            onTick(*this);
        }
    }
    void OnDestroy() override {
        if (onDestroy) {
            onDestroy();
        }
    }
    bool CanClose() override { return allowClose; }
};

class Windows : public testsupport::GuiTest {};

TEST_F(Windows, MinimumSizeIsTheCreatedOuterSize) {
    LwWindow window(nullptr, {10, 10}, {220, 140}, "resizable", kLwWindowResizable);
    const LwSize outer = platform::OuterSizeForClient(window.GetNativeWindow(), {220, 140});
    EXPECT_EQ(window.GetMinimumSize(), outer);
    EXPECT_GE(outer.width, 220);
    EXPECT_GE(outer.height, 140);
    EXPECT_EQ(window.GetSize(), (LwSize{220, 140}));
    EXPECT_FALSE(window.IsVisible());
    EXPECT_FALSE(platform::IsWindowVisible(window.GetNativeWindow()));
}

TEST_F(Windows, SetSizeKeepsTheCornerAndSetsTheClientArea) {
    LwWindow window(nullptr, {10, 10}, {220, 140}, "geometry", 0);
    window.Show(true);
    ASSERT_TRUE(testsupport::WaitUntilViewable(window.GetNativeWindow()));
    const LwPoint corner = window.GetPosition();
    window.SetSize({300, 100});
    ASSERT_TRUE(PumpUntil([&] { return window.GetSize() == LwSize{300, 100}; }));
    EXPECT_EQ(window.GetPosition(), corner);
}

TEST_F(Windows, PositionAskedForCountsAtOnceAndSetSizeKeepsIt) {
    LwWindow window(nullptr, {10, 10}, {220, 140}, "moving", 0);
    window.Show(true);
    ASSERT_TRUE(testsupport::WaitUntilViewable(window.GetNativeWindow()));
    PumpFor(50ms);
    // Under a window manager the move is only a request until the manager carries it out.
    window.SetPosition({150, 120});
    EXPECT_EQ(window.GetPosition(), (LwPoint{150, 120}));
    window.SetSize({260, 100});
    EXPECT_EQ(window.GetPosition(), (LwPoint{150, 120}));
    ASSERT_TRUE(PumpUntil([&] {
        const LwRect frame = testsupport::FrameRectFromServer(window.GetNativeWindow());
        return LwPoint{frame.x, frame.y} == LwPoint{150, 120} &&
               window.GetSize() == LwSize{260, 100};
    }));
    PumpFor(50ms);
    EXPECT_EQ(window.GetPosition(), (LwPoint{150, 120}));
}

TEST_F(Windows, MinimumSizeSetLaterReachesTheWindowManagerHints) {
    LwWindow window(nullptr, {10, 10}, {220, 140}, "resizable", kLwWindowResizable);
    const LwSize frame = platform::OuterSizeForClient(window.GetNativeWindow(), {0, 0});
    window.SetMinimumSize({400 + frame.width, 300 + frame.height});
    EXPECT_EQ(testsupport::MinimumSizeHint(window.GetNativeWindow()), (LwSize{400, 300}));
}

TEST_F(Windows, NestedLoopsReturnTheirOwnResults) {
    ScriptedWindow main(nullptr);
    int dialogResult = -1;
    bool ownerDisabledDuringDialog = false;
    bool ownerBackBeforeDialogWent = false;
    main.onTick = [&](ScriptedWindow& self) {
        ScriptedWindow dialog(&self, {120, 80});
        dialog.onTick = [&](ScriptedWindow& d) {
            ownerDisabledDuringDialog = !platform::IsWindowEnabled(self.GetNativeWindow());
            d.SetModalResult(7);
            d.Close();
        };
        dialog.onDestroy = [&] {
            ownerBackBeforeDialogWent = platform::IsWindowEnabled(self.GetNativeWindow()) &&
                                        platform::GetFocus() == self.GetNativeWindow();
        };
        dialog.timer.Start(20);
        dialogResult = dialog.RunModal();
        EXPECT_TRUE(self.IsRunning());  // the outer loop is still on
        self.SetModalResult(3);
        self.Close();
    };
    main.timer.Start(20);
    EXPECT_EQ(main.RunModal(), 3);
    EXPECT_EQ(dialogResult, 7);
    EXPECT_TRUE(ownerDisabledDuringDialog);
    EXPECT_TRUE(ownerBackBeforeDialogWent);
    EXPECT_TRUE(main.IsDestroyed());
    EXPECT_TRUE(main.GetChildren().empty());  // the dialog left the tree when it went
}

TEST_F(Windows, TwoDialogsOfOneOwnerKeepItDisabledUntilTheLastCloses) {
    for (bool outerClosesFirst : {true, false}) {
        SCOPED_TRACE(outerClosesFirst);
        ScriptedWindow main(nullptr);
        bool disabledWithOneLeft = false;
        bool enabledAfterBoth = false;
        main.onTick = [&](ScriptedWindow& self) {
            auto ownerEnabled = [&] { return platform::IsWindowEnabled(self.GetNativeWindow()); };
            ScriptedWindow outer(&self, {120, 80});
            outer.onTick = [&](ScriptedWindow& a) {
                // Opened by a timer while the first dialog runs, with the same owner.
                ScriptedWindow inner(&self, {100, 60});
                inner.onTick = [&](ScriptedWindow& b) {
                    if (outerClosesFirst) {
                        a.Close();
                        disabledWithOneLeft = !ownerEnabled();
                    }
                    b.Close();
                };
                inner.timer.Start(20);
                inner.RunModal();
                if (!outerClosesFirst) {
                    disabledWithOneLeft = !ownerEnabled();
                    a.Close();
                }
            };
            outer.timer.Start(20);
            outer.RunModal();
            enabledAfterBoth = ownerEnabled();
            self.Close();
        };
        main.timer.Start(20);
        main.RunModal();
        EXPECT_TRUE(disabledWithOneLeft);
        EXPECT_TRUE(enabledAfterBoth);
    }
}

TEST_F(Windows, ALoopWhoseWindowWentWithItsOwnerEndsWithTheCloseAnswer) {
    ScriptedWindow main(nullptr);
    int answer = -1;
    bool stillRunning = true;
    bool destroyed = false;
    main.onTick = [&](ScriptedWindow& self) {
        ScriptedWindow confirm(&self, {120, 80});
        confirm.onTick = [&](ScriptedWindow&) { self.Close(); };  // takes its owned windows along
        confirm.timer.Start(20);
        answer = confirm.RunModal();
        stillRunning = confirm.IsRunning();
        destroyed = confirm.IsDestroyed();
    };
    main.timer.Start(20);
    main.RunModal();
    EXPECT_EQ(answer, 1);
    EXPECT_FALSE(stillRunning);
    EXPECT_TRUE(destroyed);
}

TEST_F(Windows, DialogOfAPanelFindsTheWindowUpTheParentChain) {
    ScriptedWindow main(nullptr);
    main.onTick = [&](ScriptedWindow& self) {
        auto* page = new LwPanel(&self, {0, 0}, {100, 100});
        ScriptedWindow dialog(page, {80, 60});
        dialog.onTick = [&](ScriptedWindow& d) {
            EXPECT_FALSE(platform::IsWindowEnabled(self.GetNativeWindow()));
            d.Close();
        };
        dialog.timer.Start(20);
        EXPECT_EQ(dialog.RunModal(), 0);
        EXPECT_TRUE(platform::IsWindowEnabled(self.GetNativeWindow()));
        self.Close();
    };
    main.timer.Start(20);
    EXPECT_EQ(main.RunModal(), 0);
}

TEST_F(Windows, CloseBoxClosesWithResultOneUnlessCanCloseRefuses) {
    ScriptedWindow main(nullptr);
    main.allowClose = false;
    main.SetModalResult(5);
    int ticks = 0;
    main.onTick = [&](ScriptedWindow& self) {
        ++ticks;
        if (ticks == 1) {
            EXPECT_EQ(self.GetModalResult(), 0);  // RunModal starts from 0
            self.SetModalResult(9);
            testsupport::SendDeleteWindow(self.GetNativeWindow());
        } else if (ticks == 2) {
            // The refused close kept the window and its result.
            EXPECT_FALSE(self.IsDestroyed());
            EXPECT_EQ(self.GetModalResult(), 9);
            self.allowClose = true;
            testsupport::SendDeleteWindow(self.GetNativeWindow());
            return;
        }
        self.timer.Start(100);
    };
    main.timer.Start(20);
    EXPECT_EQ(main.RunModal(), 1);
    EXPECT_EQ(ticks, 2);
    EXPECT_TRUE(main.IsDestroyed());
}

TEST_F(Windows, RunModalOnAClosedWindowReturnsAtOnce) {
    ScriptedWindow owner(nullptr);
    ScriptedWindow dialog(&owner);
    dialog.SetModalResult(4);
    dialog.Close();
    EXPECT_EQ(dialog.RunModal(), 4);
    EXPECT_TRUE(platform::IsWindowEnabled(owner.GetNativeWindow()));
}

TEST_F(Windows, CentresTheClientSizeOnTheParent) {
    LwWindow owner(nullptr, {100, 80}, {400, 300}, "owner", 0);
    owner.Show(true);
    ASSERT_TRUE(testsupport::WaitUntilViewable(owner.GetNativeWindow()));
    PumpFor(50ms);
    LwWindow dialog(&owner, {0, 0}, {200, 100}, "dialog", 0);
    dialog.CenterOnOwner();
    const LwRect ref = platform::GetWindowRect(owner.GetNativeWindow());
    EXPECT_EQ(dialog.GetPosition(),
              (LwPoint{ref.x + (ref.width - 200) / 2, ref.y + (ref.height - 100) / 2}));
}

TEST_F(Windows, CentringKeepsTheWindowOnePixelInsideTheWorkArea) {
    LwWindow owner(nullptr, {0, 0}, {100, 60}, "small owner", 0);
    LwWindow dialog(&owner, {0, 0}, {400, 300}, "big dialog", 0);
    dialog.CenterOnOwner();
    const LwRect work = platform::WorkAreaNearest(owner.GetNativeWindow());
    EXPECT_EQ(dialog.GetPosition(), (LwPoint{work.x + 1, work.y + 1}));

    LwWindow lone(nullptr, {0, 0}, {200, 100}, "no owner", 0);
    lone.CenterOnOwner();
    const LwSize screen = platform::ScreenSize();
    EXPECT_EQ(lone.GetPosition(), (LwPoint{(screen.width - 200) / 2, (screen.height - 100) / 2}));
}

}  // namespace
