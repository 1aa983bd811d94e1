// The router driven with synthetic messages: click filter, enter before move, preview list,
// event binding, and the non-mouse rows.
#include <gtest/gtest.h>

#include "platform/Messages.h"
#include "recording.h"
#include "support/XTestHarness.h"
#include "toolkit/LwRouter.h"

namespace {

using namespace platform;

int Route(LwObject& object, MessageId message, WParam wParam = 0, LParam lParam = 0) {
    return LwRouter::RouteMessage(&object, object.GetNativeWindow(), message, wParam, lParam);
}

class ClickFilter : public testsupport::GuiTest {};
class MouseEnter : public testsupport::GuiTest {};
class InputPreview : public testsupport::GuiTest {};
class RouterRows : public testsupport::GuiTest {};

// Moves once so that the enter is behind us.
void Enter(LwObject& object) {
    Route(object, kWmMouseMove);
}

TEST_F(ClickFilter, PressThenReleaseIsOneClickWithSenderAndTag) {
    RecordingMemory target(nullptr);
    RecordingMemory button(nullptr);
    button.eventHandler = AsEventHandler(&RecordingMemory::OnBound);
    button.eventTarget = &target;
    button.eventTag = 42;
    Enter(button);
    EXPECT_EQ(Route(button, kWmLButtonDown), 0);
    EXPECT_EQ(Route(button, kWmLButtonUp), 0);

    EXPECT_EQ(button.log.mouse, (std::vector<int>{11, 0, 1, 2}));
    ASSERT_EQ(target.log.bound.size(), 3u);  // move, down, up: enter never reaches the binding
    EXPECT_EQ(target.log.bound[2].code, 2);
    EXPECT_EQ(target.log.bound[2].sender, &button);
    EXPECT_EQ(target.log.bound[2].senderTag, 42);
    EXPECT_EQ(target.eventSender, &button);
}

TEST_F(ClickFilter, ReleaseWithoutAPressIsDropped) {
    RecordingMemory a(nullptr);
    RecordingMemory b(nullptr);
    Route(a, kWmLButtonDown);
    EXPECT_EQ(Route(b, kWmLButtonUp), 1);  // pressed on a, released on b
    EXPECT_EQ(Route(a, kWmLButtonUp), 0);  // a still had its press
    EXPECT_EQ(b.log.mouse, (std::vector<int>{}));
    EXPECT_EQ(Route(a, kWmLButtonUp), 1);  // the press was used up
    EXPECT_EQ(a.log.mouse, (std::vector<int>{1, 2}));
}

TEST_F(ClickFilter, LeavingDropsThePress) {
    RecordingMemory a(nullptr);
    Enter(a);
    Route(a, kWmLButtonDown);
    EXPECT_EQ(Route(a, kWmMouseLeave), 1);
    Enter(a);
    EXPECT_EQ(Route(a, kWmLButtonUp), 1);
    EXPECT_EQ(a.log.mouse, (std::vector<int>{11, 0, 1, 12, 11, 0}));
}

TEST_F(ClickFilter, DoubleClickGivesOneClick) {
    RecordingMemory a(nullptr);
    Route(a, kWmLButtonDown);
    Route(a, kWmLButtonUp);
    Route(a, kWmLButtonDblClk);
    Route(a, kWmLButtonUp);
    EXPECT_EQ(a.log.mouse, (std::vector<int>{1, 2, 3}));
}

TEST_F(ClickFilter, OtherButtonsAndTheWheelAlwaysPass) {
    RecordingMemory a(nullptr);
    for (MessageId m = kWmRButtonDown; m <= kWmMouseWheel; ++m) {
        EXPECT_EQ(Route(a, m), 0) << m;
    }
    EXPECT_EQ(a.log.mouse, (std::vector<int>{4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(ClickFilter, ExtraButtonsAndTheHorizontalWheelAreNotDelivered) {
    RecordingMemory a(nullptr);
    for (MessageId m = kWmMouseWheel + 1; m <= kWmMouseLast; ++m) {
        EXPECT_EQ(Route(a, m), 1) << m;
    }
    EXPECT_TRUE(a.log.mouse.empty());
}

TEST_F(MouseEnter, FirstMoveGivesEnterThenMoveAndPreviewSeesItTwice) {
    PreviewWindow preview;
    RecordingMemory a(nullptr);
    EXPECT_EQ(Route(a, kWmMouseMove), 1);
    EXPECT_EQ(Route(a, kWmMouseMove), 0);
    EXPECT_EQ(a.log.mouse, (std::vector<int>{11, 0, 0}));
    EXPECT_EQ(preview.seen, (std::vector<std::pair<int, int>>{{0, 0}, {0, 0}, {0, 0}}));
    Route(a, kWmMouseLeave);
    Route(a, kWmMouseMove);
    EXPECT_EQ(a.log.mouse, (std::vector<int>{11, 0, 0, 12, 11, 0}));
}

TEST_F(InputPreview, WheelValueIsSevenTimesTheDelta) {
    PreviewWindow preview;
    RecordingMemory a(nullptr);
    Route(a, kWmMouseWheel, MakeWheelParam(120));
    Route(a, kWmMouseWheel, MakeWheelParam(-120));
    Route(a, kWmKeyDown, kVkReturn);
    Route(a, kWmChar, 'x');
    Route(a, kWmKeyUp, kVkReturn);
    EXPECT_EQ(preview.seen, (std::vector<std::pair<int, int>>{
                                {10, 840}, {10, -840}, {13, 13}, {14, 'x'}, {15, 13}}));
    EXPECT_EQ(preview.senders.front(), &a);
}

TEST_F(InputPreview, ConsumedWheelNeverReachesTheObject) {
    PreviewWindow preview(kLwEventWheel);
    RecordingMemory a(nullptr);
    EXPECT_EQ(Route(a, kWmMouseWheel, MakeWheelParam(120)), 0);
    EXPECT_TRUE(a.log.mouse.empty());
    EXPECT_EQ(Route(a, kWmLButtonDown), 0);
    EXPECT_EQ(a.log.mouse, (std::vector<int>{1}));
}

TEST_F(InputPreview, WalksFromTheLastRegisteredAndStopsWhenConsumed) {
    PreviewWindow first;
    PreviewWindow last(kLwEventKeyDown);
    RecordingMemory a(nullptr);
    Route(a, kWmKeyDown, 65);
    EXPECT_TRUE(first.seen.empty());
    Route(a, kWmKeyUp, 65);
    EXPECT_EQ(first.seen, (std::vector<std::pair<int, int>>{{15, 65}}));
    EXPECT_EQ(last.seen, (std::vector<std::pair<int, int>>{{13, 65}, {15, 65}}));
}

TEST_F(InputPreview, DisabledWindowsAreSkipped) {
    PreviewWindow preview(kLwEventWheel);
    RecordingMemory a(nullptr);
    EnableWindow(preview.GetNativeWindow(), false);
    Route(a, kWmMouseWheel, MakeWheelParam(120));
    EXPECT_TRUE(preview.seen.empty());
    EXPECT_EQ(a.log.mouse, (std::vector<int>{10}));
}

TEST_F(InputPreview, DestroyedPreviewObjectsLeaveTheList) {
    RecordingMemory a(nullptr);
    { PreviewWindow gone(kLwEventWheel); }
    Route(a, kWmMouseWheel, MakeWheelParam(120));
    EXPECT_EQ(a.log.mouse, (std::vector<int>{10}));
}

TEST_F(RouterRows, CharacterResultFollowsOnChar) {
    RecordingMemory a(nullptr);
    EXPECT_EQ(Route(a, kWmChar, 'a'), 1);
    a.charResult = false;
    EXPECT_EQ(Route(a, kWmChar, 'b'), 0);
    EXPECT_EQ(a.log.calls, (std::vector<std::string>{"char 97", "char 98"}));
}

TEST_F(RouterRows, FirstActivationOnlyOnceAndOnlyForActive) {
    RecordingMemory a(nullptr);
    EXPECT_EQ(Route(a, kWmActivate, kWaClickActive), 1);
    EXPECT_EQ(Route(a, kWmActivate, kWaActive), 1);
    EXPECT_EQ(Route(a, kWmActivate, kWaActive), 1);
    EXPECT_EQ(a.log.calls, (std::vector<std::string>{"activate"}));
}

TEST_F(RouterRows, FixedResults) {
    RecordingMemory a(nullptr);
    EXPECT_EQ(Route(a, kWmGetDlgCode), 4);
    EXPECT_EQ(Route(a, kWmEraseBkgnd), 0);
    EXPECT_EQ(Route(a, kWmSetFocus), 1);
    EXPECT_EQ(Route(a, kWmKillFocus), 1);
    EXPECT_EQ(Route(a, kWmCaptureChanged), 0);
    EXPECT_EQ(Route(a, kWmTimer), 1);
    EXPECT_EQ(a.log.calls, (std::vector<std::string>{"setfocus", "killfocus", "capture"}));
}

TEST_F(RouterRows, SizeAppliesLayoutThenAnchorsThenOnResize) {
    RecordingMemory owner(nullptr, {200, 100});
    MemoryObject item(&owner, {10, 10});
    MemoryObject pinned(&owner, {20, 20});
    auto* row = new LwBoxLayout(LwBoxLayout::kHorizontal);
    row->items.push_back(LwLayoutItem::Object(&item, true));
    owner.SetLayout(row);
    owner.AddAnchor(&pinned, LwAnchor::kBottom, 3);

    owner.SetSize({300, 150});
    EXPECT_EQ(Route(owner, kWmSize), 0);
    EXPECT_EQ(item.Bounds(), (LwRect{0, 0, 300, 150}));
    EXPECT_EQ(pinned.GetPosition(), (LwPoint{0, 127}));
    EXPECT_EQ(owner.log.calls, (std::vector<std::string>{"resize"}));
}

}  // namespace
