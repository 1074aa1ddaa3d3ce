#include "platform/ui/table/RowLayout.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(RowLayoutTest, FlatRowsCountThroughSectionsSkippingEmptyOnes) {
    const RowLayout rows({2, 0, 3});
    EXPECT_EQ(rows.totalRows(), 5);
    const struct {
        IndexPath path;
        int flat;
    } cases[] = {{{0, 0}, 0}, {{0, 1}, 1}, {{2, 0}, 2}, {{2, 2}, 4}};
    for (const auto& c : cases) {
        EXPECT_EQ(rows.flatRow(c.path), c.flat);
        EXPECT_EQ(rows.indexPathOfFlat(c.flat), c.path) << c.flat;
    }
    EXPECT_FALSE(rows.contains({1, 0}));  // the empty section
    EXPECT_FALSE(rows.contains({0, 2}));
    EXPECT_FALSE(rows.contains({3, 0}));
    EXPECT_FALSE(rows.contains({0, -1}));
    EXPECT_EQ(rows.numberOfRowsInSection(7), 0);
}

TEST(RowLayoutTest, AMovedRowTakesItsTargetSlotAndTheRowsBetweenShiftByOne) {
    // Rows 0..5; the row in the slot, and the slot of the row, for a move of 1 down to 4 and
    // of 4 up to 1. The target slot holds no row: the moved row is drawn there.
    const struct {
        RowMove move;
        std::optional<int> rowAtSlot[6];
    } cases[] = {
        {{1, 4}, {0, 2, 3, 4, std::nullopt, 5}},
        {{4, 1}, {0, std::nullopt, 1, 2, 3, 5}},
        {{3, 3}, {0, 1, 2, std::nullopt, 4, 5}},
    };
    for (const auto& c : cases) {
        for (int slot = 0; slot < 6; ++slot) {
            EXPECT_EQ(c.move.rowAtSlot(slot), c.rowAtSlot[slot]) << slot;
            const int row = c.rowAtSlot[slot].value_or(c.move.source);
            EXPECT_EQ(c.move.slotOfRow(row), slot) << row;
        }
    }
}

}  // namespace
}  // namespace platform
