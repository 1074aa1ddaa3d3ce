#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/a11y/AccessibleNode.h"
#include "platform/a11y/AccessibleRowList.h"

namespace platform::a11y {

// The list on screen: its rows come from a shared row list, and each row's object is made
// when someone asks for it, so a snapshot holds no per-row copies.
struct AccessibleListState {
    uint64_t id = 0;  // the list's node; 0: no list on screen
    std::shared_ptr<const AccessibleRowList> rows;
    // Whether each row is checked; empty while the rows are not checkable.
    std::shared_ptr<const std::vector<bool>> checked;
    int selectedRow = -1;
    float rowHeight = 0;
    float contentOffsetY = 0;
    std::vector<std::string> rowActions;
};

// Where the window's points are on the screen, in the screen's pixels.
struct ScreenMapping {
    float x = 0;
    float y = 0;
    float scale = 1;
};

// An immutable picture of the accessible tree, made on the main thread and read by the bridge
// thread; shared through shared_ptr<const>.
struct AccessibleSnapshot {
    std::vector<AccessibleNode> nodes;  // nodes[0] is the window; the rest in tree order
    AccessibleListState list;
    uint64_t focus = 0;  // the focused object, control or row; 0: none
    ScreenMapping screen;

    // The object of `id` (a control or a row), if it is in this snapshot.
    std::optional<AccessibleNode> find(uint64_t id) const;
    const AccessibleNode* control(uint64_t id) const;
    // The row's object; `row` must be within the list.
    AccessibleNode rowNode(size_t row) const;
    size_t rowCount() const { return list.rows ? list.rows->size() : 0; }
    // The children of `id`: a list's are its rows.
    std::vector<uint64_t> childrenOf(uint64_t id) const;
    // Where `id` is among its parent's children; -1 when unknown.
    int indexInParent(uint64_t id) const;
};

}  // namespace platform::a11y
