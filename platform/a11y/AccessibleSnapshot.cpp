#include "platform/a11y/AccessibleSnapshot.h"

#include <algorithm>

namespace platform::a11y {

const AccessibleNode* AccessibleSnapshot::control(uint64_t id) const {
    const auto found =
        std::find_if(nodes.begin(), nodes.end(), [id](const auto& node) { return node.id == id; });
    return found == nodes.end() ? nullptr : &*found;
}

std::optional<AccessibleNode> AccessibleSnapshot::find(uint64_t id) const {
    if (id & kRowIdBit) {
        const int row = list.rows ? list.rows->rowOf(id) : -1;
        if (row < 0) return std::nullopt;
        return rowNode(static_cast<size_t>(row));
    }
    if (const auto* node = control(id)) return *node;
    return std::nullopt;
}

AccessibleNode AccessibleSnapshot::rowNode(size_t row) const {
    AccessibleNode node;
    node.id = list.rows->id(row);
    node.parent = list.id;
    node.role = Role::ListItem;
    node.name = list.rows->name(row);
    node.actions = list.rowActions;
    node.states =
        kStateEnabled | kStateSensitive | kStateVisible | kStateFocusable | kStateSelectable;
    if (static_cast<int>(row) == list.selectedRow) node.states |= kStateSelected;
    if (node.id == focus) node.states |= kStateFocused;
    if (list.checked) {
        node.states |= kStateCheckable;
        if (row < list.checked->size() && (*list.checked)[row]) node.states |= kStateChecked;
    }
    const AccessibleNode* table = control(list.id);
    if (table) {
        const Rect& box = table->extents;
        const float top = box.y() + static_cast<float>(row) * list.rowHeight - list.contentOffsetY;
        node.extents = Rect(box.x(), top, box.width(), list.rowHeight);
        if (top + list.rowHeight > box.y() && top < box.maxY()) node.states |= kStateShowing;
    }
    return node;
}

std::vector<uint64_t> AccessibleSnapshot::childrenOf(uint64_t id) const {
    if (id != 0 && id == list.id && list.rows) return list.rows->ids();
    const auto* node = control(id);
    return node ? node->children : std::vector<uint64_t>{};
}

int AccessibleSnapshot::indexInParent(uint64_t id) const {
    if (id & kRowIdBit) return list.rows ? list.rows->rowOf(id) : -1;
    const auto* node = control(id);
    const auto* parent = node ? control(node->parent) : nullptr;
    if (!parent) return node ? 0 : -1;
    const auto& siblings = parent->children;
    const auto at = std::find(siblings.begin(), siblings.end(), id);
    return at == siblings.end() ? -1 : static_cast<int>(at - siblings.begin());
}

}  // namespace platform::a11y
