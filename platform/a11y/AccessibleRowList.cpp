#include "platform/a11y/AccessibleRowList.h"

namespace platform::a11y {

AccessibleRowList::AccessibleRowList(std::vector<uint64_t> keys, std::vector<std::string> names)
    : ids_(std::move(keys)), names_(std::move(names)) {
    names_.resize(ids_.size());
    rowOfId_.reserve(ids_.size());
    for (size_t row = 0; row < ids_.size(); ++row) {
        ids_[row] |= kRowIdBit;
        rowOfId_.emplace(ids_[row], static_cast<int>(row));
    }
}

int AccessibleRowList::rowOf(uint64_t id) const {
    const auto found = rowOfId_.find(id);
    return found == rowOfId_.end() ? -1 : found->second;
}

}  // namespace platform::a11y
