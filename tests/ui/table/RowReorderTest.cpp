#include "platform/ui/table/RowReorder.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

constexpr float kRow = 44;

TEST(RowReorderTest, TheLiftedRowStaysInItsSectionAndLandsOnTheNearestSlot) {
    // A section of rows 2..6; the finger grabbed the row 10 points below its top.
    const struct {
        float fingerY;
        float top;
        int target;
    } cases[] = {
        {10, 2 * kRow, 2},                       // above the section: its first row
        {3 * kRow + 10 + 21, 3 * kRow + 21, 3},  // less than half-way down: stays
        {3 * kRow + 10 + 23, 3 * kRow + 23, 4},  // more than half-way: the next slot
        {20 * kRow, 6 * kRow, 6},                // below the section: its last row
    };
    for (const auto& c : cases) {
        const float top = RowReorder::liftedTop(c.fingerY, 10, 2, 6, kRow);
        EXPECT_FLOAT_EQ(top, c.top) << c.fingerY;
        EXPECT_EQ(RowReorder::targetFor(top, 2, 6, kRow), c.target) << c.fingerY;
    }
}

TEST(RowReorderTest, AFingerNearAnEdgeScrollsTowardsItFasterTheCloser) {
    // A view 400 high with content at offset 100 of 500.
    const struct {
        float fingerY;
        float offset;
        float speed;
    } cases[] = {
        {200, 100, 0},     // the middle
        {15, 100, -200},   // half-way into the top margin
        {-10, 100, -400},  // above the view: the top speed
        {385, 100, 200},   // half-way into the bottom margin
        {15, 0, 0},        // at the top already
        {395, 500, 0},     // at the bottom already
    };
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(RowReorder::autoScrollSpeed(c.fingerY, 400, c.offset, 500), c.speed)
            << c.fingerY << " at " << c.offset;
}

}  // namespace
}  // namespace platform
