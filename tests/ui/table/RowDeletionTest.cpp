#include "platform/ui/table/RowDeletion.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(RowDeletionTest, RemainingRowsCloseUpInOrder) {
    // Rows 0..7 less 5, 1 and 2 (unsorted, one twice): old row -> new row.
    const RowDeletion deletion({5, 1, 2, 1});
    EXPECT_EQ(deletion.size(), 3u);
    const std::optional<int> newRow[] = {0, std::nullopt, std::nullopt, 1, 2, std::nullopt, 3, 4};
    for (int old = 0; old < 8; ++old) {
        EXPECT_EQ(deletion.newRowOf(old), newRow[old]) << old;
        if (newRow[old]) {
            EXPECT_EQ(deletion.oldRowOf(*newRow[old]), old);
        }
    }
    EXPECT_TRUE(RowDeletion({}).isEmpty());
}

}  // namespace
}  // namespace platform
