#include "platform/a11y/SnapshotDiff.h"

#include <algorithm>
#include <unordered_set>

namespace platform::a11y {
namespace {
using Kind = AccessibleEvent::Kind;

struct StateName {
    uint64_t bit;
    const char* name;
};
// The states a reader is told about when they change. Focus and activation have events of
// their own.
constexpr StateName kReportedStates[] = {
    {kStateChecked, "checked"},     {kStateCheckable, "checkable"}, {kStateEnabled, "enabled"},
    {kStateSensitive, "sensitive"}, {kStateShowing, "showing"},     {kStateSelected, "selected"},
    {kStateModal, "modal"},
};

AccessibleEvent childEvent(Kind kind, uint64_t parent, uint64_t child, size_t index) {
    AccessibleEvent event;
    event.kind = kind;
    event.object = parent;
    event.child = child;
    event.index = static_cast<int>(index);
    return event;
}

AccessibleEvent stateEvent(uint64_t object, const char* state, bool on) {
    AccessibleEvent event;
    event.object = object;
    event.state = state;
    event.on = on;
    return event;
}

AccessibleEvent objectEvent(Kind kind, uint64_t object) {
    AccessibleEvent event;
    event.kind = kind;
    event.object = object;
    return event;
}

void diffStates(uint64_t id, uint64_t before, uint64_t after,
                std::vector<AccessibleEvent>& events) {
    for (const auto& [bit, name] : kReportedStates)
        if ((before & bit) != (after & bit))
            events.push_back(stateEvent(id, name, (after & bit) != 0));
}

void diffChildren(uint64_t parent, const std::vector<uint64_t>& before,
                  const std::vector<uint64_t>& after, std::vector<AccessibleEvent>& events) {
    const std::unordered_set<uint64_t> kept(after.begin(), after.end());
    for (size_t i = before.size(); i-- > 0;)
        if (!kept.contains(before[i]))
            events.push_back(childEvent(Kind::ChildRemoved, parent, before[i], i));
    const std::unordered_set<uint64_t> had(before.begin(), before.end());
    for (size_t i = 0; i < after.size(); ++i)
        if (!had.contains(after[i]))
            events.push_back(childEvent(Kind::ChildAdded, parent, after[i], i));
}

void diffControls(const AccessibleSnapshot& before, const AccessibleSnapshot& after,
                  std::vector<AccessibleEvent>& events) {
    for (const auto& node : after.nodes) {
        const AccessibleNode* old = before.control(node.id);
        if (!old) continue;  // a new object is told as a child of its parent
        diffChildren(node.id, old->children, node.children, events);
        if (old->name != node.name) events.push_back(objectEvent(Kind::NameChanged, node.id));
        if (old->value != node.value) events.push_back(objectEvent(Kind::ValueChanged, node.id));
        diffStates(node.id, old->states, node.states, events);
    }
}

// The rows of `after` whose place relative to the others changed: those outside the longest
// run of rows that kept their order.
std::vector<bool> movedRows(const AccessibleRowList& before, const AccessibleRowList& after) {
    std::vector<int> oldRows;  // old row of each kept row, in the new order
    std::vector<size_t> newRows;
    for (size_t row = 0; row < after.size(); ++row)
        if (const int old = before.rowOf(after.id(row)); old >= 0) {
            oldRows.push_back(old);
            newRows.push_back(row);
        }
    // Longest increasing subsequence of oldRows, remembering the chain.
    std::vector<int> tails, tailAt, previous(oldRows.size(), -1);
    for (size_t i = 0; i < oldRows.size(); ++i) {
        const auto at = std::lower_bound(tails.begin(), tails.end(), oldRows[i]);
        const size_t length = static_cast<size_t>(at - tails.begin());
        if (length > 0) previous[i] = tailAt[length - 1];
        if (at == tails.end()) {
            tails.push_back(oldRows[i]);
            tailAt.push_back(static_cast<int>(i));
        } else {
            *at = oldRows[i];
            tailAt[length] = static_cast<int>(i);
        }
    }
    std::vector<bool> moved(after.size(), false);
    for (size_t i = 0; i < newRows.size(); ++i) moved[newRows[i]] = true;
    for (int i = tailAt.empty() ? -1 : tailAt.back(); i >= 0; i = previous[static_cast<size_t>(i)])
        moved[newRows[static_cast<size_t>(i)]] = false;
    return moved;
}

void diffRowOrder(const AccessibleSnapshot& before, const AccessibleSnapshot& after,
                  std::vector<AccessibleEvent>& events) {
    const auto& oldRows = *before.list.rows;
    const auto& newRows = *after.list.rows;
    const uint64_t list = after.list.id;
    const auto moved = movedRows(oldRows, newRows);
    std::vector<bool> leaving(oldRows.size(), false);
    for (size_t row = 0; row < newRows.size(); ++row)
        if (moved[row]) leaving[static_cast<size_t>(oldRows.rowOf(newRows.id(row)))] = true;
    for (size_t row = oldRows.size(); row-- > 0;)
        if (leaving[row] || newRows.rowOf(oldRows.id(row)) < 0)
            events.push_back(childEvent(Kind::ChildRemoved, list, oldRows.id(row), row));
    for (size_t row = 0; row < newRows.size(); ++row)
        if (moved[row] || oldRows.rowOf(newRows.id(row)) < 0)
            events.push_back(childEvent(Kind::ChildAdded, list, newRows.id(row), row));
}

void diffRowChecks(const AccessibleSnapshot& before, const AccessibleSnapshot& after,
                   std::vector<AccessibleEvent>& events) {
    const auto& oldChecks = before.list.checked;
    const auto& newChecks = after.list.checked;
    if (!oldChecks || !newChecks || oldChecks == newChecks) return;
    const auto& rows = *after.list.rows;
    for (size_t row = 0; row < rows.size() && row < newChecks->size(); ++row) {
        const int old = before.list.rows->rowOf(rows.id(row));
        if (old < 0 || static_cast<size_t>(old) >= oldChecks->size()) continue;
        if ((*oldChecks)[static_cast<size_t>(old)] != (*newChecks)[row])
            events.push_back(stateEvent(rows.id(row), "checked", (*newChecks)[row]));
    }
}

void diffRows(const AccessibleSnapshot& before, const AccessibleSnapshot& after,
              std::vector<AccessibleEvent>& events) {
    // A list that came or went is told as a child of its parent.
    if (before.list.id == 0 || before.list.id != after.list.id) return;
    if (!before.list.rows || !after.list.rows) return;
    if (before.list.rows != after.list.rows) diffRowOrder(before, after, events);
    diffRowChecks(before, after, events);
}

void diffFocus(const AccessibleSnapshot& before, const AccessibleSnapshot& after,
               std::vector<AccessibleEvent>& events) {
    if (before.focus == after.focus) return;
    if (before.focus != 0 && after.find(before.focus))
        events.push_back(stateEvent(before.focus, "focused", false));
    if (after.focus != 0) events.push_back(stateEvent(after.focus, "focused", true));
}

void diffActivation(const AccessibleSnapshot& before, const AccessibleSnapshot& after,
                    std::vector<AccessibleEvent>& events) {
    if (after.nodes.empty()) return;
    const auto& window = after.nodes.front();
    const bool wasActive = !before.nodes.empty() && before.nodes.front().id == window.id &&
                           (before.nodes.front().states & kStateActive);
    const bool isActive = (window.states & kStateActive) != 0;
    if (wasActive == isActive) return;
    events.push_back(stateEvent(window.id, "active", isActive));
    events.push_back(
        objectEvent(isActive ? Kind::WindowActivated : Kind::WindowDeactivated, window.id));
}

}  // namespace

std::vector<AccessibleEvent> diffSnapshots(const AccessibleSnapshot& before,
                                           const AccessibleSnapshot& after) {
    std::vector<AccessibleEvent> events;
    diffControls(before, after, events);
    diffRows(before, after, events);
    diffActivation(before, after, events);
    diffFocus(before, after, events);
    return events;
}

}  // namespace platform::a11y
