// The popup menu on the X server: picking with keys and with the mouse, dismissal, placement at
// the screen's edges, a menu taller than the screen, bad labels, and an owner that goes away
// while the menu is open. Every run must leave the pointer and keyboard free.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <string>

#include "platform/Menu.h"
#include "recorder.h"
#include "support/MenuDriver.h"

namespace platformtest {
namespace {

using testsupport::MenuScript;
using testsupport::OpenMenuRect;
using Steps = std::vector<std::function<bool()>>;

std::vector<MenuItem> Numbered(int count) {
    std::vector<MenuItem> items;
    for (int i = 1; i <= count; ++i) {
        items.push_back({static_cast<unsigned>(i), "item " + std::to_string(i), false});
    }
    return items;
}

std::function<bool()> Key(unsigned long keysym) {
    return [keysym] {
        testsupport::TapKey(keysym);
        return true;
    };
}

// The i-th of n equal horizontal bands of a rectangle (the rows, give or take the padding).
Rect Band(const Rect& r, int i, int n) {
    return {r.x + 2, r.y + r.height * i / n + 3, r.width - 4, r.height / n - 6};
}

Point Centre(const Rect& r) {
    return {r.x + r.width / 2, r.y + r.height / 2};
}

class PopupMenu : public PlatformTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        testsupport::MovePointerToScreen({5, 5});
        owner = MakeTopLevel(recorder, {100, 100}, {400, 300});
        ShowAndSettle(owner, recorder);
        area = Intersect(WorkAreaNearest(owner), {0, 0, ScreenSize().width, ScreenSize().height});
    }

    // Runs the menu while the steps drive it from its own loop; the first step waits for the
    // menu to show and notes where it is.
    unsigned Run(const std::vector<MenuItem>& items, Point at, Steps steps,
                 NativeWindow menuOwner = nullptr) {
        steps.insert(steps.begin(), [this] {
            shown = OpenMenuRect();
            return shown.has_value();
        });
        MenuScript script(owner, std::move(steps));
        const unsigned command = RunPopupMenu(items, at, menuOwner ? menuOwner : owner);
        EXPECT_TRUE(script.Finished());
        EXPECT_FALSE(OpenMenuRect().has_value());
        EXPECT_TRUE(testsupport::InputIsFree());
        return command;
    }

    Recorder recorder;
    NativeWindow owner = nullptr;
    Rect area;
    std::optional<Rect> shown;
};

TEST_F(PopupMenu, KeysMoveWrapAndPick) {
    const auto items = Numbered(3);
    EXPECT_EQ(Run(items, {150, 150}, {Key(XK_Down), Key(XK_Down), Key(XK_Return)}), 2u);
    EXPECT_EQ(Run(items, {150, 150}, {Key(XK_Up), Key(XK_Return)}), 3u);
    EXPECT_EQ(Run(items, {150, 150}, {Key(XK_Up), Key(XK_Down), Key(XK_Return)}), 1u);
    EXPECT_EQ(Run(items, {150, 150}, {Key(XK_Down), Key(XK_Up), Key(XK_Return)}), 3u);
    EXPECT_EQ(Run(items, {150, 150}, {Key(XK_Down), Key(XK_Escape)}), 0u);
    EXPECT_EQ(Run(items, {150, 150}, {Key(XK_Return)}), 0u);  // nothing highlighted
    EXPECT_EQ(recorder.Count(kWmKeyDown), 0);                 // the owner saw none of those keys
}

TEST_F(PopupMenu, ReleaseOfTheOpeningPressPicksNothingButADragDoes) {
    const auto items = Numbered(3);
    // As a combo box does, the menu opens once the press has reached the window.
    auto press = [&](int count) {
        testsupport::MovePointerToScreen({160, 160});
        testsupport::PressButton(1);
        return testsupport::PumpUntil([&] { return recorder.Count(kWmLButtonDown) == count; });
    };
    // Pressed where the first row will be, released there without moving: the menu stays.
    ASSERT_TRUE(press(1));
    int ticks = 0;
    EXPECT_EQ(Run(items, {150, 150},
                  {[] {
                       testsupport::ReleaseButton(1);
                       return true;
                   },
                   [&] { return ++ticks == 10 && OpenMenuRect().has_value(); }, Key(XK_Escape)}),
              0u);
    // Pressed, dragged onto the second row and released there: picked.
    ASSERT_TRUE(press(2));
    EXPECT_EQ(Run(items, {150, 150},
                  {[&] {
                       testsupport::MovePointerToScreen(Centre(Band(*shown, 1, 3)));
                       return true;
                   },
                   [] {
                       testsupport::ReleaseButton(1);
                       return true;
                   }}),
              2u);
    EXPECT_EQ(recorder.Count(kWmLButtonUp), 0);
}

