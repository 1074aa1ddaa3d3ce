#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Geometry.h"

namespace platform::a11y {

// What an accessible object is. The numbers are AT-SPI2's, so the bridge passes them on as
// they are.
enum class Role : uint32_t {
    Alert = 2,
    Frame = 23,
    Label = 29,
    List = 31,
    ListItem = 32,
    Panel = 39,
    PushButton = 43,
    RadioButton = 44,
    Slider = 51,
    StatusBar = 54,
    ToggleButton = 62,
    ToolBar = 63,
};

// States as bits numbered as AT-SPI2 numbers them.
enum State : uint64_t {
    kStateActive = 1ull << 1,
    kStateChecked = 1ull << 4,
    kStateEnabled = 1ull << 8,
    kStateFocusable = 1ull << 11,
    kStateFocused = 1ull << 12,
    kStateModal = 1ull << 16,
    kStateSelectable = 1ull << 22,
    kStateSelected = 1ull << 23,
    kStateSensitive = 1ull << 24,
    kStateShowing = 1ull << 25,
    kStateVisible = 1ull << 30,
    kStateCheckable = 1ull << 41,
};

// A number a person can read and set (the delay slider).
struct AccessibleValue {
    double current = 0;
    double minimum = 0;
    double maximum = 0;
    double step = 0;
    bool operator==(const AccessibleValue&) const = default;
};

// One accessible object as published: plain data, copied into an immutable snapshot.
// Identities are stable for as long as the thing they name lives; 0 is no object.
struct AccessibleNode {
    uint64_t id = 0;
    uint64_t parent = 0;
    Role role = Role::Panel;
    std::string name;
    uint64_t states = 0;
    Rect extents;  // in the window's points
    std::vector<std::string> actions;
    std::optional<AccessibleValue> value;
    std::vector<uint64_t> children;
};

}  // namespace platform::a11y
