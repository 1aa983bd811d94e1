// Timer ids: the smallest free id from 1, reused as soon as its timer stops.
#include <gtest/gtest.h>

#include "toolkit/LwTimerTable.h"

namespace {

LwTimer* Fake(int n) {
    return reinterpret_cast<LwTimer*>(static_cast<uintptr_t>(0x1000 * n));
}

TEST(TimerTable, IdsStartAtOneAndReuseTheSmallestGap) {
    LwTimerTable table;
    EXPECT_EQ(table.Insert(Fake(1)), 1u);
    EXPECT_EQ(table.Insert(Fake(2)), 2u);
    EXPECT_EQ(table.Insert(Fake(3)), 3u);
    table.Remove(2);
    EXPECT_EQ(table.Find(2), nullptr);
    EXPECT_EQ(table.Insert(Fake(4)), 2u);
    EXPECT_EQ(table.Find(2), Fake(4));
    EXPECT_EQ(table.Insert(Fake(5)), 4u);
    table.Remove(1);
    table.Remove(1);  // removing an absent id changes nothing
    EXPECT_EQ(table.Count(), 3u);
    EXPECT_EQ(table.Insert(Fake(6)), 1u);
}

}  // namespace
