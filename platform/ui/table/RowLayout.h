#pragma once

#include <optional>
#include <vector>

#include "platform/foundation/IndexPath.h"

namespace platform {

// The rows of a table counted through all its sections: flat row n is the n-th row from the
// top. Converts between flat rows and index paths; a value, built from the row count of each
// section.
class RowLayout {
public:
    RowLayout() = default;
    explicit RowLayout(std::vector<int> rowCounts);

    const std::vector<int>& rowCounts() const { return rowCounts_; }
    int numberOfSections() const { return static_cast<int>(rowCounts_.size()); }
    // 0 for a section that does not exist.
    int numberOfRowsInSection(int section) const;
    int totalRows() const { return totalRows_; }
    bool contains(const IndexPath& indexPath) const;

    // Only for paths the layout contains, and flat rows in [0, totalRows()).
    int flatRow(const IndexPath& indexPath) const;
    IndexPath indexPathOfFlat(int flat) const;
    // The flat row of the section's first row.
    int firstRowOfSection(int section) const;

private:
    std::vector<int> rowCounts_;     // per section
    std::vector<int> sectionStart_;  // flat row of each section's first row
    int totalRows_ = 0;
};

// Where rows stand on screen while one row is being moved: the moved row stands in the slot of
// its target, and the rows between close up behind it and make room there. Without a move,
// every row stands in its own slot.
struct RowMove {
    int source = 0;
    int target = 0;

    int slotOfRow(int row) const;
    // The row standing in a slot; nullopt for the target slot, kept free for the moved row.
    std::optional<int> rowAtSlot(int slot) const;
};

}  // namespace platform
