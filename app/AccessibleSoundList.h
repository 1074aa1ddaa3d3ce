#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/a11y/AccessibleContent.h"

class RootViewController;

namespace platform {
class TableKeyboardFocus;
}  // namespace platform

// The board's list as assistive technology sees it: one row per clip shown (every clip in edit
// mode), named by the clip, checked while shown in edit mode; the keyboard's focus is the
// reader's. Each action goes the way of the key that does the same: a row is activated as its
// number key taps it, hidden or shown as Space does in edit mode, moved as Alt+Up/Down moves it.
//
// The row list is made again only when the clips shown, or their order, change; a row keeps
// its identity through moves. The board and the focus are not owned; the focus must outlive
// this object (the interface owns both).
class AccessibleSoundList final : public platform::AccessibleContent {
public:
    AccessibleSoundList(std::weak_ptr<RootViewController> board,
                        platform::TableKeyboardFocus& focus);

    std::shared_ptr<const platform::a11y::AccessibleRowList> accessibleRows() override;
    bool accessibleRowsChecked(std::vector<bool>& checked) override;
    int accessibleFocusedRow() override;
    std::vector<std::string> accessibleRowActions() override;
    void performAccessibleRowAction(int row, const std::string& action) override;
    void focusAccessibleRow(int row) override;

private:
    bool isEditing() const;

    std::weak_ptr<RootViewController> board_;  // non-owning
    platform::TableKeyboardFocus& focus_;      // non-owning
    std::shared_ptr<const platform::a11y::AccessibleRowList> rows_;
    std::vector<uint64_t> keys_;         // the items of rows_, in its order
    std::vector<uint64_t> scratchKeys_;  // the items shown now, kept to spare an allocation
};
