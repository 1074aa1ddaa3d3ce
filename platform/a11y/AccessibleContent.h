#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/a11y/AccessibleRowList.h"

namespace platform {

// What a list shows, told to assistive technology from the list's data rather than from its
// reused cells, so that every row is there, also those scrolled out of sight. A view points to
// it (View::setAccessibilityContent) without owning it. Main thread only.
class AccessibleContent {
public:
    virtual ~AccessibleContent() = default;

    // The rows in the order shown. The same object is returned for as long as the rows have
    // not changed, so asking costs little when nothing moved.
    virtual std::shared_ptr<const a11y::AccessibleRowList> accessibleRows() = 0;
    // Fills in whether each row is checked and returns true, when the rows are checkable now.
    virtual bool accessibleRowsChecked(std::vector<bool>& checked) = 0;
    // The row the keyboard's focus is drawn on; -1 when none is drawn.
    virtual int accessibleFocusedRow() = 0;
    // The names of the actions each row offers now.
    virtual std::vector<std::string> accessibleRowActions() = 0;
    // Does what the action does, as a finger or a key would.
    virtual void performAccessibleRowAction(int row, const std::string& action) = 0;
    // Moves the keyboard's focus to `row`.
    virtual void focusAccessibleRow(int row) = 0;
};

}  // namespace platform
