#include "platform/ui/table/TableTouch.h"

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/ui/table/TableView.h"

namespace platform {

TableTouch::TableTouch(TableView& table) : table_(table) {}

TableTouch::~TableTouch() { cancelHighlightTimer(); }

void TableTouch::cancelHighlightTimer() {
    if (highlightTimer_) highlightTimer_->invalidate();
    highlightTimer_.reset();
}

void TableTouch::began(const Touch& touch) {
    clear();
    table_.loadIfNeeded();
    State state;
    // A finger on a list that is still moving by itself stops it, and is no tap.
    state.stoppedScrolling = table_.beginTracking(touch);
    const Point point = touch.locationInView(table_);
    if (const auto indexPath = table_.indexPathForRowAtPoint(point))
        state.row = table_.flatRow(*indexPath);
    state_ = state;
    if (!state.row || state.stoppedScrolling) return;
    if (table_.isEditing()) {
        const auto cell = table_.cellForRowAtIndexPath(table_.indexPathOfFlat(*state.row));
        const Point inCell =
            cell ? Point{point.x - cell->frame().x(), point.y - cell->frame().y()} : Point{};
        if (cell && cell->isReorderControlVisible() &&
            cell->reorderControlRect().contains(inCell)) {
            table_.reorder_.emplace(table_, *state.row, point.y);
            state_->gesture = Gesture::Reordering;
            return;
        }
        if (!table_.allowsSelectionDuringEditing()) return;
    }
    // The highlight waits a moment, in case the finger is about to drag the list instead.
    // The timer is invalidated when this object goes, so it may call back on `this`.
    highlightTimer_ = services().runLoop->performAfterDelay(
        kHighlightDelay, [this] { highlightRow(); }, {}, kCommonRunLoopModes);
}

void TableTouch::moved(const Touch& touch) {
    if (!state_) return;
    table_.addTrackingSample(touch);
    switch (state_->gesture) {
        case Gesture::Ignored:
            return;
        case Gesture::Reordering:
            table_.reorder_->follow(touch.locationInView(table_).y - table_.contentOffset().y);
            return;
        case Gesture::Pending:
            if (!table_.isBeyondTapSlop(touch)) return;
            // No tap after all: the finger drags the list from here on.
            cancelHighlightTimer();
            unhighlightRow();
            state_->gesture = Gesture::Scrolling;
            table_.startDragging(touch);
            return;
        case Gesture::Scrolling:
            table_.dragTo(touch);
            return;
    }
}

void TableTouch::ended(const Touch& touch, bool cancelled) {
    if (!state_) return;
    // A finger that rested before it lifted has sent no moves for a while: the lift itself
    // tells that it has stopped.
    table_.addTrackingSample(touch);
    const State state = *state_;
    state_.reset();
    cancelHighlightTimer();
    switch (state.gesture) {
        case Gesture::Ignored:
            return;
        case Gesture::Reordering:
            table_.stopTracking();
            table_.endReorder(cancelled);
            return;
        case Gesture::Scrolling:
            table_.endTracking(cancelled);
            return;
        case Gesture::Pending: {
            table_.stopTracking();
            if (!state.row) return;
            const auto cell = table_.cellForRowAtIndexPath(table_.indexPathOfFlat(*state.row));
            if (cell && state.highlighted) cell->setHighlighted(false, false);
            const bool selectable = !table_.isEditing() || table_.allowsSelectionDuringEditing();
            if (!cancelled && !state.stoppedScrolling && selectable) table_.tapRow(*state.row);
            return;
        }
    }
}

void TableTouch::clear() {
    cancelHighlightTimer();
    if (!state_) return;
    unhighlightRow();
    if (state_->gesture == Gesture::Reordering) table_.abandonReorder();
    table_.stopTracking();
    // The finger is still down: its further moves and its end are ignored.
    state_->gesture = Gesture::Ignored;
}

void TableTouch::highlightRow() {
    highlightTimer_.reset();
    if (!state_ || state_->gesture != Gesture::Pending || !state_->row) return;
    state_->highlighted = true;
    if (auto cell = table_.cellForRowAtIndexPath(table_.indexPathOfFlat(*state_->row)))
        cell->setHighlighted(true, false);
}

void TableTouch::unhighlightRow() {
    if (state_->highlighted && state_->row) {
        if (auto cell = table_.cellForRowAtIndexPath(table_.indexPathOfFlat(*state_->row)))
            cell->setHighlighted(false, false);
    }
    state_->highlighted = false;
}

}  // namespace platform