TEST_F(PopupMenu, ClickOutsideDismissesWithoutReachingTheWindowBelow) {
    const auto items = Numbered(2);
    EXPECT_EQ(Run(items, {150, 150}, {[&] {
                      testsupport::MovePointer(owner, {380, 280});
                      testsupport::Click(1);
                      return true;
                  }}),
              0u);
    EXPECT_EQ(recorder.Count(kWmLButtonDown), 0);
}

TEST_F(PopupMenu, StaysOnScreenNearTheEdges) {
    const auto items = Numbered(4);
    const std::vector<Steps::value_type> close{Key(XK_Escape)};

    Run(items, {area.x + 10, area.y + 10}, close);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->x, area.x + 10);
    EXPECT_EQ(shown->y, area.y + 10);
    const Size size{shown->width, shown->height};

    // Bottom right: flipped above the point and shifted left to the edge.
    const Point corner{area.Right() - 5, area.Bottom() - 5};
    Run(items, corner, close);
    ASSERT_TRUE(shown);
    EXPECT_EQ(*shown,
              (Rect{area.Right() - size.width, corner.y - size.height, size.width, size.height}));

    // Beyond the top right corner: pulled back inside.
    Run(items, {area.Right() + 50, area.y - 30}, close);
    ASSERT_TRUE(shown);
    EXPECT_EQ(*shown, (Rect{area.Right() - size.width, area.y, size.width, size.height}));

    // Taller than the room both below and above the point: pushed up just enough.
    const std::vector<MenuItem> many = Numbered(area.height / (size.height / 4) - 1);
    Run(many, {area.x + 10, area.y + area.height / 2}, close);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->Bottom(), area.Bottom());
    EXPECT_GE(shown->y, area.y);
}

TEST_F(PopupMenu, TallerThanTheScreenScrollsToEveryItem) {
    const auto items = Numbered(10000);
    std::vector<Rgba> before;
    const unsigned command =
        Run(items, {100, 100},
            {[&] {
                 EXPECT_TRUE(Intersect(*shown, area) == *shown);
                 before = testsupport::ReadPixels(nullptr, *shown);
                 testsupport::TapKey(XK_End);
                 return true;
             },
             [&] { return testsupport::ReadPixels(nullptr, *shown) != before; }, Key(XK_Return)});
    EXPECT_EQ(command, 10000u);
    // The mouse scrolls too: the wheel, and resting on the arrow at the bottom edge.
    auto scrolled = [&] {
        const auto now = testsupport::ReadPixels(nullptr, *shown);
        const bool changed = now != before;
        before = now;
        return changed;
    };
    EXPECT_EQ(Run(items, {100, 100},
                  {[&] {
                       testsupport::MovePointerToScreen(Centre(*shown));
                       before = testsupport::ReadPixels(nullptr, *shown);
                       testsupport::WheelNotches(-2);
                       return true;
                   },
                   scrolled,
                   [&] {
                       testsupport::MovePointerToScreen({Centre(*shown).x, shown->Bottom() - 4});
                       before = testsupport::ReadPixels(nullptr, *shown);
                       return true;
                   },
                   scrolled, scrolled, Key(XK_Escape)}),
              0u);
}

TEST_F(PopupMenu, BadLabelsStillShowAndPick) {
    const std::vector<MenuItem> items{
        {7, "\xff\xfe\xc3 broken", true}, {8, std::string(5000, 'W'), false}, {9, "", true}};
    EXPECT_EQ(Run(items, {150, 150},
                  {[&] { return shown->Right() <= area.Right() && shown->x >= area.x; },
                   Key(XK_Down), Key(XK_Down), Key(XK_Return)}),
              8u);
}

TEST_F(PopupMenu, OwnerGoingAwayEndsTheMenu) {
    Recorder otherLog;
    NativeWindow other = MakeTopLevel(otherLog, {600, 100}, {100, 100});
    NativeWindow doomed = MakeTopLevel(otherLog, {600, 300}, {100, 100});
    ShowAndSettle(doomed, otherLog);
    const auto items = Numbered(2);
    // The script's timer lives on `owner`; the menu belongs to `doomed`.
    EXPECT_EQ(Run(items, {620, 320}, {[&] {
                      DestroyWindow(doomed);
                      return true;
                  }},
                  doomed),
              0u);
    EXPECT_EQ(RunPopupMenu(items, {620, 320}, doomed), 0u);  // already gone: no menu at all
    EXPECT_EQ(RunPopupMenu({}, {620, 320}, other), 0u);      // nothing to show
}

}  // namespace
}  // namespace platformtest
