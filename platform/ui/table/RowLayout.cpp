#include "platform/ui/table/RowLayout.h"

#include <algorithm>

namespace platform {

RowLayout::RowLayout(std::vector<int> rowCounts) : rowCounts_(std::move(rowCounts)) {
    for (int& rows : rowCounts_) {
        rows = std::max(rows, 0);
        sectionStart_.push_back(totalRows_);
        totalRows_ += rows;
    }
}

int RowLayout::numberOfRowsInSection(int section) const {
    if (section < 0 || section >= numberOfSections()) return 0;
    return rowCounts_[static_cast<size_t>(section)];
}

bool RowLayout::contains(const IndexPath& indexPath) const {
    return indexPath.row >= 0 && indexPath.row < numberOfRowsInSection(indexPath.section);
}

int RowLayout::flatRow(const IndexPath& indexPath) const {
    return sectionStart_[static_cast<size_t>(indexPath.section)] + indexPath.row;
}

IndexPath RowLayout::indexPathOfFlat(int flat) const {
    // The last section starting at or before the row; empty sections share their start with
    // the next one, which holds the row.
    const auto it = std::upper_bound(sectionStart_.begin(), sectionStart_.end(), flat);
    const int section = static_cast<int>(it - sectionStart_.begin()) - 1;
    return IndexPath::forRow(flat - sectionStart_[static_cast<size_t>(section)], section);
}

int RowLayout::firstRowOfSection(int section) const {
    return sectionStart_[static_cast<size_t>(section)];
}

int RowMove::slotOfRow(int row) const {
    if (row == source) return target;
    const int withoutSource = row < source ? row : row - 1;
    return withoutSource >= target ? withoutSource + 1 : withoutSource;
}

std::optional<int> RowMove::rowAtSlot(int slot) const {
    if (slot == target) return std::nullopt;
    const int withoutTarget = slot > target ? slot - 1 : slot;
    return withoutTarget >= source ? withoutTarget + 1 : withoutTarget;
}

}  // namespace platform
