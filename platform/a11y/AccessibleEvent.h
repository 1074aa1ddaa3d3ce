#pragma once

#include <cstdint>
#include <string>

namespace platform::a11y {

// One change that assistive technology is told about, found by comparing two snapshots.
struct AccessibleEvent {
    enum class Kind {
        ChildAdded,    // `child` now at `index` under `object`
        ChildRemoved,  // `child` was at `index` under `object`
        StateChanged,  // `state` (an AT-SPI state name) of `object` is now `on`
        NameChanged,   // `object` has a new name
        ValueChanged,  // `object`'s number changed
        WindowActivated,
        WindowDeactivated,
    };
    Kind kind = Kind::StateChanged;
    uint64_t object = 0;
    uint64_t child = 0;
    int index = 0;
    std::string state;
    bool on = false;

    bool operator==(const AccessibleEvent&) const = default;
};

}  // namespace platform::a11y
