#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/Geometry.h"

namespace platform {

class TableViewCell;
enum class TableViewRowAnimation;

// The deletion of some flat rows: where each remaining row goes, and the animation that takes
// the deleted rows' cells away.
class RowDeletion {
public:
    // Duplicates and order do not matter.
    explicit RowDeletion(std::vector<int> deletedRows);

    bool isEmpty() const { return deleted_.empty(); }
    size_t size() const { return deleted_.size(); }
    const std::vector<int>& deletedRows() const { return deleted_; }
    bool isDeleted(int oldRow) const;
    // The row's number after the deletion; nullopt for a deleted row.
    std::optional<int> newRowOf(int oldRow) const;
    // The number the row had before the deletion.
    int oldRowOf(int newRow) const;

    // Inside an open animation block: each dying cell leaves as `animation` says, by a row's
    // height up or down or by the table's width sideways, fading out on the way. The block's
    // completion (set here) takes the dying cells that are still transparent out of the table.
    static void animateAway(const std::vector<std::shared_ptr<TableViewCell>>& dying,
                            TableViewRowAnimation animation, float rowHeight, float tableWidth);

private:
    std::vector<int> deleted_;  // sorted, unique
};

}  // namespace platform
