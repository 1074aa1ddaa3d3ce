#pragma once

#include <compare>

namespace platform {

// The address of a row in a table: its section and its row within the section. Ordered by
// section, then row.
struct IndexPath {
    int section = 0;
    int row = 0;

    static IndexPath forRow(int row, int section) { return IndexPath{section, row}; }

    friend bool operator==(const IndexPath&, const IndexPath&) = default;
    friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

}  // namespace platform
