// Box layouts and anchors: shares of the extra space, negative extras, nesting, spacers.
#include <gtest/gtest.h>

#include <memory>

#include "memory_object.h"
#include "toolkit/LwBoxLayout.h"

namespace {

TEST(BoxLayout, StretchSharesTruncateAndTheLastTakesTheRemainder) {
    MemoryObject owner(nullptr, {101, 40});
    MemoryObject a(&owner, {10, 5});
    MemoryObject b(&owner, {20, 7});
    auto* row = new LwBoxLayout(LwBoxLayout::kHorizontal);
    row->items.push_back(LwLayoutItem::Object(&a, true));
    row->items.push_back(LwLayoutItem::Object(&b, true));
    owner.SetLayout(row);  // applies at once with the owner's size

    EXPECT_EQ(a.Bounds(), (LwRect{0, 0, 45, 40}));   // 10 + 71 / 2
    EXPECT_EQ(b.Bounds(), (LwRect{45, 0, 56, 40}));  // 20 + the remaining 36
}

TEST(BoxLayout, NegativeExtraShrinksWithoutClamping) {
    MemoryObject a(nullptr, {10, 5});
    MemoryObject b(nullptr, {20, 5});
    LwBoxLayout row(LwBoxLayout::kHorizontal);
    row.items.push_back(LwLayoutItem::Object(&a, true));
    row.items.push_back(LwLayoutItem::Object(&b, true));

    row.Apply({0, 10});  // extra -30: -15 each
    EXPECT_EQ(a.Bounds(), (LwRect{0, 0, -5, 10}));
    EXPECT_EQ(b.Bounds(), (LwRect{-5, 0, 5, 10}));
}

TEST(BoxLayout, NegativeSharesTruncateTowardZero) {
    MemoryObject a(nullptr, {10, 5});
    MemoryObject b(nullptr, {20, 5});
    LwBoxLayout row(LwBoxLayout::kHorizontal);
    row.items.push_back(LwLayoutItem::Object(&a, true));
    row.items.push_back(LwLayoutItem::Object(&b, true));

    row.Apply({23, 10});  // extra -7: -3 (not -4), then the remaining -4
    EXPECT_EQ(a.GetSize().width, 7);
    EXPECT_EQ(b.GetSize().width, 16);
}

TEST(BoxLayout, MinimumSizeCountsAsNaturalSoNoExtraIsHandedOut) {
    MemoryObject a(nullptr, {120, 5});
    MemoryObject b(nullptr, {80, 5});
    LwBoxLayout row(LwBoxLayout::kHorizontal);
    row.minimumWidth = 300;
    row.items.push_back(LwLayoutItem::Object(&a, true));
    row.items.push_back(LwLayoutItem::Object(&b, false));

    EXPECT_EQ(row.NaturalSize(), (LwSize{300, 5}));
    row.Apply({300, 5});
    EXPECT_EQ(a.GetSize().width, 120);
    EXPECT_EQ(b.Bounds(), (LwRect{120, 0, 80, 5}));
}

TEST(BoxLayout, NaturalSizeSumsAlongAndTakesTheLargestAcross) {
    MemoryObject a(nullptr, {10, 30});
    MemoryObject b(nullptr, {20, 12});
    LwBoxLayout column(LwBoxLayout::kVertical);
    column.items.push_back(LwLayoutItem::Object(&a, false));
    column.items.push_back(LwLayoutItem::Spacer(7));
    column.items.push_back(LwLayoutItem::Object(&b, false));
    EXPECT_EQ(column.NaturalSize(), (LwSize{20, 49}));

    LwBoxLayout row(LwBoxLayout::kHorizontal);
    row.items.push_back(LwLayoutItem::Object(&a, false));
    row.items.push_back(LwLayoutItem::Spacer(7));
    row.items.push_back(LwLayoutItem::Object(&b, false));
    EXPECT_EQ(row.NaturalSize(), (LwSize{37, 30}));

    EXPECT_EQ(LwBoxLayout(LwBoxLayout::kHorizontal).NaturalSize(), (LwSize{0, 0}));
}

TEST(BoxLayout, FlexibleSpacePushesAButtonToTheRightEdge) {
    MemoryObject left(nullptr, {50, 20});
    MemoryObject button(nullptr, {80, 20});
    LwBoxLayout row(LwBoxLayout::kHorizontal);
    row.originX = 10;
    row.originY = 4;
    row.items.push_back(LwLayoutItem::Object(&left, false));
    row.items.push_back(LwLayoutItem::Flexible(true));
    row.items.push_back(LwLayoutItem::Spacer(6));
    row.items.push_back(LwLayoutItem::Object(&button, false));

    row.Apply({400, 24});
    EXPECT_EQ(left.Bounds(), (LwRect{10, 4, 50, 24}));
    // Placed from the origin, so the row ends 10 pixels past the available width.
    EXPECT_EQ(button.Bounds(), (LwRect{330, 4, 80, 24}));
}

TEST(BoxLayout, VerticalLayoutGivesItemsTheFullWidth) {
    MemoryObject top(nullptr, {30, 10});
    MemoryObject bottom(nullptr, {40, 10});
    LwBoxLayout column(LwBoxLayout::kVertical);
    column.items.push_back(LwLayoutItem::Object(&top, false));
    column.items.push_back(LwLayoutItem::Object(&bottom, true));

    column.Apply({100, 50});
    EXPECT_EQ(top.Bounds(), (LwRect{0, 0, 100, 10}));
    EXPECT_EQ(bottom.Bounds(), (LwRect{0, 10, 100, 40}));
}

TEST(BoxLayout, NestedLayoutIsPlacedAtItsSlotAndAppliedWithItsShare) {
    MemoryObject label(nullptr, {60, 10});
    MemoryObject a(nullptr, {10, 10});
    MemoryObject b(nullptr, {10, 10});
    auto inner = std::make_unique<LwBoxLayout>(LwBoxLayout::kHorizontal);
    inner->items.push_back(LwLayoutItem::Object(&a, true));
    inner->items.push_back(LwLayoutItem::Object(&b, false));
    LwBoxLayout column(LwBoxLayout::kVertical);
    column.originX = 5;
    column.items.push_back(LwLayoutItem::Object(&label, false));
    column.items.push_back(LwLayoutItem::Layout(std::move(inner), true));

    column.Apply({200, 100});
    EXPECT_EQ(label.Bounds(), (LwRect{5, 0, 200, 10}));
    // The nested row gets the remaining 90 pixels of height and the full width.
    EXPECT_EQ(a.Bounds(), (LwRect{5, 10, 190, 90}));
    EXPECT_EQ(b.Bounds(), (LwRect{195, 10, 10, 90}));
}

TEST(BoxLayout, UnknownKindsTakeNoSpaceAndAreNeverPlaced) {
    MemoryObject a(nullptr, {10, 10});
    MemoryObject stray(nullptr, {33, 33});
    LwLayoutItem odd = LwLayoutItem::Object(&stray, false);
    odd.kind = 7;
    LwBoxLayout row(LwBoxLayout::kHorizontal);
    row.items.push_back(std::move(odd));
    row.items.push_back(LwLayoutItem::Object(&a, false));

    EXPECT_EQ(row.NaturalSize(), (LwSize{10, 10}));
    row.Apply({50, 20});
    EXPECT_EQ(stray.Bounds(), (LwRect{0, 0, 33, 33}));
    EXPECT_EQ(a.Bounds(), (LwRect{0, 0, 10, 20}));
}

TEST(BoxLayout, SettingALayoutReplacesThePreviousOne) {
    MemoryObject owner(nullptr, {100, 20});
    MemoryObject a(&owner, {10, 10});
    auto* first = new LwBoxLayout(LwBoxLayout::kHorizontal);
    first->items.push_back(LwLayoutItem::Layout(std::make_unique<LwBoxLayout>(1), false));
    owner.SetLayout(first);
    auto* second = new LwBoxLayout(LwBoxLayout::kHorizontal);
    second->originX = 7;
    second->items.push_back(LwLayoutItem::Object(&a, false));
    owner.SetLayout(second);  // the first, with its nested layout, is deleted (checked by ASan)

    EXPECT_EQ(owner.GetLayout(), second);
    EXPECT_EQ(a.Bounds(), (LwRect{7, 0, 10, 20}));
    owner.SetLayout(nullptr);
    EXPECT_EQ(owner.GetLayout(), nullptr);
}

TEST(BoxLayout, SettingTheSameLayoutAgainKeepsItWorking) {
    MemoryObject owner(nullptr, {100, 20});
    MemoryObject a(&owner, {10, 10});
    auto* row = new LwBoxLayout(LwBoxLayout::kHorizontal);
    row->items.push_back(LwLayoutItem::Flexible(true));
    row->items.push_back(LwLayoutItem::Object(&a, false));
    owner.SetLayout(row);
    owner.SetLayout(row);  // must not free it

    ASSERT_EQ(owner.GetLayout(), row);
    owner.SetSize({60, 30});
    owner.GetLayout()->Apply(owner.GetSize());
    EXPECT_EQ(a.Bounds(), (LwRect{50, 0, 10, 30}));
}

TEST(BoxLayout, ADeletedChildLeavesTheLayoutsAndAnchorsAboveIt) {
    MemoryObject owner(nullptr, {200, 100});
    MemoryObject box(&owner, {200, 50});
    auto* first = new MemoryObject(&box, {10, 10});
    auto* pinned = new MemoryObject(&box, {10, 10});
    MemoryObject second(&box, {20, 10});
    auto* row = new LwBoxLayout(LwBoxLayout::kHorizontal);
    auto nested = std::make_unique<LwBoxLayout>(LwBoxLayout::kHorizontal);
    nested->items.push_back(LwLayoutItem::Object(first, false));
    row->items.push_back(LwLayoutItem::Layout(std::move(nested), false));
    row->items.push_back(LwLayoutItem::Object(&second, false));
    owner.SetLayout(row);  // a layout on the grandparent places the grandchildren
    box.AddAnchor(pinned, LwAnchor::kBottom, 0);
    box.AddAnchor(&second, LwAnchor::kRight, 0);

    delete first;
    delete pinned;
    // What the router does on the next resize; ASan reports any read of the deleted objects.
    owner.GetLayout()->Apply({200, 100});
    box.ApplyAnchors({200, 50});
    EXPECT_EQ(second.Bounds(), (LwRect{180, 0, 20, 100}));
    EXPECT_EQ(owner.GetLayout()->NaturalSize(), (LwSize{20, 100}));
}

TEST(Anchors, PinChildrenToTheBottomAndRightEdges) {
    MemoryObject owner(nullptr, {400, 300});
    MemoryObject footer(&owner, {50, 20});
    MemoryObject side(&owner, {30, 40});
    footer.SetPosition({10, 10});
    side.SetPosition({12, 60});
    owner.AddAnchor(&footer, LwAnchor::kBottom, 5);
    owner.AddAnchor(&side, LwAnchor::kRight, 7);
    owner.AddAnchor(&side, 9, 100);  // unknown edges do nothing

    owner.ApplyAnchors({400, 300});
    EXPECT_EQ(footer.Bounds(), (LwRect{10, 275, 50, 20}));
    EXPECT_EQ(side.Bounds(), (LwRect{363, 60, 30, 40}));

    owner.ApplyAnchors({200, 100});
    EXPECT_EQ(footer.GetPosition(), (LwPoint{10, 75}));
    EXPECT_EQ(side.GetPosition(), (LwPoint{163, 60}));
}

}  // namespace
