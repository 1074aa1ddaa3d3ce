#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::a11y {

// Identities of list rows carry this bit; those of controls never do.
inline constexpr uint64_t kRowIdBit = 1ull << 63;

// The rows of a list in the order shown, each with a stable identity and its name. Immutable
// once made and shared between snapshots: it is made again only when the rows themselves
// change (added, removed, moved), so a snapshot of a 10,000-row list copies one pointer.
class AccessibleRowList {
public:
    // `keys` identify the rows' items (they must stay with an item when it moves); the rows'
    // identities are the keys with kRowIdBit set.
    AccessibleRowList(std::vector<uint64_t> keys, std::vector<std::string> names);

    size_t size() const { return ids_.size(); }
    uint64_t id(size_t row) const { return ids_[row]; }
    const std::string& name(size_t row) const { return names_[row]; }
    const std::vector<uint64_t>& ids() const { return ids_; }
    // The row of `id`; -1 when it is not in the list.
    int rowOf(uint64_t id) const;

private:
    std::vector<uint64_t> ids_;
    std::vector<std::string> names_;
    std::unordered_map<uint64_t, int> rowOfId_;
};

}  // namespace platform::a11y
