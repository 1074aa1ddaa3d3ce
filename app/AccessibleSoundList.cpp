#include "app/AccessibleSoundList.h"

#include "app/CustomCell.h"
#include "app/RootViewController.h"
#include "app/SoundEffect.h"
#include "platform/ui/KeyCommands.h"
#include "platform/ui/table/TableKeyboardFocus.h"

namespace {
constexpr const char* kActivate = "activate";
constexpr const char* kToggle = "toggle";
constexpr const char* kMoveUp = "move up";
constexpr const char* kMoveDown = "move down";

// A clip's identity: the shared object stays the same through moves for the whole run.
uint64_t keyOf(const SoundEffect& sound) { return reinterpret_cast<uintptr_t>(&sound); }
}  // namespace

AccessibleSoundList::AccessibleSoundList(std::weak_ptr<RootViewController> board,
                                         platform::TableKeyboardFocus& focus)
    : board_(std::move(board)), focus_(focus) {}

bool AccessibleSoundList::isEditing() const {
    const auto board = board_.lock();
    return board && board->soundTable() && board->soundTable()->isEditing();
}

std::shared_ptr<const platform::a11y::AccessibleRowList> AccessibleSoundList::accessibleRows() {
    const auto board = board_.lock();
    if (!board) return nullptr;
    const bool editing = isEditing();
    scratchKeys_.clear();
    for (const auto& sound : board->sounds())
        if (editing || !sound->hidden()) scratchKeys_.push_back(keyOf(*sound));
    if (rows_ && scratchKeys_ == keys_) return rows_;

    std::vector<std::string> names;
    names.reserve(scratchKeys_.size());
    for (const auto& sound : board->sounds())
        if (editing || !sound->hidden()) names.push_back(sound->name());
    keys_ = scratchKeys_;
    rows_ = std::make_shared<const platform::a11y::AccessibleRowList>(keys_, std::move(names));
    return rows_;
}

bool AccessibleSoundList::accessibleRowsChecked(std::vector<bool>& checked) {
    const auto board = board_.lock();
    if (!board || !isEditing()) return false;
    checked.reserve(board->sounds().size());
    for (const auto& sound : board->sounds()) checked.push_back(!sound->hidden());
    return true;
}

int AccessibleSoundList::accessibleFocusedRow() {
    return focus_.isShown() ? focus_.focusedRow() : -1;
}

std::vector<std::string> AccessibleSoundList::accessibleRowActions() {
    if (isEditing()) return {kToggle, kMoveUp, kMoveDown};
    return {kActivate};
}

void AccessibleSoundList::performAccessibleRowAction(int row, const std::string& action) {
    if (!focus_.focusRow(row)) return;
    if (action == kActivate) {
        focus_.tapFocusedRow();
    } else if (action == kToggle) {
        if (const auto cell = std::dynamic_pointer_cast<CustomCell>(focus_.focusedCell()))
            platform::KeyCommands::tap(cell->checkButton())();
    } else if (action == kMoveUp || action == kMoveDown) {
        focus_.moveFocusedRowBy(action == kMoveUp ? -1 : 1);
    }
}

void AccessibleSoundList::focusAccessibleRow(int row) { focus_.focusRow(row); }
