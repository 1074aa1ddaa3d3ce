#include "platform/ui/table/RowDeletion.h"

#include <algorithm>

#include "platform/ui/table/TableView.h"
#include "platform/ui/table/TableViewCell.h"

namespace platform {

RowDeletion::RowDeletion(std::vector<int> deletedRows) : deleted_(std::move(deletedRows)) {
    std::sort(deleted_.begin(), deleted_.end());
    deleted_.erase(std::unique(deleted_.begin(), deleted_.end()), deleted_.end());
}

bool RowDeletion::isDeleted(int oldRow) const {
    return std::binary_search(deleted_.begin(), deleted_.end(), oldRow);
}

std::optional<int> RowDeletion::newRowOf(int oldRow) const {
    if (isDeleted(oldRow)) return std::nullopt;
    const auto before = std::lower_bound(deleted_.begin(), deleted_.end(), oldRow);
    return oldRow - static_cast<int>(before - deleted_.begin());
}

int RowDeletion::oldRowOf(int newRow) const {
    int row = newRow;
    for (const int gone : deleted_) {
        if (gone > row) break;
        ++row;
    }
    return row;
}

void RowDeletion::animateAway(const std::vector<std::shared_ptr<TableViewCell>>& dying,
                              TableViewRowAnimation animation, float rowHeight, float tableWidth) {
    for (const auto& cell : dying) {
        Rect frame = cell->frame();
        switch (animation) {
            case TableViewRowAnimation::Top:
                frame = frame.offsetBy(0, -rowHeight);
                break;
            case TableViewRowAnimation::Bottom:
                frame = frame.offsetBy(0, rowHeight);
                break;
            case TableViewRowAnimation::Left:
                frame = frame.offsetBy(-tableWidth, 0);
                break;
            case TableViewRowAnimation::Right:
                frame = frame.offsetBy(tableWidth, 0);
                break;
            case TableViewRowAnimation::Fade:
                break;
        }
        cell->setFrame(frame);
        cell->setAlpha(0);
    }
    // A cell handed out again in the meantime has been made opaque, and stays.
    View::setAnimationCompletion([dying] {
        for (const auto& cell : dying)
            if (cell->alpha() == 0) cell->removeFromSuperview();
    });
}

}  // namespace platform
