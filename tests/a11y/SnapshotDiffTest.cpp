#include "platform/a11y/SnapshotDiff.h"

#include <gtest/gtest.h>

namespace platform::a11y {
namespace {
using Kind = AccessibleEvent::Kind;
constexpr uint64_t kWindow = 1, kList = 2, kSwitch = 3, kSlider = 4, kAlert = 5;

uint64_t row(uint64_t key) { return key | kRowIdBit; }

// A board-like tree: a window holding a list, a switch and a slider, and optionally an alert.
struct Board {
    std::vector<uint64_t> rows = {10, 20, 30};
    std::vector<bool> checked;  // empty: not in edit mode
    uint64_t focus = 0;
    bool switchOn = false;
    double delay = 0;
    bool alert = false;
    bool active = true;
    std::string listName = "Clips";
};

AccessibleNode node(uint64_t id, uint64_t parent, Role role, std::string name = {}) {
    AccessibleNode made;
    made.id = id;
    made.parent = parent;
    made.role = role;
    made.name = std::move(name);
    return made;
}

AccessibleSnapshot snapshotOf(const Board& board,
                              std::shared_ptr<const AccessibleRowList> rows = nullptr) {
    AccessibleSnapshot snapshot;
    auto window = node(kWindow, 0, Role::Frame, "Soundboard");
    window.states = board.active ? kStateActive : 0;
    window.children = {kList, kSwitch, kSlider};
    if (board.alert) window.children.push_back(kAlert);
    auto toggle = node(kSwitch, kWindow, Role::ToggleButton, "Loop");
    toggle.states = board.switchOn ? kStateChecked : 0;
    auto slider = node(kSlider, kWindow, Role::Slider, "Delay");
    slider.value = AccessibleValue{board.delay, 0, 90, 1};
    snapshot.nodes = {window, node(kList, kWindow, Role::List, board.listName), toggle, slider};
    if (board.alert) snapshot.nodes.push_back(node(kAlert, kWindow, Role::Alert, "Mute"));
    snapshot.list.id = kList;
    snapshot.list.rows = rows ? rows
                              : std::make_shared<const AccessibleRowList>(
                                    board.rows, std::vector<std::string>(board.rows.size()));
    if (!board.checked.empty())
        snapshot.list.checked = std::make_shared<const std::vector<bool>>(board.checked);
    snapshot.focus = board.focus;
    return snapshot;
}

AccessibleEvent child(Kind kind, uint64_t parent, uint64_t id, int index) {
    AccessibleEvent event;
    event.kind = kind;
    event.object = parent;
    event.child = id;
    event.index = index;
    return event;
}

AccessibleEvent state(uint64_t id, const char* name, bool on) {
    AccessibleEvent event;
    event.object = id;
    event.state = name;
    event.on = on;
    return event;
}

AccessibleEvent plain(Kind kind, uint64_t id) {
    AccessibleEvent event;
    event.kind = kind;
    event.object = id;
    return event;
}

struct Case {
    const char* what;
    Board before;
    Board after;
    std::vector<AccessibleEvent> expected;
};

const Case kCases[] = {
    {"nothing changed", {.focus = row(20)}, {.focus = row(20)}, {}},
    {"the list is renamed", {}, {.listName = "Sounds"}, {plain(Kind::NameChanged, kList)}},
    {"the switch is flipped", {}, {.switchOn = true}, {state(kSwitch, "checked", true)}},
    {"the delay is set", {}, {.delay = 5}, {plain(Kind::ValueChanged, kSlider)}},
    {"the alert shows", {}, {.alert = true}, {child(Kind::ChildAdded, kWindow, kAlert, 3)}},
    {"the alert is dismissed",
     {.alert = true},
     {},
     {child(Kind::ChildRemoved, kWindow, kAlert, 3)}},
    {"a row is hidden", {}, {.rows = {10, 30}}, {child(Kind::ChildRemoved, kList, row(20), 1)}},
    {"a row comes back", {.rows = {10, 30}}, {}, {child(Kind::ChildAdded, kList, row(20), 1)}},
    {"a row moves up",
     {},
     {.rows = {20, 10, 30}},
     {child(Kind::ChildRemoved, kList, row(20), 1), child(Kind::ChildAdded, kList, row(20), 0)}},
    {"the focus moves down a row",
     {.focus = row(10)},
     {.focus = row(20)},
     {state(row(10), "focused", false), state(row(20), "focused", true)}},
    {"the focus first shows", {}, {.focus = row(10)}, {state(row(10), "focused", true)}},
    {"a row is unchecked in edit mode",
     {.checked = {true, true, true}},
     {.checked = {true, false, true}},
     {state(row(20), "checked", false)}},
    {"the window is activated",
     {.active = false},
     {},
     {state(kWindow, "active", true), plain(Kind::WindowActivated, kWindow)}},
};

TEST(SnapshotDiffTest, EachChangeYieldsItsEvents) {
    for (const auto& [what, before, after, expected] : kCases) {
        SCOPED_TRACE(what);
        // The same row list object when the rows did not change, as the board publishes it.
        const auto shared = before.rows == after.rows
                                ? std::make_shared<const AccessibleRowList>(
                                      before.rows, std::vector<std::string>(before.rows.size()))
                                : nullptr;
        EXPECT_EQ(diffSnapshots(snapshotOf(before, shared), snapshotOf(after, shared)), expected);
    }
}

}  // namespace
}  // namespace platform::a11y
