#include "platform/ui/TableView.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Control.h"

namespace platform {
namespace {
constexpr float kRubberBand = 0.5f;      // share of the finger's travel past an end
constexpr float kMinFlingVelocity = 50;  // points per second
constexpr float kMinDecelerationVelocity = 10;
constexpr double kDecelerationPerMillisecond = 0.998;
constexpr double kVelocityWindow = 0.1;  // seconds of finger movement that make a fling
constexpr float kAutoScrollMargin = 30;  // a reordered row near an edge scrolls the list
constexpr float kAutoScrollSpeed = 400;  // points per second at the very edge
constexpr double kReorderSettleDuration = 0.2;
constexpr float kLiftedAlpha = 0.9f;  // a row being moved shows it is lifted

double now() { return RunLoop::main().now(); }

float easeInOut(double progress) {
    progress = std::clamp(progress, 0.0, 1.0);
    return static_cast<float>(progress * progress * (3 - 2 * progress));
}

void setFrameIfChanged(View& view, const Rect& frame) {
    // Setting an equal frame outside an animation block would cut a running animation short.
    if (view.frame() != frame) view.setFrame(frame);
}

void invalidate(std::shared_ptr<Timer>& timer) {
    if (timer) timer->invalidate();
    timer.reset();
}
}  // namespace

TableView::TableView(const Rect& frame) : View(frame) {
    setBackgroundColor(Color::whiteColor());
    setClipsToBounds(true);
}

TableView::~TableView() {
    invalidate(highlightTimer_);
    invalidate(stepTimer_);
    if (isDragging() || reorder_) RunLoop::main().setMode(kDefaultRunLoopMode);
}

void TableView::setDataSource(std::weak_ptr<TableViewDataSource> dataSource) {
    dataSource_ = std::move(dataSource);
    loaded_ = false;
    setNeedsLayout();
}

void TableView::setDelegate(std::weak_ptr<TableViewDelegate> delegate) {
    delegate_ = std::move(delegate);
}

// ---- Rows and counts ----

void TableView::loadIfNeeded() {
    if (!loaded_) reloadData();
}

std::vector<int> TableView::askRowCounts() {
    std::vector<int> counts;
    auto dataSource = dataSource_.lock();
    if (!dataSource) return counts;
    const int sections = std::max(dataSource->numberOfSectionsInTableView(*this), 0);
    for (int section = 0; section < sections; ++section)
        counts.push_back(std::max(dataSource->tableViewNumberOfRowsInSection(*this, section), 0));
    return counts;
}

void TableView::setRowCounts(std::vector<int> counts) {
    rowCounts_ = std::move(counts);
    sectionStart_.clear();
    totalRows_ = 0;
    for (const int rows : rowCounts_) {
        sectionStart_.push_back(totalRows_);
        totalRows_ += rows;
    }
}

int TableView::flatRow(const IndexPath& indexPath) const {
    return sectionStart_[static_cast<size_t>(indexPath.section)] + indexPath.row;
}

IndexPath TableView::indexPathOfFlat(int flat) const {
    // The last section starting at or before the row; empty sections share their start with
    // the next one, which holds the row.
    const auto it = std::upper_bound(sectionStart_.begin(), sectionStart_.end(), flat);
    const int section = static_cast<int>(it - sectionStart_.begin()) - 1;
    return IndexPath::forRow(flat - sectionStart_[static_cast<size_t>(section)], section);
}

bool TableView::isValid(const IndexPath& indexPath) const {
    return indexPath.section >= 0 && indexPath.section < static_cast<int>(rowCounts_.size()) &&
           indexPath.row >= 0 && indexPath.row < rowCounts_[static_cast<size_t>(indexPath.section)];
}

int TableView::numberOfSections() {
    loadIfNeeded();
    return static_cast<int>(rowCounts_.size());
}

int TableView::numberOfRowsInSection(int section) {
    loadIfNeeded();
    if (section < 0 || section >= static_cast<int>(rowCounts_.size())) return 0;
    return rowCounts_[static_cast<size_t>(section)];
}

Size TableView::contentSize() {
    loadIfNeeded();
    return {bounds().width(), static_cast<float>(totalRows_) * kRowHeight};
}

float TableView::maxOffsetY() const {
    return std::max(static_cast<float>(totalRows_) * kRowHeight - bounds().height(), 0.0f);
}

float TableView::clampOffsetY(float y) const { return std::clamp(y, 0.0f, maxOffsetY()); }

// ---- Cells ----

int TableView::slotOfRow(int flat) const {
    if (!reorder_) return flat;
    if (flat == reorder_->source) return reorder_->target;
    const int withoutSource = flat < reorder_->source ? flat : flat - 1;
    return withoutSource >= reorder_->target ? withoutSource + 1 : withoutSource;
}

std::optional<int> TableView::rowAtSlot(int slot) const {
    if (!reorder_) return slot;
    if (slot == reorder_->target) return std::nullopt;  // kept free for the row being moved
    const int withoutSource = slot > reorder_->target ? slot - 1 : slot;
    return withoutSource >= reorder_->source ? withoutSource + 1 : withoutSource;
}

Rect TableView::rectForSlot(int slot) const {
    return {0, static_cast<float>(slot) * kRowHeight, bounds().width(), kRowHeight};
}

std::vector<int> TableView::tile() {
    std::vector<int> created;
    const float top = contentOffset().y;
    const float height = bounds().height();
    const int firstSlot = std::max(static_cast<int>(std::floor(top / kRowHeight)), 0);
    const int lastSlot =
        std::min(static_cast<int>(std::ceil((top + height) / kRowHeight)) - 1, totalRows_ - 1);

    for (auto it = visible_.begin(); it != visible_.end();) {
        const int slot = slotOfRow(it->first);
        if (slot < firstSlot || slot > lastSlot || height <= 0) {
            recycle(std::move(it->second));
            it = visible_.erase(it);
        } else {
            ++it;
        }
    }
    if (height > 0) {
        for (int slot = firstSlot; slot <= lastSlot; ++slot) {
            const auto row = rowAtSlot(slot);
            if (!row || visible_.contains(*row)) continue;
            auto cell = makeCell(*row);
            cell->setFrame(rectForSlot(slot));
            visible_.emplace(*row, std::move(cell));
            created.push_back(*row);
        }
    }
    trimPool();
    return created;
}

void TableView::placeCellsInSlots() {
    for (const auto& [row, cell] : visible_) setFrameIfChanged(*cell, rectForSlot(slotOfRow(row)));
}

std::shared_ptr<TableViewCell> TableView::makeCell(int flat) {
    const IndexPath indexPath = indexPathOfFlat(flat);
    std::shared_ptr<TableViewCell> cell;
    if (auto dataSource = dataSource_.lock())
        cell = dataSource->tableViewCellForRowAtIndexPath(*this, indexPath);
    if (!cell) {
        Log::print("TableView: no cell for row %d of section %d; showing an empty row",
                   indexPath.row, indexPath.section);
        cell = std::make_shared<TableViewCell>(kRectZero, "");
    }
    std::erase(pool_, cell);  // in case the data source kept it and handed it out directly
    cell->setAlpha(1);
    configureEditing(*cell, flat, false);
    cell->setSelected(selected_ == indexPath, false);
    cell->setHighlighted(touch_ && touch_->highlighted && touch_->row == flat, false);
    insertSubview(cell, 0);  // below a row being moved
    return cell;
}

void TableView::configureEditing(TableViewCell& cell, int flat, bool animated) {
    const IndexPath indexPath = indexPathOfFlat(flat);
    auto delegate = delegate_.lock();
    cell.setShouldIndentWhileEditing(
        delegate ? delegate->tableViewShouldIndentWhileEditingRowAtIndexPath(*this, indexPath)
                 : true);
    cell.setEditingStyle(delegate
                             ? delegate->tableViewEditingStyleForRowAtIndexPath(*this, indexPath)
                             : TableViewCellEditingStyle::Delete);
    cell.setEditing(editing_, animated);
}

void TableView::recycle(std::shared_ptr<TableViewCell> cell) {
    cell->removeFromSuperview();
    if (!cell->reuseIdentifier().empty()) pool_.push_back(std::move(cell));
}

void TableView::trimPool() {
    if (pool_.size() > static_cast<size_t>(kSpareCells))
        pool_.erase(pool_.begin(), pool_.end() - kSpareCells);
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(
    const std::string& identifier) {
    const auto it = std::find_if(pool_.rbegin(), pool_.rend(), [&](const auto& cell) {
        return cell->reuseIdentifier() == identifier;
    });
    if (it == pool_.rend()) return nullptr;
    auto cell = *it;
    pool_.erase(std::next(it).base());
    cell->prepareForReuse();
    return cell;
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(const IndexPath& indexPath) const {
    if (!isValid(indexPath)) return nullptr;
    const int flat = flatRow(indexPath);
    if (reorder_ && reorder_->source == flat) return reorder_->cell;
    const auto it = visible_.find(flat);
    return it == visible_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() const {
    std::vector<std::shared_ptr<TableViewCell>> cells;
    for (const auto& [row, cell] : visible_) cells.push_back(cell);
    if (reorder_) cells.push_back(reorder_->cell);
    return cells;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() const {
    std::vector<IndexPath> paths;
    for (const auto& entry : visible_) paths.push_back(indexPathOfFlat(entry.first));
    if (reorder_) paths.push_back(indexPathOfFlat(reorder_->source));
    return paths;
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point point) {
    loadIfNeeded();
    if (point.y < 0) return std::nullopt;
    const int slot = static_cast<int>(point.y / kRowHeight);
    if (slot >= totalRows_) return std::nullopt;
    const auto row = rowAtSlot(slot);
    return indexPathOfFlat(row ? *row : reorder_->source);
}

Rect TableView::rectForRowAtIndexPath(const IndexPath& indexPath) {
    loadIfNeeded();
    if (!isValid(indexPath)) return kRectZero;
    return rectForSlot(slotOfRow(flatRow(indexPath)));
}

// ---- Data changes ----

void TableView::reloadData() {
    loaded_ = true;
    clearTouch();
    for (auto& entry : visible_) recycle(std::move(entry.second));
    visible_.clear();
    selected_.reset();
    setRowCounts(askRowCounts());
    setBoundsOrigin({0, clampOffsetY(contentOffset().y)});
    tile();
}

void TableView::deleteRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths,
                                       TableViewRowAnimation animation) {
    loadIfNeeded();
    auto dataSource = dataSource_.lock();
    if (!dataSource) {
        Log::print("TableView: cannot delete rows without a data source");
        return;
    }
    std::vector<int> deleted;
    for (const auto& indexPath : indexPaths) {
        if (!isValid(indexPath)) {
            Log::print(
                "TableView: cannot delete row %d of section %d, which does not exist; "
                "reloading",
                indexPath.row, indexPath.section);
            reloadData();
            return;
        }
        deleted.push_back(flatRow(indexPath));
    }
    std::sort(deleted.begin(), deleted.end());
    deleted.erase(std::unique(deleted.begin(), deleted.end()), deleted.end());

    // The data source must already have dropped exactly these rows.
    std::vector<int> expected = rowCounts_;
    for (const int row : deleted) --expected[static_cast<size_t>(indexPathOfFlat(row).section)];
    std::vector<int> counts = askRowCounts();
    if (counts != expected) {
        Log::print("TableView: after deleting %zu of %d rows the data source reports %d; reloading",
                   deleted.size(), totalRows_, std::accumulate(counts.begin(), counts.end(), 0));
        reloadData();
        return;
    }
    if (deleted.empty()) return;

    clearTouch();
    const auto newRowOf = [&deleted](int old) {
        return old - static_cast<int>(std::lower_bound(deleted.begin(), deleted.end(), old) -
                                      deleted.begin());
    };
    const auto oldRowOf = [&deleted](int row) {
        for (const int gone : deleted) {
            if (gone > row) break;
            ++row;
        }
        return row;
    };

    std::optional<int> selectedRow;
    if (selected_ && !std::binary_search(deleted.begin(), deleted.end(), flatRow(*selected_)))
        selectedRow = newRowOf(flatRow(*selected_));
    std::vector<std::shared_ptr<TableViewCell>> dying;
    std::map<int, std::shared_ptr<TableViewCell>> survivors;
    for (auto& [row, cell] : visible_) {
        if (std::binary_search(deleted.begin(), deleted.end(), row))
            dying.push_back(std::move(cell));
        else
            survivors.emplace(newRowOf(row), std::move(cell));
    }
    visible_ = std::move(survivors);

    setRowCounts(std::move(counts));
    selected_.reset();
    if (selectedRow) selected_ = indexPathOfFlat(*selectedRow);

    setBoundsOrigin({0, clampOffsetY(contentOffset().y)});
    // Rows that come into view start where they were, and move up with the others.
    for (const int row : tile()) visible_[row]->setFrame(rectForSlot(oldRowOf(row)));
    for (const auto& cell : dying) insertSubview(cell, 0);  // the others slide over them

    beginAnimations("deleteRows");
    setAnimationDuration(kRowAnimationDuration);
    placeCellsInSlots();
    const float width = bounds().width();
    for (const auto& cell : dying) {
        Rect frame = cell->frame();
        switch (animation) {
            case TableViewRowAnimation::Top:
                frame = frame.offsetBy(0, -kRowHeight);
                break;
            case TableViewRowAnimation::Bottom:
                frame = frame.offsetBy(0, kRowHeight);
                break;
            case TableViewRowAnimation::Left:
                frame = frame.offsetBy(-width, 0);
                break;
            case TableViewRowAnimation::Right:
                frame = frame.offsetBy(width, 0);
                break;
            case TableViewRowAnimation::Fade:
                break;
        }
        cell->setFrame(frame);
        cell->setAlpha(0);
    }
    commitAnimations();
    // A cell handed out again in the meantime has been made opaque, and stays.
    RunLoop::main().performAfterDelay(
        kRowAnimationDuration,
        [dying = std::move(dying)] {
            for (const auto& cell : dying)
                if (cell->alpha() == 0) cell->removeFromSuperview();
        },
        {}, kCommonRunLoopModes);
}

// ---- Selection and editing ----

void TableView::selectRowAtIndexPath(const IndexPath& indexPath, bool animated,
                                     TableViewScrollPosition position) {
    loadIfNeeded();
    if (!isValid(indexPath)) {
        Log::print("TableView: cannot select row %d of section %d, which does not exist",
                   indexPath.row, indexPath.section);
        return;
    }
    if (selected_ && *selected_ != indexPath) deselectRowAtIndexPath(*selected_, false);
    selected_ = indexPath;
    if (auto cell = cellForRowAtIndexPath(indexPath)) cell->setSelected(true, animated);
    if (position != TableViewScrollPosition::None)
        scrollToRowAtIndexPath(indexPath, position, animated);
}

void TableView::deselectRowAtIndexPath(const IndexPath& indexPath, bool animated) {
    if (selected_ == indexPath) selected_.reset();
    if (auto cell = cellForRowAtIndexPath(indexPath)) cell->setSelected(false, animated);
}

void TableView::setEditing(bool editing, bool animated) {
    if (editing == editing_) return;
    clearTouch();
    editing_ = editing;
    // Only the look changes: no rows are asked for until the next reload or deletion.
    for (const auto& [row, cell] : visible_) configureEditing(*cell, row, animated);
}

// ---- Scrolling ----

void TableView::scrollToRowAtIndexPath(const IndexPath& indexPath, TableViewScrollPosition position,
                                       bool animated) {
    loadIfNeeded();
    if (!isValid(indexPath)) {
        Log::print("TableView: cannot scroll to row %d of section %d, which does not exist",
                   indexPath.row, indexPath.section);
        return;
    }
    const Rect row = rectForSlot(flatRow(indexPath));
    const float height = bounds().height();
    float y = contentOffset().y;
    switch (position) {
        case TableViewScrollPosition::Top:
            y = row.y();
            break;
        case TableViewScrollPosition::Middle:
            y = row.midY() - height / 2;
            break;
        case TableViewScrollPosition::Bottom:
            y = row.maxY() - height;
            break;
        case TableViewScrollPosition::None:
            if (row.y() < y)
                y = row.y();
            else if (row.maxY() > y + height)
                y = row.maxY() - height;
            break;
    }
    setContentOffset({0, y}, animated);
}

void TableView::setContentOffset(Point offset, bool animated) {
    loadIfNeeded();
    const float y = clampOffsetY(offset.y);
    if (!animated || y == contentOffset().y) {
        stopMotion();
        applyOffsetY(y);
        return;
    }
    animationFrom_ = contentOffset().y;
    animationTo_ = y;
    animationStart_ = now();
    animationDuration_ = kScrollAnimationDuration;
    startMotion(Motion::Animating);
}

void TableView::applyOffsetY(float y) {
    setBoundsOrigin({0, y});
    tile();
}

void TableView::startMotion(Motion motion) {
    motion_ = motion;
    lastStep_ = now();
    if (!stepTimer_ || !stepTimer_->isValid()) scheduleStep();
}

void TableView::stopMotion() {
    motion_ = Motion::None;
    velocity_ = 0;
    invalidate(stepTimer_);
}

void TableView::scheduleStep() {
    // The timer is invalidated when the table goes, so it may call back on `this`.
    stepTimer_ = RunLoop::main().performAfterDelay(
        kFrameInterval, [this] { step(); }, {}, kCommonRunLoopModes);
}

void TableView::step() {
    const double time = now();
    const double elapsed = time - lastStep_;
    lastStep_ = time;
    switch (motion_) {
        case Motion::Animating:
        case Motion::Bouncing: {
            const double progress =
                animationDuration_ > 0 ? (time - animationStart_) / animationDuration_ : 1.0;
            const float y = animationFrom_ + (animationTo_ - animationFrom_) * easeInOut(progress);
            if (progress >= 1) motion_ = Motion::None;
            // A bounce starts outside the range; everything else stays in it.
            applyOffsetY(motion_ == Motion::Bouncing ? y : clampOffsetY(y));
            break;
        }
        case Motion::Decelerating: {
            const float y = contentOffset().y + velocity_ * static_cast<float>(elapsed);
            velocity_ *= static_cast<float>(std::pow(kDecelerationPerMillisecond, elapsed * 1000));
            const float clamped = clampOffsetY(y);
            if (clamped != y || std::abs(velocity_) < kMinDecelerationVelocity) stopMotion();
            applyOffsetY(clamped);
            break;
        }
        case Motion::AutoScrolling: {
            const float y =
                clampOffsetY(contentOffset().y + velocity_ * static_cast<float>(elapsed));
            applyOffsetY(y);
            if (reorder_)
                moveReorder(lastFingerYInView_);  // may stop the motion at an end
            else
                stopMotion();
            break;
        }
        case Motion::None:
            break;
    }
    if (motion_ != Motion::None)
        scheduleStep();
    else
        stepTimer_.reset();
}

void TableView::finishBounceOrFling(float velocity) {
    const float y = contentOffset().y;
    const float clamped = clampOffsetY(y);
    if (clamped != y) {
        animationFrom_ = y;
        animationTo_ = clamped;
        animationStart_ = now();
        animationDuration_ = kScrollAnimationDuration;
        startMotion(Motion::Bouncing);
    } else if (std::abs(velocity) >= kMinFlingVelocity) {
        startMotion(Motion::Decelerating);
        velocity_ = velocity;
    }
}

bool TableView::isDragging() const { return touch_ && touch_->gesture == Gesture::Scrolling; }

// ---- Touches ----

View* TableView::hitTest(Point point) {
    View* hit = View::hitTest(point);
    if (!hit || hit == this) return hit;
    // Controls inside rows (a cell's buttons) keep their touches; the table takes the rest, so
    // that a row scrolled away and reused mid-touch does not lose the finger.
    for (View* view = hit; view && view != this; view = view->superview())
        if (dynamic_cast<Control*>(view)) return hit;
    return this;
}

void TableView::touchesBegan(const TouchSet& touches, const Event&) {
    beginTouch(touches.anyObject());
}

void TableView::touchesMoved(const TouchSet& touches, const Event&) {
    if (!touch_) return;
    const Touch& touch = touches.anyObject();
    TouchState& state = *touch_;
    addSample(state, touch);

    switch (state.gesture) {
        case Gesture::Ignored:
            return;
        case Gesture::Reordering:
            moveReorder(touch.locationInView(*this).y - contentOffset().y);
            return;
        case Gesture::Pending: {
            const float dx = touch.locationInWindow.x - state.startInWindow.x;
            const float dy = touch.locationInWindow.y - state.startInWindow.y;
            if (std::hypot(dx, dy) <= kTapSlop) return;
            // No tap after all: the finger drags the list from here on.
            invalidate(highlightTimer_);
            if (state.highlighted && state.row) {
                if (auto cell = cellForRowAtIndexPath(indexPathOfFlat(*state.row)))
                    cell->setHighlighted(false, false);
            }
            state.highlighted = false;
            state.gesture = Gesture::Scrolling;
            state.startInWindow = touch.locationInWindow;
            state.startOffsetY = contentOffset().y;
            stopMotion();
            RunLoop::main().setMode(kTrackingRunLoopMode);
            return;
        }
        case Gesture::Scrolling:
            applyOffsetY(dragOffsetFor(touch.locationInWindow.y));
            return;
    }
}

void TableView::touchesEnded(const TouchSet& touches, const Event&) {
    endTouch(touches.anyObject(), false);
}

void TableView::touchesCancelled(const TouchSet& touches, const Event&) {
    endTouch(touches.anyObject(), true);
}

void TableView::beginTouch(const Touch& touch) {
    clearTouch();
    loadIfNeeded();
    TouchState state;
    state.startInWindow = touch.locationInWindow;
    state.startOffsetY = contentOffset().y;
    state.samples.emplace_back(now(), touch.locationInWindow.y);
    // A finger on a list that is still moving by itself stops it, and is no tap.
    if (motion_ == Motion::Decelerating || motion_ == Motion::Bouncing) {
        state.stoppedScrolling = true;
        stopMotion();
        applyOffsetY(clampOffsetY(contentOffset().y));
    }
    const Point point = touch.locationInView(*this);
    if (const auto indexPath = indexPathForRowAtPoint(point)) state.row = flatRow(*indexPath);
    touch_ = state;
    if (!state.row || state.stoppedScrolling) return;

    if (editing_) {
        const auto cell = cellForRowAtIndexPath(indexPathOfFlat(*state.row));
        const Point inCell =
            cell ? Point{point.x - cell->frame().x(), point.y - cell->frame().y()} : Point{};
        if (cell && cell->isReorderControlVisible() &&
            cell->reorderControlRect().contains(inCell)) {
            beginReorder(*state.row, point.y);
            return;
        }
        if (!allowsSelectionDuringEditing_) return;
    }
    // The highlight waits a moment, in case the finger is about to drag the list instead.
    highlightTimer_ = RunLoop::main().performAfterDelay(
        kHighlightDelay, [this] { highlightTouchedRow(); }, {}, kCommonRunLoopModes);
}

void TableView::highlightTouchedRow() {
    highlightTimer_.reset();
    if (!touch_ || touch_->gesture != Gesture::Pending || !touch_->row) return;
    touch_->highlighted = true;
    if (auto cell = cellForRowAtIndexPath(indexPathOfFlat(*touch_->row)))
        cell->setHighlighted(true, false);
}

void TableView::addSample(TouchState& state, const Touch& touch) {
    const double time = now();
    state.samples.emplace_back(time, touch.locationInWindow.y);
    std::erase_if(state.samples,
                  [time](const auto& sample) { return sample.first < time - kVelocityWindow; });
}

void TableView::endTouch(const Touch& touch, bool cancelled) {
    if (!touch_) return;
    // A finger that rested before it lifted has sent no moves for a while: the lift itself
    // tells that it has stopped.
    addSample(*touch_, touch);
    const TouchState state = std::move(*touch_);
    touch_.reset();
    invalidate(highlightTimer_);
    switch (state.gesture) {
        case Gesture::Ignored:
            return;
        case Gesture::Reordering:
            endReorder(cancelled);
            return;
        case Gesture::Scrolling: {
            RunLoop::main().setMode(kDefaultRunLoopMode);
            finishBounceOrFling(cancelled ? 0 : flingVelocityOf(state.samples));
            return;
        }
        case Gesture::Pending: {
            if (!state.row) return;
            const auto cell = cellForRowAtIndexPath(indexPathOfFlat(*state.row));
            if (cell && state.highlighted) cell->setHighlighted(false, false);
            const bool selectable = !editing_ || allowsSelectionDuringEditing_;
            if (!cancelled && !state.stoppedScrolling && selectable) tapRow(*state.row);
            return;
        }
    }
}

void TableView::clearTouch() {
    invalidate(highlightTimer_);
    if (!touch_) return;
    if (touch_->highlighted && touch_->row) {
        if (auto cell = cellForRowAtIndexPath(indexPathOfFlat(*touch_->row)))
            cell->setHighlighted(false, false);
    }
    if (touch_->gesture == Gesture::Reordering) abandonReorder();
    if (touch_->gesture == Gesture::Scrolling) RunLoop::main().setMode(kDefaultRunLoopMode);
    // The finger is still down: its further moves and its end are ignored.
    touch_->gesture = Gesture::Ignored;
    touch_->highlighted = false;
}

void TableView::tapRow(int flat) {
    const IndexPath indexPath = indexPathOfFlat(flat);
    if (selected_ && *selected_ != indexPath) deselectRowAtIndexPath(*selected_, false);
    selected_ = indexPath;
    if (auto cell = cellForRowAtIndexPath(indexPath)) cell->setSelected(true, false);
    if (auto delegate = delegate_.lock())
        delegate->tableViewDidSelectRowAtIndexPath(*this, indexPath);
}

float TableView::dragOffsetFor(float fingerY) const {
    const TouchState& state = *touch_;
    const float raw = state.startOffsetY - (fingerY - state.startInWindow.y);
    const float max = maxOffsetY();
    if (raw < 0) return raw * kRubberBand;
    if (raw > max) return max + (raw - max) * kRubberBand;
    return raw;
}

float TableView::flingVelocityOf(const std::vector<std::pair<double, float>>& samples) {
    if (samples.size() < 2) return 0;
    const auto& first = samples.front();
    const auto& last = samples.back();
    const double elapsed = last.first - first.first;
    if (elapsed <= 0) return 0;
    // The content moves against the finger.
    return -static_cast<float>((last.second - first.second) / elapsed);
}

// ---- Reordering ----

void TableView::beginReorder(int flat, float fingerContentY) {
    const auto it = visible_.find(flat);
    if (it == visible_.end()) return;
    const IndexPath indexPath = indexPathOfFlat(flat);
    Reorder reorder;
    reorder.source = reorder.target = flat;
    reorder.first = sectionStart_[static_cast<size_t>(indexPath.section)];
    reorder.last = reorder.first + rowCounts_[static_cast<size_t>(indexPath.section)] - 1;
    reorder.grabOffset = fingerContentY - it->second->frame().y();
    reorder.cell = std::move(it->second);
    visible_.erase(it);
    bringSubviewToFront(*reorder.cell);
    reorder.cell->setAlpha(kLiftedAlpha);
    reorder_ = std::move(reorder);
    touch_->gesture = Gesture::Reordering;
    lastFingerYInView_ = fingerContentY - contentOffset().y;
    RunLoop::main().setMode(kTrackingRunLoopMode);
}

void TableView::moveReorder(float fingerYInView) {
    Reorder& reorder = *reorder_;
    lastFingerYInView_ = fingerYInView;
    const float offset = contentOffset().y;
    const float top = std::clamp(fingerYInView + offset - reorder.grabOffset,
                                 static_cast<float>(reorder.first) * kRowHeight,
                                 static_cast<float>(reorder.last) * kRowHeight);
    const Rect lifted{0, top, bounds().width(), kRowHeight};
    setFrameIfChanged(*reorder.cell, lifted);

    const int target =
        std::clamp(static_cast<int>(std::lround(top / kRowHeight)), reorder.first, reorder.last);
    if (target != reorder.target) {
        // The other rows make room where the moved row would land.
        reorder.target = target;
        tile();
        beginAnimations("reorderRows");
        setAnimationDuration(kReorderSettleDuration);
        setAnimationBeginsFromCurrentState(true);
        placeCellsInSlots();
        commitAnimations();
    }

    // Near the top or bottom edge the list scrolls, faster the closer the finger.
    float speed = 0;
    const float height = bounds().height();
    if (fingerYInView < kAutoScrollMargin && offset > 0)
        speed = -kAutoScrollSpeed * (kAutoScrollMargin - fingerYInView) / kAutoScrollMargin;
    else if (fingerYInView > height - kAutoScrollMargin && offset < maxOffsetY())
        speed =
            kAutoScrollSpeed * (fingerYInView - (height - kAutoScrollMargin)) / kAutoScrollMargin;
    speed = std::clamp(speed, -kAutoScrollSpeed, kAutoScrollSpeed);
    if (speed != 0) {
        if (motion_ != Motion::AutoScrolling) startMotion(Motion::AutoScrolling);
        velocity_ = speed;
    } else if (motion_ == Motion::AutoScrolling) {
        stopMotion();
    }
}

void TableView::endReorder(bool cancelled) {
    if (motion_ == Motion::AutoScrolling) stopMotion();
    RunLoop::main().setMode(kDefaultRunLoopMode);
    Reorder& reorder = *reorder_;
    if (cancelled && reorder.target != reorder.source) {
        reorder.target = reorder.source;
        tile();
    }
    const int source = reorder.source;
    const int target = reorder.target;
    const auto cell = reorder.cell;

    // The rows settle into their places on screen...
    beginAnimations("reorderDrop");
    setAnimationDuration(kReorderSettleDuration);
    setAnimationBeginsFromCurrentState(true);
    placeCellsInSlots();
    cell->setFrame(rectForSlot(target));
    cell->setAlpha(1);
    commitAnimations();

    // ...and take the row numbers of those places.
    std::map<int, std::shared_ptr<TableViewCell>> moved;
    for (auto& [row, rowCell] : visible_) moved.emplace(slotOfRow(row), std::move(rowCell));
    moved.emplace(target, cell);
    visible_ = std::move(moved);
    if (selected_) selected_ = indexPathOfFlat(slotOfRow(flatRow(*selected_)));
    reorder_.reset();
    tile();

    if (cancelled || source == target) return;
    if (auto dataSource = dataSource_.lock())
        dataSource->tableViewMoveRowAtIndexPathToIndexPath(*this, indexPathOfFlat(source),
                                                           indexPathOfFlat(target));
}

// Puts the moved row back without asking for any rows: the data is about to change.
void TableView::abandonReorder() {
    if (motion_ == Motion::AutoScrolling) stopMotion();
    RunLoop::main().setMode(kDefaultRunLoopMode);
    auto cell = std::move(reorder_->cell);
    const int source = reorder_->source;
    reorder_.reset();
    cell->setAlpha(1);
    visible_.emplace(source, std::move(cell));
    placeCellsInSlots();
}

// ---- Keyboard ----

void TableView::tapRowAtIndexPath(const IndexPath& indexPath) {
    loadIfNeeded();
    if (!isValid(indexPath) || (editing_ && !allowsSelectionDuringEditing_)) return;
    tapRow(flatRow(indexPath));
}

void TableView::moveRowAtIndexPathToIndexPath(const IndexPath& from, const IndexPath& to) {
    loadIfNeeded();
    if (!editing_ || reorder_ || !isValid(from) || !isValid(to) || from.section != to.section ||
        from == to)
        return;
    if (auto dataSource = dataSource_.lock())
        dataSource->tableViewMoveRowAtIndexPathToIndexPath(*this, from, to);
    for (auto& entry : visible_) recycle(std::move(entry.second));
    visible_.clear();
    tile();
}

// ---- Layout ----

void TableView::layoutSubviews() {
    loadIfNeeded();
    if (motion_ == Motion::None && !isDragging() && !reorder_) {
        const float y = clampOffsetY(contentOffset().y);
        if (y != contentOffset().y) setBoundsOrigin({0, y});
    }
    tile();
    placeCellsInSlots();
}

}  // namespace platform
