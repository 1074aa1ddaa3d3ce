#pragma once

#include <vector>

#include "platform/a11y/AccessibleEvent.h"
#include "platform/a11y/AccessibleSnapshot.h"

namespace platform::a11y {

// The events that take a reader from `before` to `after`: children added and removed (a row
// that moved counts as removed and added), names, values and states that changed, the window's
// activation, and the focus: when it moves, the object that had it loses it and the one that
// gets it gains it, one event each, never repeated while it stays.
//
// Rows are compared only when the row lists differ (a new list object) or their checked
// states do, so a change elsewhere costs nothing per row. Runs on the bridge's thread.
std::vector<AccessibleEvent> diffSnapshots(const AccessibleSnapshot& before,
                                           const AccessibleSnapshot& after);

}  // namespace platform::a11y
