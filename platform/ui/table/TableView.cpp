#include "platform/ui/table/TableView.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/ui/Control.h"
#include "platform/ui/table/RowDeletion.h"

namespace platform {
TableView::TableView(const Rect& frame) : ScrollView(frame) {
    setBackgroundColor(Color::whiteColor());
    setClipsToBounds(true);
}

TableView::~TableView() {
    if (reorder_) services().runLoop->setMode(kDefaultRunLoopMode);
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

int TableView::numberOfSections() {
    loadIfNeeded();
    return rows_.numberOfSections();
}

int TableView::numberOfRowsInSection(int section) {
    loadIfNeeded();
    return rows_.numberOfRowsInSection(section);
}

Size TableView::contentSize() {
    loadIfNeeded();
    return {bounds().width(), contentHeight()};
}

float TableView::contentHeight() const {
    return static_cast<float>(rows_.totalRows()) * kRowHeight;
}

// ---- Cells ----

std::vector<int> TableView::tile() {
    const float top = contentOffset().y;
    const float height = bounds().height();
    if (height <= 0) return cells_.tile(0, -1, rowMove(), {});
    const int firstSlot = std::max(static_cast<int>(std::floor(top / kRowHeight)), 0);
    const int lastSlot = std::min(static_cast<int>(std::ceil((top + height) / kRowHeight)) - 1,
                                  rows_.totalRows() - 1);
    return cells_.tile(firstSlot, lastSlot, rowMove(), [this](int row) { return makeCell(row); });
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
    cells_.forgetSpare(cell);
    cell->setAlpha(1);
    configureEditing(*cell, flat, false);
    cell->setSelected(selected_ == indexPath, false);
    cell->setHighlighted(touch_.highlights(flat), false);
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

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(
    const std::string& identifier) {
    return cells_.dequeue(identifier);
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(const IndexPath& indexPath) const {
    if (!rows_.contains(indexPath)) return nullptr;
    const int flat = flatRow(indexPath);
    if (reorder_ && reorder_->source() == flat) return reorder_->cell();
    return cells_.cellForRow(flat);
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() const {
    std::vector<std::shared_ptr<TableViewCell>> cells;
    for (const auto& [row, cell] : cells_.byRow()) cells.push_back(cell);
    if (reorder_) cells.push_back(reorder_->cell());
    return cells;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() const {
    std::vector<IndexPath> paths;
    for (const auto& entry : cells_.byRow()) paths.push_back(indexPathOfFlat(entry.first));
    if (reorder_) paths.push_back(indexPathOfFlat(reorder_->source()));
    return paths;
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point point) {
    loadIfNeeded();
    if (point.y < 0) return std::nullopt;
    const int slot = static_cast<int>(point.y / kRowHeight);
    if (slot >= rows_.totalRows()) return std::nullopt;
    const auto row = reorder_ ? reorder_->move().rowAtSlot(slot) : slot;
    return indexPathOfFlat(row ? *row : reorder_->source());
}

Rect TableView::rectForRowAtIndexPath(const IndexPath& indexPath) {
    loadIfNeeded();
    if (!rows_.contains(indexPath)) return kRectZero;
    const int row = flatRow(indexPath);
    return cells_.rectForSlot(reorder_ ? reorder_->move().slotOfRow(row) : row);
}

// ---- Data changes ----

void TableView::reloadData() {
    loaded_ = true;
    touch_.clear();
    cells_.recycleAll();
    selected_.reset();
    rows_ = RowLayout(askRowCounts());
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
    std::vector<int> rows;
    for (const auto& indexPath : indexPaths) {
        if (!rows_.contains(indexPath)) {
            Log::print(
                "TableView: cannot delete row %d of section %d, which does not exist; "
                "reloading",
                indexPath.row, indexPath.section);
            reloadData();
            return;
        }
        rows.push_back(flatRow(indexPath));
    }
    const RowDeletion deletion(std::move(rows));

    // The data source must already have dropped exactly these rows.
    std::vector<int> expected = rows_.rowCounts();
    for (const int row : deletion.deletedRows())
        --expected[static_cast<size_t>(indexPathOfFlat(row).section)];
    std::vector<int> counts = askRowCounts();
    if (counts != expected) {
        Log::print("TableView: after deleting %zu of %d rows the data source reports %d; reloading",
                   deletion.size(), rows_.totalRows(),
                   std::accumulate(counts.begin(), counts.end(), 0));
        reloadData();
        return;
    }
    if (deletion.isEmpty()) return;

    touch_.clear();
    const std::optional<int> selectedRow =
        selected_ ? deletion.newRowOf(flatRow(*selected_)) : std::nullopt;
    const auto dying = cells_.renumber([&deletion](int row) { return deletion.newRowOf(row); });

    rows_ = RowLayout(std::move(counts));
    selected_.reset();
    if (selectedRow) selected_ = indexPathOfFlat(*selectedRow);

    setBoundsOrigin({0, clampOffsetY(contentOffset().y)});
    // Rows that come into view start where they were, and move up with the others.
    for (const int row : tile())
        cells_.cellForRow(row)->setFrame(cells_.rectForSlot(deletion.oldRowOf(row)));
    for (const auto& cell : dying) insertSubview(cell, 0);  // the others slide over them

    beginAnimations("deleteRows");
    setAnimationDuration(kRowAnimationDuration);
    placeCellsInSlots();
    RowDeletion::animateAway(dying, animation, kRowHeight, bounds().width());
    commitAnimations();
}

// ---- Selection and editing ----

void TableView::selectRowAtIndexPath(const IndexPath& indexPath, bool animated,
                                     TableViewScrollPosition position) {
    loadIfNeeded();
    if (!rows_.contains(indexPath)) {
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
    touch_.clear();
    editing_ = editing;
    // Only the look changes: no rows are asked for until the next reload or deletion.
    for (const auto& [row, cell] : cells_.byRow()) configureEditing(*cell, row, animated);
}

// ---- Scrolling ----

void TableView::scrollToRowAtIndexPath(const IndexPath& indexPath, TableViewScrollPosition position,
                                       bool animated) {
    loadIfNeeded();
    if (!rows_.contains(indexPath)) {
        Log::print("TableView: cannot scroll to row %d of section %d, which does not exist",
                   indexPath.row, indexPath.section);
        return;
    }
    const Rect row = cells_.rectForSlot(flatRow(indexPath));
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
    ScrollView::setContentOffset(offset, animated);
}

void TableView::didScroll() { tile(); }

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
    touch_.began(touches.anyObject());
}

void TableView::touchesMoved(const TouchSet& touches, const Event&) {
    touch_.moved(touches.anyObject());
}

void TableView::touchesEnded(const TouchSet& touches, const Event&) {
    touch_.ended(touches.anyObject(), false);
}

void TableView::touchesCancelled(const TouchSet& touches, const Event&) {
    touch_.ended(touches.anyObject(), true);
}

void TableView::tapRow(int flat) {
    const IndexPath indexPath = indexPathOfFlat(flat);
    if (selected_ && *selected_ != indexPath) deselectRowAtIndexPath(*selected_, false);
    selected_ = indexPath;
    if (auto cell = cellForRowAtIndexPath(indexPath)) cell->setSelected(true, false);
    if (auto delegate = delegate_.lock())
        delegate->tableViewDidSelectRowAtIndexPath(*this, indexPath);
}

// ---- Reordering ----

void TableView::didAutoScroll() {
    if (reorder_)
        reorder_->followAgain();  // may stop the motion at an end
    else
        ScrollView::didAutoScroll();
}

void TableView::endReorder(bool cancelled) {
    const RowMove move = reorder_->drop(cancelled);
    if (selected_) selected_ = indexPathOfFlat(move.slotOfRow(flatRow(*selected_)));
    reorder_.reset();
    tile();
    if (cancelled || move.source == move.target) return;
    if (auto dataSource = dataSource_.lock())
        dataSource->tableViewMoveRowAtIndexPathToIndexPath(*this, indexPathOfFlat(move.source),
                                                           indexPathOfFlat(move.target));
}

// Puts the moved row back without asking for any rows: the data is about to change.
void TableView::abandonReorder() {
    reorder_->putBack();
    reorder_.reset();
}

// ---- Keyboard ----

void TableView::tapRowAtIndexPath(const IndexPath& indexPath) {
    loadIfNeeded();
    if (!rows_.contains(indexPath) || (editing_ && !allowsSelectionDuringEditing_)) return;
    tapRow(flatRow(indexPath));
}

void TableView::moveRowAtIndexPathToIndexPath(const IndexPath& from, const IndexPath& to) {
    loadIfNeeded();
    if (!editing_ || reorder_ || !rows_.contains(from) || !rows_.contains(to) ||
        from.section != to.section || from == to)
        return;
    if (auto dataSource = dataSource_.lock())
        dataSource->tableViewMoveRowAtIndexPathToIndexPath(*this, from, to);
    cells_.recycleAll();
    tile();
}

// ---- Layout ----

void TableView::layoutSubviews() {
    loadIfNeeded();
    if (!isMoving() && !isDragging() && !reorder_) {
        const float y = clampOffsetY(contentOffset().y);
        if (y != contentOffset().y) setBoundsOrigin({0, y});
    }
    tile();
    placeCellsInSlots();
}

}  // namespace platform
