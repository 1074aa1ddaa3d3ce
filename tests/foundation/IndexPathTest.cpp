#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/foundation/IndexPath.h"

namespace platform {
namespace {

TEST(IndexPathTest, ForRowTakesRowThenSectionAndOrdersBySectionFirst) {
    const IndexPath path = IndexPath::forRow(5, 1);
    EXPECT_EQ(path.row, 5);
    EXPECT_EQ(path.section, 1);
    EXPECT_NE(IndexPath::forRow(1, 5), path);

    std::vector<IndexPath> paths{IndexPath::forRow(0, 1), IndexPath::forRow(9, 0),
                                 IndexPath::forRow(2, 0)};
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<IndexPath>{IndexPath::forRow(2, 0), IndexPath::forRow(9, 0),
                                             IndexPath::forRow(0, 1)}));
}

}  // namespace
}  // namespace platform
