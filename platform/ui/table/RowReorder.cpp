#include "platform/ui/table/RowReorder.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/ui/table/TableView.h"

namespace platform {

RowReorder::RowReorder(TableView& table, int row, float fingerContentY)
    : table_(table), move_{row, row} {
    const int section = table.rows_.indexPathOfFlat(row).section;
    first_ = table.rows_.firstRowOfSection(section);
    last_ = first_ + table.rows_.numberOfRowsInSection(section) - 1;
    cell_ = table.cells_.take(row);
    grabOffset_ = fingerContentY - cell_->frame().y();
    table.bringSubviewToFront(*cell_);
    cell_->setAlpha(kLiftedAlpha);
    lastFingerYInView_ = fingerContentY - table.contentOffset().y;
    services().runLoop->setMode(kTrackingRunLoopMode);
}

void RowReorder::follow(float fingerYInView) {
    constexpr float h = TableView::kRowHeight;
    lastFingerYInView_ = fingerYInView;
    const float offset = table_.contentOffset().y;
    const float top = liftedTop(fingerYInView + offset, grabOffset_, first_, last_, h);
    const Rect lifted{0, top, table_.bounds().width(), h};
    if (cell_->frame() != lifted) cell_->setFrame(lifted);

    const int target = targetFor(top, first_, last_, h);
    if (target != move_.target) {
        // The other rows make room where the moved row would land.
        move_.target = target;
        table_.tile();
        View::beginAnimations("reorderRows");
        View::setAnimationDuration(kSettleDuration);
        View::setAnimationBeginsFromCurrentState(true);
        table_.cells_.place(&move_);
        View::commitAnimations();
    }
    table_.setAutoScrollSpeed(
        autoScrollSpeed(fingerYInView, table_.bounds().height(), offset, table_.maxOffsetY()));
}

RowMove RowReorder::drop(bool cancelled) {
    endTracking();
    if (cancelled && move_.target != move_.source) {
        move_.target = move_.source;
        table_.tile();
    }
    // The rows settle into their places on screen...
    View::beginAnimations("reorderDrop");
    View::setAnimationDuration(kSettleDuration);
    View::setAnimationBeginsFromCurrentState(true);
    table_.cells_.place(&move_);
    cell_->setFrame(table_.cells_.rectForSlot(move_.target));
    cell_->setAlpha(1);
    View::commitAnimations();

    // ...and take the row numbers of those places.
    const RowMove move = move_;
    table_.cells_.renumber([&move](int row) { return std::optional(move.slotOfRow(row)); });
    table_.cells_.add(move.target, cell_);
    return move;
}

void RowReorder::putBack() {
    endTracking();
    cell_->setAlpha(1);
    table_.cells_.add(move_.source, cell_);
    table_.cells_.place(nullptr);
}

void RowReorder::endTracking() {
    table_.setAutoScrollSpeed(0);
    services().runLoop->setMode(kDefaultRunLoopMode);
}

float RowReorder::liftedTop(float fingerContentY, float grabOffset, int first, int last,
                            float rowHeight) {
    return std::clamp(fingerContentY - grabOffset, static_cast<float>(first) * rowHeight,
                      static_cast<float>(last) * rowHeight);
}

int RowReorder::targetFor(float top, int first, int last, float rowHeight) {
    return std::clamp(static_cast<int>(std::lround(top / rowHeight)), first, last);
}

float RowReorder::autoScrollSpeed(float fingerYInView, float height, float offset,
                                  float maxOffset) {
    float speed = 0;
    if (fingerYInView < kAutoScrollMargin && offset > 0)
        speed = -kAutoScrollSpeed * (kAutoScrollMargin - fingerYInView) / kAutoScrollMargin;
    else if (fingerYInView > height - kAutoScrollMargin && offset < maxOffset)
        speed =
            kAutoScrollSpeed * (fingerYInView - (height - kAutoScrollMargin)) / kAutoScrollMargin;
    return std::clamp(speed, -kAutoScrollSpeed, kAutoScrollSpeed);
}

}  // namespace platform
