#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/IndexPath.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TableViewDelegate.h"
#include "platform/ui/View.h"

namespace platform {

class Timer;

enum class TableViewScrollPosition { None = 0, Top = 1, Middle = 2, Bottom = 3 };
enum class TableViewRowAnimation { Fade = 0, Right = 1, Left = 2, Top = 3, Bottom = 4 };

// A scrolling list of rows of fixed height. The bounds origin is the content offset; rows sit
// in content coordinates, one cell per row on screen. Cells of rows that scroll away wait in a
// small reuse pool (at most kSpareCells), so the work per scroll step or layout pass depends on
// the number of rows on screen, not on the number of rows.
//
// The data source and the delegate are not owned. The row counts are asked at the first layout
// (or the first question about them), at reloadData() and at deleteRowsAtIndexPaths(); between
// those the table answers numberOfRowsInSection() from what it was told.
//
// Input: a tap selects a row and tells the delegate; a drag scrolls (the main run loop is in
// tracking mode meanwhile) and a fling keeps scrolling, slowing down; while editing, a drag
// that starts on a row's reorder grip moves the row. Animations run on the main run loop's
// clock in common modes.
class TableView : public View {
public:
    static constexpr float kRowHeight = 44;
    static constexpr int kSpareCells = 2;
    static constexpr float kTapSlop = 10;           // points a tap may wander
    static constexpr double kHighlightDelay = 0.1;  // before a touched row lights up
    static constexpr double kScrollAnimationDuration = 0.3;
    static constexpr double kRowAnimationDuration = 0.3;
    static constexpr double kFrameInterval = 1.0 / 60;  // animation step

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

    Point contentOffset() const { return bounds().origin; }
    // Within the scrollable range; animated: eases there over kScrollAnimationDuration, and
    // contentOffset() reports the way there.
    void setContentOffset(Point offset, bool animated);
    Size contentSize();
    bool isDragging() const;
    bool isDecelerating() const { return motion_ == Motion::Decelerating; }

    View* hitTest(Point point) override;
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;
    void layoutSubviews() override;

private:
    enum class Motion { None, Animating, Decelerating, Bouncing, AutoScrolling };
    enum class Gesture { Pending, Scrolling, Reordering, Ignored };

    struct TouchState {
        Gesture gesture = Gesture::Pending;
        Point startInWindow;
        float startOffsetY = 0;
        std::optional<int> row;         // the row under the finger when it came down
        bool highlighted = false;       // that row lights up
        bool stoppedScrolling = false;  // the touch caught a moving list: it is no tap
        std::vector<std::pair<double, float>> samples;  // (time, finger y) for the fling speed
    };
    struct Reorder {
        int source = 0;  // flat row being moved
        int target = 0;  // flat row it would land on
        int first = 0;   // the flat rows of its section: it stays there
        int last = 0;
        float grabOffset = 0;  // finger y minus the cell's top, content coordinates
        std::shared_ptr<TableViewCell> cell;
    };

    // Rows are counted through all sections ("flat" rows) inside the table.
    void loadIfNeeded();
    std::vector<int> askRowCounts();
    void setRowCounts(std::vector<int> counts);
    int flatRow(const IndexPath& indexPath) const;
    IndexPath indexPathOfFlat(int flat) const;
    bool isValid(const IndexPath& indexPath) const;
    float maxOffsetY() const;
    float clampOffsetY(float y) const;

    // Where the row's cell goes: its slot, which differs from the row during a reorder.
    int slotOfRow(int flat) const;
    std::optional<int> rowAtSlot(int slot) const;
    Rect rectForSlot(int slot) const;
    // Puts cells on the rows on screen and sends the others to the pool; returns the rows that
    // got a new cell.
    std::vector<int> tile();
    void placeCellsInSlots();
    std::shared_ptr<TableViewCell> makeCell(int flat);
    void configureEditing(TableViewCell& cell, int flat, bool animated);
    void recycle(std::shared_ptr<TableViewCell> cell);
    void trimPool();

    void applyOffsetY(float y);
    void startMotion(Motion motion);
    void stopMotion();
    void scheduleStep();
    void step();
    void finishBounceOrFling(float velocity);

    void beginTouch(const Touch& touch);
    static void addSample(TouchState& state, const Touch& touch);
    void highlightTouchedRow();
    void endTouch(const Touch& touch, bool cancelled);
    void clearTouch();
    void tapRow(int flat);
    float dragOffsetFor(float fingerY) const;
    // The content's speed, points per second, from the finger's last moves.
    static float flingVelocityOf(const std::vector<std::pair<double, float>>& samples);

    void beginReorder(int flat, float fingerContentY);
    void moveReorder(float fingerYInView);
    void endReorder(bool cancelled);
    void abandonReorder();

    std::weak_ptr<TableViewDataSource> dataSource_;  // non-owning
    std::weak_ptr<TableViewDelegate> delegate_;      // non-owning
    bool loaded_ = false;
    std::vector<int> rowCounts_;     // per section, as last asked
    std::vector<int> sectionStart_;  // flat row of each section's first row
    int totalRows_ = 0;

    std::map<int, std::shared_ptr<TableViewCell>> visible_;  // by flat row
    std::vector<std::shared_ptr<TableViewCell>> pool_;
    std::optional<IndexPath> selected_;
    bool editing_ = false;
    bool allowsSelectionDuringEditing_ = false;

    std::optional<TouchState> touch_;
    std::shared_ptr<Timer> highlightTimer_;
    std::optional<Reorder> reorder_;
    float lastFingerYInView_ = 0;  // for scrolling while reordering near an edge

    Motion motion_ = Motion::None;
    std::shared_ptr<Timer> stepTimer_;
    double lastStep_ = 0;
    float animationFrom_ = 0;
    float animationTo_ = 0;
    double animationStart_ = 0;
    double animationDuration_ = 0;
    float velocity_ = 0;  // points per second of content offset, while decelerating
};

}  // namespace platform
