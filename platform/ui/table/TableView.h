#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/IndexPath.h"
#include "platform/ui/table/RowLayout.h"
#include "platform/ui/table/RowReorder.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/table/TableCells.h"
#include "platform/ui/table/TableTouch.h"
#include "platform/ui/table/TableViewCell.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "platform/ui/table/TableViewDelegate.h"

namespace platform {

enum class TableViewScrollPosition { None = 0, Top = 1, Middle = 2, Bottom = 3 };
enum class TableViewRowAnimation { Fade = 0, Right = 1, Left = 2, Top = 3, Bottom = 4 };

// A scrolling list of rows of fixed height. The scroll view's content offset is the list's;
// rows sit in content coordinates, one cell per row on screen. Cells of rows that scroll away
// wait in a small reuse pool (at most kSpareCells), so the work per scroll step or layout pass
// depends on the number of rows on screen, not on the number of rows.
//
// The data source and the delegate are not owned. The row counts are asked at the first layout
// (or the first question about them), at reloadData() and at deleteRowsAtIndexPaths(); between
// those the table answers numberOfRowsInSection() from what it was told.
//
// Input (TableTouch): a tap selects a row and tells the delegate; a drag scrolls and a fling
// keeps scrolling (ScrollView); while editing, a drag that starts on a row's reorder grip moves
// the row (RowReorder). Animations run on the main run loop's clock in common modes.
class TableView : public ScrollView {
public:
    static constexpr float kRowHeight = 44;
    static constexpr int kSpareCells = 2;
    static constexpr double kHighlightDelay = TableTouch::kHighlightDelay;
    static constexpr double kRowAnimationDuration = 0.3;

    explicit TableView(const Rect& frame = kRectZero);
    ~TableView() override;

    void setDataSource(std::weak_ptr<TableViewDataSource> dataSource);
    void setDelegate(std::weak_ptr<TableViewDelegate> delegate);
    float rowHeight() const { return kRowHeight; }

    // A spare cell with this identifier, prepared for reuse; nullptr when there is none.
    std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);
    // Asks the data source for everything again, forgets the selection and rebuilds the
    // visible rows.
    void reloadData();
    int numberOfSections();
    int numberOfRowsInSection(int section);

    // The cell showing the row, or nullptr when the row is not on screen.
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(const IndexPath& indexPath) const;
    std::vector<std::shared_ptr<TableViewCell>> visibleCells() const;
    std::vector<IndexPath> indexPathsForVisibleRows() const;
    // The row at a point in content coordinates.
    std::optional<IndexPath> indexPathForRowAtPoint(Point point);
    // The row's place in content coordinates (a zero rect for a row that does not exist).
    Rect rectForRowAtIndexPath(const IndexPath& indexPath);

    std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }
    // Selects one row, letting go of the one selected before, and scrolls it to `position`
    // (None: no scrolling).
    void selectRowAtIndexPath(const IndexPath& indexPath, bool animated,
                              TableViewScrollPosition position);
    void deselectRowAtIndexPath(const IndexPath& indexPath, bool animated);
    // Scrolls so that the row stands at `position` (None: the least scrolling that shows it
    // whole), within the scrollable range.
    void scrollToRowAtIndexPath(const IndexPath& indexPath, TableViewScrollPosition position,
                                bool animated);

    bool isEditing() const { return editing_; }
    // Changes the look of the visible cells only; the row counts are not asked again.
    void setEditing(bool editing, bool animated);
    bool allowsSelectionDuringEditing() const { return allowsSelectionDuringEditing_; }
    void setAllowsSelectionDuringEditing(bool allows) { allowsSelectionDuringEditing_ = allows; }

    // Removes rows whose items the data source has already dropped: it must now report the old
    // count less the deleted rows in each section. When it does not, or a path does not exist,
    // the table logs a line and reloads everything instead.
    void deleteRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths,
                                TableViewRowAnimation animation);

    // For the keyboard. Does what a tap on the row does (selects it and tells the delegate),
    // when rows can be selected now; a row that does not exist does nothing.
    void tapRowAtIndexPath(const IndexPath& indexPath);
    // Moves a row as a reorder drag dropped there does: the data source is told, then the rows
    // on screen are asked for again. Only within a section, and only while editing.
    void moveRowAtIndexPathToIndexPath(const IndexPath& from, const IndexPath& to);

    Size contentSize() override;
    void setContentOffset(Point offset, bool animated) override;

    View* hitTest(Point point) override;
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;
    void layoutSubviews() override;

protected:
    float contentHeight() const override;
    void didScroll() override;
    void didAutoScroll() override;

private:
    // The table's gestures: they move its cells, scroll it and select its rows.
    friend class RowReorder;
    friend class TableTouch;

    void loadIfNeeded();
    std::vector<int> askRowCounts();
    // Rows are counted through all sections ("flat" rows) inside the table.
    int flatRow(const IndexPath& indexPath) const { return rows_.flatRow(indexPath); }
    IndexPath indexPathOfFlat(int flat) const { return rows_.indexPathOfFlat(flat); }

    // The reorder in progress, if any: it moves the slots of the rows.
    const RowMove* rowMove() const { return reorder_ ? &reorder_->move() : nullptr; }
    // Puts cells on the rows on screen and sends the others to the pool; returns the rows that
    // got a new cell.
    std::vector<int> tile();
    void placeCellsInSlots() { cells_.place(rowMove()); }
    std::shared_ptr<TableViewCell> makeCell(int flat);
    void configureEditing(TableViewCell& cell, int flat, bool animated);

    void tapRow(int flat);

    void endReorder(bool cancelled);
    void abandonReorder();

    std::weak_ptr<TableViewDataSource> dataSource_;  // non-owning
    std::weak_ptr<TableViewDelegate> delegate_;      // non-owning
    bool loaded_ = false;
    RowLayout rows_;  // as last asked

    TableCells cells_{*this, kRowHeight, kSpareCells};
    std::optional<IndexPath> selected_;
    bool editing_ = false;
    bool allowsSelectionDuringEditing_ = false;

    TableTouch touch_{*this};
    std::optional<RowReorder> reorder_;
};

}  // namespace platform
