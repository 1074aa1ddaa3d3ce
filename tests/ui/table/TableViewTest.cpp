#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/table/TableViewCell.h"
#include "platform/ui/Window.h"
#include "tests/support/RecordingPainter.h"
#include "tests/support/TouchDriver.h"
#include "tests/support/LogInto.h"
#include "tests/support/UiTestEnvironment.h"

namespace platform {
namespace {

// A list of named rows in one or more sections. Cells show the name in a label and are reused
// through the table, as a well-behaved data source does.
class FakeRows : public TableViewDataSource, public TableViewDelegate {
public:
    std::vector<std::vector<std::string>> sections{{}};
    std::vector<std::weak_ptr<TableViewCell>> made;  // every cell ever created
    int cellRequests = 0;
    int countRequests = 0;
    std::vector<IndexPath> selected;
    std::vector<std::pair<IndexPath, IndexPath>> moves;
    bool indent = true;
    TableViewCellEditingStyle style = TableViewCellEditingStyle::None;

    static std::shared_ptr<FakeRows> withRows(int count, const std::string& prefix = "row") {
        auto rows = std::make_shared<FakeRows>();
        for (int i = 0; i < count; ++i) rows->sections[0].push_back(prefix + std::to_string(i));
        return rows;
    }

    int numberOfSectionsInTableView(TableView&) override {
        return static_cast<int>(sections.size());
    }
    int tableViewNumberOfRowsInSection(TableView&, int section) override {
        ++countRequests;
        return static_cast<int>(sections[static_cast<size_t>(section)].size());
    }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(
        TableView& table, const IndexPath& indexPath) override {
        ++cellRequests;
        auto cell = table.dequeueReusableCellWithIdentifier("Fake");
        if (!cell) {
            cell = std::make_shared<TableViewCell>(kRectZero, "Fake");
            auto label = std::make_shared<Label>(cell->contentView()->bounds());
            label->setHighlightedTextColor(Color::whiteColor());
            cell->contentView()->addSubview(label);
            made.push_back(cell);
        }
        cell->setShowsReorderControl(true);
        labelOf(*cell).setText(
            sections[static_cast<size_t>(indexPath.section)][static_cast<size_t>(indexPath.row)]);
        return cell;
    }
    void tableViewMoveRowAtIndexPathToIndexPath(TableView&, const IndexPath& from,
                                                const IndexPath& to) override {
        moves.emplace_back(from, to);
        auto& rows = sections[static_cast<size_t>(from.section)];
        const std::string moved = rows[static_cast<size_t>(from.row)];
        rows.erase(rows.begin() + from.row);
        rows.insert(rows.begin() + to.row, moved);
    }
    void tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath& indexPath) override {
        selected.push_back(indexPath);
    }
    bool tableViewShouldIndentWhileEditingRowAtIndexPath(TableView&, const IndexPath&) override {
        return indent;
    }
    TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView&,
                                                                     const IndexPath&) override {
        return style;
    }

    static Label& labelOf(TableViewCell& cell) {
        return static_cast<Label&>(*cell.contentView()->subviews().front());
    }
    size_t aliveCells() const {
        return static_cast<size_t>(std::count_if(made.begin(), made.end(),
                                                 [](const auto& cell) { return !cell.expired(); }));
    }
};

std::string textOf(const std::shared_ptr<TableViewCell>& cell) {
    return cell ? FakeRows::labelOf(*cell).text() : std::string("<none>");
}

IndexPath row(int r) { return IndexPath::forRow(r, 0); }

bool isSelectionBlue(const RecordingPainter::Fill& fill) {
    return fill.color.blue > 0.8f && fill.color.red < 0.1f;
}

// A table filling the area under a 44-point bar, the way the board shows its list.
struct TableViewTest : testing::Test {
    std::vector<std::string> log;
    UiTestEnvironment env{{.log = logInto(log)}};
    std::shared_ptr<Window> window = env.makeKeyWindow();
    std::shared_ptr<TableView> table = std::make_shared<TableView>(Rect(0, 64, 320, 416));
    std::shared_ptr<FakeRows> rows;

    void SetUp() override { window->addSubview(table); }

    void show(std::shared_ptr<FakeRows> source) {
        rows = std::move(source);
        table->setDataSource(rows);
        table->setDelegate(rows);
        table->layoutIfNeeded();
    }
    // The middle of a row in window coordinates, where it is on screen now.
    Point pointOnRow(int r, float x = 160) const {
        return {x, 64 + r * TableView::kRowHeight + 22 - table->contentOffset().y};
    }
    std::vector<std::string> visibleTexts() const {
        std::vector<std::string> texts;
        for (const auto& cell : table->visibleCells()) texts.push_back(textOf(cell));
        return texts;
    }
};

// ---- Rows, cells and reuse ----

TEST_F(TableViewTest, MapsIndexPathsAcrossSectionsToCellsAndPlaces) {
    auto source = std::make_shared<FakeRows>();
    source->sections = {{"a0", "a1", "a2"}, {}, {"c0", "c1"}};
    show(source);

    EXPECT_EQ(table->numberOfSections(), 3);
    EXPECT_EQ(table->numberOfRowsInSection(0), 3);
    EXPECT_EQ(table->numberOfRowsInSection(1), 0);
    EXPECT_EQ(table->numberOfRowsInSection(2), 2);
    EXPECT_EQ(table->numberOfRowsInSection(7), 0);
    EXPECT_EQ(table->contentSize().height, 5 * 44);

    EXPECT_EQ(textOf(table->cellForRowAtIndexPath(IndexPath::forRow(1, 0))), "a1");
    EXPECT_EQ(textOf(table->cellForRowAtIndexPath(IndexPath::forRow(1, 2))), "c1");
    EXPECT_EQ(table->cellForRowAtIndexPath(IndexPath::forRow(2, 2)), nullptr);
    EXPECT_EQ(table->rectForRowAtIndexPath(IndexPath::forRow(0, 2)), Rect(0, 3 * 44, 320, 44));
    EXPECT_EQ(table->cellForRowAtIndexPath(IndexPath::forRow(0, 2))->frame(),
              Rect(0, 3 * 44, 320, 44));
    EXPECT_EQ(table->indexPathForRowAtPoint({10, 4 * 44 + 1}), IndexPath::forRow(1, 2));
    EXPECT_EQ(table->indexPathForRowAtPoint({10, 5 * 44 + 1}), std::nullopt);
    EXPECT_EQ(visibleTexts(), (std::vector<std::string>{"a0", "a1", "a2", "c0", "c1"}));
}

TEST_F(TableViewTest, OnlyRowsOnScreenHaveCells) {
    show(FakeRows::withRows(100));
    // 416 points show rows 0 to 9 (row 9 in part).
    EXPECT_EQ(table->visibleCells().size(), 10u);
    EXPECT_EQ(textOf(table->cellForRowAtIndexPath(row(9))), "row9");
    EXPECT_EQ(table->cellForRowAtIndexPath(row(10)), nullptr);

    table->setContentOffset({0, 30}, false);
    EXPECT_EQ(table->cellForRowAtIndexPath(row(0)), table->visibleCells().front());
    EXPECT_EQ(textOf(table->cellForRowAtIndexPath(row(10))), "row10");
    EXPECT_EQ(table->visibleCells().size(), 11u);
}

TEST_F(TableViewTest, ScrollingThroughTenThousandRowsKeepsAtMostTwoSpareCells) {
    show(FakeRows::withRows(10000));
    const size_t maxVisible = 11;  // 416 / 44, plus one when a row is cut at both ends
    for (float y = 0; y <= table->contentSize().height; y += 37) {
        table->setContentOffset({0, y}, false);
        ASSERT_LE(table->visibleCells().size(), maxVisible);
        ASSERT_LE(rows->aliveCells(), table->visibleCells().size() + TableView::kSpareCells);
    }
    EXPECT_EQ(table->contentOffset().y, 10000 * 44 - 416);
    EXPECT_EQ(textOf(table->visibleCells().back()), "row9999");
    EXPECT_LE(rows->made.size(), maxVisible + TableView::kSpareCells);

    // One row further asks for one cell: the work follows the rows on screen.
    table->setContentOffset({0, 440}, false);
    const int before = rows->cellRequests;
    table->setContentOffset({0, 484}, false);
    EXPECT_EQ(rows->cellRequests - before, 1);

    // Fewer rows leave cells over: only two of them are kept.
    rows->sections[0].resize(3);
    table->reloadData();
    EXPECT_EQ(rows->aliveCells(), 3u + TableView::kSpareCells);
}

TEST_F(TableViewTest, DequeueGivesSpareCellsPreparedForReuseAndNothingWhenNoneIsFree) {
    show(FakeRows::withRows(30));
    EXPECT_EQ(table->dequeueReusableCellWithIdentifier("Fake"), nullptr);

    table->selectRowAtIndexPath(row(0), false, TableViewScrollPosition::None);
    const auto selectedCell = table->cellForRowAtIndexPath(row(0));
    table->setContentOffset({0, 44 * 5}, false);  // row 0 goes to the pool, 5 new rows come in
    EXPECT_FALSE(selectedCell->isSelected());     // it was prepared for reuse when handed out
    EXPECT_EQ(selectedCell->superview(), table.get());
    EXPECT_EQ(table->dequeueReusableCellWithIdentifier("Other"), nullptr);
}

TEST_F(TableViewTest, RowCountsAreAskedAgainOnlyAtReloadAndDeletion) {
    show(FakeRows::withRows(5));
    rows->sections[0].push_back("extra");
    EXPECT_EQ(table->numberOfRowsInSection(0), 5);
    table->setEditing(true, true);
    EXPECT_EQ(table->numberOfRowsInSection(0), 5);

    table->reloadData();
    EXPECT_EQ(table->numberOfRowsInSection(0), 6);
    EXPECT_EQ(textOf(table->cellForRowAtIndexPath(row(5))), "extra");
}

// ---- Selection ----

TEST_F(TableViewTest, SelectingARowHighlightsItsCellAndLetsGoOfThePreviousOne) {
    show(FakeRows::withRows(20));
    table->selectRowAtIndexPath(row(2), false, TableViewScrollPosition::None);
    const auto second = table->cellForRowAtIndexPath(row(2));
    EXPECT_EQ(table->indexPathForSelectedRow(), row(2));
    EXPECT_TRUE(second->isSelected());
    EXPECT_TRUE(FakeRows::labelOf(*second).isHighlighted());

    table->selectRowAtIndexPath(row(3), true, TableViewScrollPosition::None);
    EXPECT_EQ(table->indexPathForSelectedRow(), row(3));
    EXPECT_FALSE(second->isSelected());
    EXPECT_FALSE(FakeRows::labelOf(*second).isHighlighted());
    EXPECT_TRUE(table->cellForRowAtIndexPath(row(3))->isSelected());

    table->deselectRowAtIndexPath(row(3), false);
    EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt);
    EXPECT_FALSE(table->cellForRowAtIndexPath(row(3))->isSelected());

    table->selectRowAtIndexPath(row(20), false, TableViewScrollPosition::None);
    EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt);
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(TableViewTest, AnimatedDeselectionFadesTheBlueOut) {
    show(FakeRows::withRows(5));
    table->selectRowAtIndexPath(row(1), false, TableViewScrollPosition::None);
    const auto blueFills = [this] {
        RecordingPainter painter;
        window->renderTree(painter);
        std::vector<float> alphas;
        for (const auto& fill : painter.fills())
            if (isSelectionBlue(fill)) alphas.push_back(fill.alpha);
        return alphas;
    };
    ASSERT_FALSE(blueFills().empty());
    EXPECT_EQ(blueFills().front(), 1.0f);

    table->deselectRowAtIndexPath(row(1), true);
    EXPECT_FALSE(FakeRows::labelOf(*table->cellForRowAtIndexPath(row(1))).isHighlighted());
    env.runLoop().runFor(TableViewCell::kDeselectDuration / 2);
    ASSERT_FALSE(blueFills().empty());
    EXPECT_GT(blueFills().front(), 0.0f);
    EXPECT_LT(blueFills().front(), 1.0f);
    env.runLoop().runFor(TableViewCell::kDeselectDuration);
    EXPECT_TRUE(blueFills().empty());
}

TEST_F(TableViewTest, SelectionOutlivesScrollingAndIsForgottenByReload) {
    show(FakeRows::withRows(50));
    table->selectRowAtIndexPath(row(1), false, TableViewScrollPosition::None);
    table->setContentOffset({0, 1000}, false);
    table->setContentOffset({0, 0}, false);
    EXPECT_TRUE(table->cellForRowAtIndexPath(row(1))->isSelected());

    table->reloadData();
    EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt);
    EXPECT_FALSE(table->cellForRowAtIndexPath(row(1))->isSelected());
}

// ---- Scrolling to a row ----

TEST_F(TableViewTest, ScrollToRowPutsItAtThePositionWithinTheScrollableRange) {
    show(FakeRows::withRows(100));
    const float maxOffset = 100 * 44 - 416;
    struct Case {
        int row;
        TableViewScrollPosition position;
        float expected;
    };
    const Case cases[] = {
        {20, TableViewScrollPosition::Middle, 20 * 44 + 22 - 208},
        {0, TableViewScrollPosition::Middle, 0},           // clamped at the top
        {99, TableViewScrollPosition::Middle, maxOffset},  // clamped at the bottom
        {20, TableViewScrollPosition::Top, 20 * 44},
        {20, TableViewScrollPosition::Bottom, 21 * 44 - 416},
        {98, TableViewScrollPosition::Top, maxOffset},
    };
    for (const auto& c : cases) {
        table->scrollToRowAtIndexPath(row(c.row), c.position, false);
        EXPECT_EQ(table->contentOffset().y, c.expected) << "row " << c.row;
        EXPECT_NE(table->cellForRowAtIndexPath(row(c.row)), nullptr);
    }

    // None: the least movement that shows the row whole.
    table->setContentOffset({0, 400}, false);
    table->scrollToRowAtIndexPath(row(12), TableViewScrollPosition::None, false);
    EXPECT_EQ(table->contentOffset().y, 400);
    table->scrollToRowAtIndexPath(row(20), TableViewScrollPosition::None, false);
    EXPECT_EQ(table->contentOffset().y, 21 * 44 - 416);
    table->scrollToRowAtIndexPath(row(3), TableViewScrollPosition::None, false);
    EXPECT_EQ(table->contentOffset().y, 3 * 44);
}

TEST_F(TableViewTest, AnimatedScrollEasesToItsTargetInVirtualTime) {
    show(FakeRows::withRows(100));
    table->selectRowAtIndexPath(row(30), true, TableViewScrollPosition::Middle);
    const float target = 30 * 44 + 22 - 208;
    EXPECT_EQ(table->contentOffset().y, 0);  // nothing moves inside the call
    EXPECT_EQ(table->indexPathForSelectedRow(), row(30));

    env.runLoop().runFor(TableView::kScrollAnimationDuration / 2);
    EXPECT_GT(table->contentOffset().y, 0);
    EXPECT_LT(table->contentOffset().y, target);
    env.runLoop().runFor(TableView::kScrollAnimationDuration / 2 + 0.02);
    EXPECT_EQ(table->contentOffset().y, target);
    EXPECT_TRUE(table->cellForRowAtIndexPath(row(30))->isSelected());
    EXPECT_FALSE(env.runLoop().nextFireTime().has_value());  // the animation has stopped
}

// ---- Touches ----

TEST_F(TableViewTest, TapHighlightsAfterADelayThenSelectsAndTellsTheDelegate) {
    show(FakeRows::withRows(20));
    TouchDriver::down(*window, pointOnRow(3));
    const auto cell = table->cellForRowAtIndexPath(row(3));
    env.runLoop().runFor(TableView::kHighlightDelay / 2);
    EXPECT_FALSE(cell->isHighlighted());
    env.runLoop().runFor(TableView::kHighlightDelay);
    EXPECT_TRUE(cell->isHighlighted());
    EXPECT_TRUE(rows->selected.empty());

    TouchDriver::up(*window, pointOnRow(3));
    EXPECT_EQ(rows->selected, std::vector<IndexPath>{row(3)});
    EXPECT_EQ(table->indexPathForSelectedRow(), row(3));
    EXPECT_TRUE(cell->isSelected());
    EXPECT_FALSE(cell->isHighlighted());

    // A quick tap elsewhere moves the selection.
    TouchDriver::tap(*window, pointOnRow(5));
    EXPECT_EQ(rows->selected.back(), row(5));
    EXPECT_FALSE(cell->isSelected());
}

TEST_F(TableViewTest, TapsOnScrolledListAndBelowTheLastRow) {
    show(FakeRows::withRows(30));
    table->setContentOffset({0, 100}, false);
    TouchDriver::tap(*window, {160, 64 + 10});  // content y 110: row 2
    EXPECT_EQ(rows->selected, std::vector<IndexPath>{row(2)});

    show(FakeRows::withRows(3));
    TouchDriver::tap(*window, {160, 64 + 300});
    EXPECT_TRUE(rows->selected.empty());
}

TEST_F(TableViewTest, DragScrollsWithoutSelectingAndFlingKeepsGoing) {
    show(FakeRows::withRows(100));
    TouchDriver::down(*window, {160, 400});
    for (float y = 380; y >= 200; y -= 20) {
        env.runLoop().runFor(1.0 / 60);
        TouchDriver::move(*window, {160, y});
        EXPECT_EQ(env.runLoop().mode(), kTrackingRunLoopMode);
        EXPECT_TRUE(table->isDragging());
    }
    // The drag starts once the finger has left the tap slop, at y 380: 180 points since.
    EXPECT_EQ(table->contentOffset().y, 180);
    EXPECT_FALSE(table->cellForRowAtIndexPath(row(7))->isHighlighted());

    TouchDriver::up(*window, {160, 200});
    EXPECT_EQ(env.runLoop().mode(), kDefaultRunLoopMode);
    EXPECT_TRUE(rows->selected.empty());
    EXPECT_TRUE(table->isDecelerating());
    env.runLoop().runFor(0.2);
    const float midway = table->contentOffset().y;
    EXPECT_GT(midway, 180);
    env.runLoop().runFor(5);
    EXPECT_FALSE(table->isDecelerating());
    EXPECT_GT(table->contentOffset().y, midway);
    EXPECT_LE(table->contentOffset().y, 100 * 44 - 416);
}

TEST_F(TableViewTest, DefaultModeTimersWaitWhileTheFingerDrags) {
    show(FakeRows::withRows(100));
    bool fired = false;
    env.runLoop().performAfterDelay(0.05, [&] { fired = true; });
    TouchDriver::down(*window, {160, 300});
    TouchDriver::move(*window, {160, 290 - TableView::kTapSlop});  // the drag starts here
    TouchDriver::move(*window, {160, 250});
    env.runLoop().runFor(0.2);
    EXPECT_FALSE(fired);
    TouchDriver::up(*window, {160, 250});
    env.runLoop().runUntilIdle();
    EXPECT_TRUE(fired);
    EXPECT_FALSE(table->isDecelerating());
    EXPECT_EQ(table->contentOffset().y, 30);
}

TEST_F(TableViewTest, DraggingPastTheTopStretchesAndBouncesBack) {
    show(FakeRows::withRows(100));
    TouchDriver::down(*window, {160, 100});
    TouchDriver::move(*window, {160, 120});  // leaves the slop: the drag starts here
    TouchDriver::move(*window, {160, 220});
    EXPECT_EQ(table->contentOffset().y, -50);  // half of the finger's travel
    TouchDriver::up(*window, {160, 220});
    env.runLoop().runFor(TableView::kScrollAnimationDuration + 0.05);
    EXPECT_EQ(table->contentOffset().y, 0);
    EXPECT_TRUE(rows->selected.empty());
}

TEST_F(TableViewTest, ATouchOnAMovingListStopsItAndIsNoTap) {
    show(FakeRows::withRows(200));
    TouchDriver::drag(*window, {160, 400}, {160, 100}, 10);
    ASSERT_TRUE(table->isDecelerating());
    env.runLoop().runFor(0.1);
    TouchDriver::tap(*window, pointOnRow(12));
    EXPECT_FALSE(table->isDecelerating());
    EXPECT_TRUE(rows->selected.empty());
    const float stopped = table->contentOffset().y;
    env.runLoop().runFor(1);
    EXPECT_EQ(table->contentOffset().y, stopped);
}

TEST_F(TableViewTest, ControlsInsideRowsKeepTheirTouches) {
    show(FakeRows::withRows(5));
    auto button = std::make_shared<Button>(ButtonType::Custom, Rect(6, 7, 30, 30));
    int pressed = 0;
    button->addAction([&](Control&) { ++pressed; }, kControlEventTouchDown);
    table->cellForRowAtIndexPath(row(1))->addSubview(button);

    TouchDriver::tap(*window, {20, 64 + 44 + 20});
    EXPECT_EQ(pressed, 1);
    EXPECT_TRUE(rows->selected.empty());
    TouchDriver::tap(*window, {200, 64 + 44 + 20});
    EXPECT_EQ(rows->selected, std::vector<IndexPath>{row(1)});
}

// ---- Editing ----

TEST_F(TableViewTest, EditingIndentsContentAndShowsTheGripWithoutAskingForRows) {
    show(FakeRows::withRows(5));
    const auto cell = table->cellForRowAtIndexPath(row(0));
    EXPECT_EQ(cell->contentView()->frame(), Rect(0, 0, 320, 43));
    const int countsBefore = rows->countRequests;
    const int cellsBefore = rows->cellRequests;

    table->setEditing(true, false);
    EXPECT_TRUE(cell->isEditing());
    EXPECT_TRUE(cell->isReorderControlVisible());
    EXPECT_EQ(cell->contentView()->frame(), Rect(32, 0, 320 - 32 - 38, 43));
    EXPECT_EQ(rows->countRequests, countsBefore);
    EXPECT_EQ(rows->cellRequests, cellsBefore);

    table->setEditing(false, false);
    rows->indent = false;
    table->setEditing(true, false);
    EXPECT_EQ(cell->contentView()->frame(), Rect(0, 0, 320 - 38, 43));
}

TEST_F(TableViewTest, TapsWhileEditingSelectOnlyWhenAllowed) {
    show(FakeRows::withRows(5));
    table->setEditing(true, false);
    TouchDriver::tap(*window, pointOnRow(2));
    EXPECT_TRUE(rows->selected.empty());

    table->setAllowsSelectionDuringEditing(true);
    TouchDriver::tap(*window, pointOnRow(2));
    EXPECT_EQ(rows->selected, std::vector<IndexPath>{row(2)});
}

TEST_F(TableViewTest, DraggingTheGripMovesTheRowThenTellsTheDataSource) {
    show(FakeRows::withRows(6));
    table->setEditing(true, false);
    table->setAllowsSelectionDuringEditing(true);
    const auto moved = table->cellForRowAtIndexPath(row(1));

    TouchDriver::down(*window, pointOnRow(1, 300));
    EXPECT_EQ(env.runLoop().mode(), kTrackingRunLoopMode);
    TouchDriver::move(*window, pointOnRow(2, 300));
    TouchDriver::move(*window, pointOnRow(3, 300));
    EXPECT_EQ(moved->frame().y(), 3 * 44);  // the lifted row follows the finger
    // The rows between make room: row 2 and 3 have moved up a place.
    EXPECT_EQ(table->cellForRowAtIndexPath(row(2))->frame().y(), 1 * 44);
    EXPECT_EQ(table->cellForRowAtIndexPath(row(3))->frame().y(), 2 * 44);
    EXPECT_TRUE(rows->moves.empty());

    TouchDriver::up(*window, pointOnRow(3, 300));
    EXPECT_EQ(env.runLoop().mode(), kDefaultRunLoopMode);
    ASSERT_EQ(rows->moves.size(), 1u);
    EXPECT_EQ(rows->moves[0], std::make_pair(row(1), row(3)));
    EXPECT_EQ(table->cellForRowAtIndexPath(row(3)), moved);
    EXPECT_EQ(rows->sections[0],
              (std::vector<std::string>{"row0", "row2", "row3", "row1", "row4", "row5"}));
    EXPECT_TRUE(rows->selected.empty());
    env.runLoop().runFor(0.3);
    EXPECT_EQ(visibleTexts(),
              (std::vector<std::string>{"row0", "row2", "row3", "row1", "row4", "row5"}));
    for (int r = 0; r < 6; ++r)
        EXPECT_EQ(table->cellForRowAtIndexPath(row(r))->frame().y(), r * 44.0f);
}

// The lifted row lands on the slot nearest to where it is let go: 1.4 rows down is one place,
// 1.6 rows down two.
TEST_F(TableViewTest, ARowDraggedByPartOfARowLandsOnTheNearestSlot) {
    for (const auto& [rows44, target] : {std::pair{1.4f, 2}, std::pair{1.6f, 3}}) {
        show(FakeRows::withRows(6));
        table->setEditing(true, false);
        const Point from = pointOnRow(1, 300);
        TouchDriver::down(*window, from);
        TouchDriver::move(*window, {from.x, from.y + rows44 * 22});
        TouchDriver::move(*window, {from.x, from.y + rows44 * 44});
        TouchDriver::up(*window, {from.x, from.y + rows44 * 44});
        ASSERT_EQ(rows->moves.size(), 1u) << rows44;
        EXPECT_EQ(rows->moves[0], std::make_pair(row(1), row(target))) << rows44;
    }
}

TEST_F(TableViewTest, AGripDroppedWhereItStartedMovesNothing) {
    show(FakeRows::withRows(6));
    table->setEditing(true, false);
    TouchDriver::down(*window, pointOnRow(4, 300));
    TouchDriver::move(*window, pointOnRow(5, 300));
    TouchDriver::move(*window, pointOnRow(4, 305));
    TouchDriver::up(*window, pointOnRow(4, 305));
    EXPECT_TRUE(rows->moves.empty());

    // Upwards, and past the first row, which is as far as it goes.
    TouchDriver::drag(*window, pointOnRow(4, 300), {300, 64 + 5}, 8);
    ASSERT_EQ(rows->moves.size(), 1u);
    EXPECT_EQ(rows->moves[0], std::make_pair(row(4), row(0)));
    EXPECT_EQ(rows->sections[0].front(), "row4");
}

TEST_F(TableViewTest, ReorderNearTheBottomEdgeScrollsTheList) {
    show(FakeRows::withRows(40));
    table->setEditing(true, false);
    TouchDriver::down(*window, pointOnRow(2, 300));
    TouchDriver::move(*window, {300, 64 + 405});
    env.runLoop().runFor(0.5);
    EXPECT_GT(table->contentOffset().y, 0);
    TouchDriver::up(*window, {300, 64 + 405});
    ASSERT_EQ(rows->moves.size(), 1u);
    EXPECT_GT(rows->moves[0].second.row, 9);
    const float dropped = table->contentOffset().y;
    env.runLoop().runFor(0.5);
    EXPECT_EQ(table->contentOffset().y, dropped);  // the list stops with the finger
}

// ---- Deleting rows ----

TEST_F(TableViewTest, DeletingRowsSlidesThemUpAndMovesTheRestIntoPlace) {
    show(FakeRows::withRows(6));
    table->selectRowAtIndexPath(row(4), false, TableViewScrollPosition::None);
    const auto doomed = table->cellForRowAtIndexPath(row(1));
    const auto follower = table->cellForRowAtIndexPath(row(2));
    rows->sections[0] = {"row0", "row2", "row4", "row5"};

    table->deleteRowsAtIndexPaths({row(1), row(3)}, TableViewRowAnimation::Top);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(table->numberOfRowsInSection(0), 4);
    EXPECT_EQ(table->cellForRowAtIndexPath(row(1)), follower);
    EXPECT_EQ(table->indexPathForSelectedRow(), row(2));  // row 4 moved up two places
    EXPECT_TRUE(table->cellForRowAtIndexPath(row(2))->isSelected());

    // The deleted row slides up a row's height and fades; the next one moves up into place.
    EXPECT_EQ(doomed->frame(), Rect(0, 0, 320, 44));
    EXPECT_EQ(doomed->alpha(), 0);
    EXPECT_EQ(follower->frame().y(), 44);
    env.runLoop().runFor(TableView::kRowAnimationDuration / 2);
    EXPECT_GT(follower->presentationFrame().y(), 44);
    EXPECT_LT(follower->presentationFrame().y(), 88);
    EXPECT_GT(doomed->presentationAlpha(), 0);
    EXPECT_EQ(doomed->superview(), table.get());
    env.runLoop().runFor(TableView::kRowAnimationDuration);
    EXPECT_EQ(doomed->superview(), nullptr);
    EXPECT_EQ(visibleTexts(), (std::vector<std::string>{"row0", "row2", "row4", "row5"}));
}

TEST_F(TableViewTest, DeletingWhenTheCountDoesNotMatchLogsAndReloads) {
    show(FakeRows::withRows(6));
    table->selectRowAtIndexPath(row(0), false, TableViewScrollPosition::None);
    table->deleteRowsAtIndexPaths({row(1)}, TableViewRowAnimation::Top);  // nothing removed
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(table->numberOfRowsInSection(0), 6);
    EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt);  // reloaded

    rows->sections[0].resize(3);
    table->deleteRowsAtIndexPaths({row(7)}, TableViewRowAnimation::Fade);  // no such row
    EXPECT_EQ(log.size(), 2u);
    EXPECT_EQ(table->numberOfRowsInSection(0), 3);
    EXPECT_EQ(visibleTexts(), (std::vector<std::string>{"row0", "row1", "row2"}));

    table->deleteRowsAtIndexPaths({}, TableViewRowAnimation::Top);  // nothing to do
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(TableViewTest, DeletingNearTheEndPullsTheOffsetBackAndFillsTheScreen) {
    show(FakeRows::withRows(20));
    table->setContentOffset({0, 20 * 44 - 416}, false);
    rows->sections[0].resize(12);
    std::vector<IndexPath> gone;
    for (int r = 12; r < 20; ++r) gone.push_back(row(r));
    table->deleteRowsAtIndexPaths(gone, TableViewRowAnimation::Top);
    EXPECT_EQ(table->contentOffset().y, 12 * 44 - 416);
    EXPECT_EQ(table->visibleCells().size(), 10u);
    EXPECT_EQ(textOf(table->visibleCells().back()), "row11");
    EXPECT_EQ(table->contentSize().height, 12 * 44);
}

// ---- Cells on their own ----

TEST(TableViewCellTest, ZeroFrameGetsTheRowSizeAndEditingMovesTheContentAnimated) {
    UiTestEnvironment env;
    TableViewCell cell(kRectZero, "Cell");
    EXPECT_EQ(cell.frame(), Rect(0, 0, 320, 44));
    EXPECT_EQ(cell.reuseIdentifier(), "Cell");
    EXPECT_EQ(cell.contentView()->frame(), Rect(0, 0, 320, 43));

    cell.setShowsReorderControl(true);
    EXPECT_FALSE(cell.isReorderControlVisible());  // only while editing
    cell.setEditing(true, true);
    EXPECT_EQ(cell.contentView()->frame(), Rect(32, 0, 250, 43));
    env.runLoop().runFor(TableViewCell::kEditingDuration / 2);
    const Rect midway = cell.contentView()->presentationFrame();
    EXPECT_GT(midway.x(), 0);
    EXPECT_LT(midway.x(), 32);
    env.runLoop().runFor(TableViewCell::kEditingDuration);
    EXPECT_EQ(cell.contentView()->presentationFrame(), Rect(32, 0, 250, 43));
    EXPECT_EQ(cell.reorderControlRect(), Rect(282, 0, 38, 44));

    cell.setFrame({0, 0, 400, 50});
    EXPECT_EQ(cell.contentView()->frame(), Rect(32, 0, 330, 49));
}

TEST(TableViewCellTest, HighlightAndSelectionLightEveryLabelOfTheContent) {
    UiTestEnvironment env;
    TableViewCell cell(kRectZero, "Cell");
    auto outer = std::make_shared<Label>();
    auto inner = std::make_shared<Label>();
    auto box = std::make_shared<View>();
    box->addSubview(inner);
    cell.contentView()->addSubview(outer);
    cell.contentView()->addSubview(box);

    cell.setHighlighted(true, false);
    EXPECT_TRUE(outer->isHighlighted());
    EXPECT_TRUE(inner->isHighlighted());
    cell.setSelected(true, false);
    cell.setHighlighted(false, false);
    EXPECT_TRUE(inner->isHighlighted());  // still selected
    cell.prepareForReuse();
    EXPECT_FALSE(cell.isSelected());
    EXPECT_FALSE(inner->isHighlighted());
}

TEST(TableViewCellTest, DrawsWhiteWithASeparatorAndTheGripOnTop) {
    UiTestEnvironment env;
    TableViewCell cell(kRectZero, "Cell");
    cell.setShowsReorderControl(true);
    cell.setEditing(true, false);
    cell.setSelected(true, false);
    RecordingPainter painter;
    cell.render(painter);
    const auto& fills = painter.fills();
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills.front().rect, Rect(0, 0, 320, 44));
    EXPECT_EQ(fills.front().color, Color::whiteColor());
    const auto separator = std::find_if(fills.begin(), fills.end(), [](const auto& fill) {
        return fill.rect == Rect(0, 43, 320, 1);
    });
    EXPECT_NE(separator, fills.end());
    // The three grip lines come after (over) the blue of the selection.
    const auto lastBlue = std::find_if(fills.rbegin(), fills.rend(), isSelectionBlue);
    ASSERT_NE(lastBlue, fills.rend());
    const auto grips = std::count_if(fills.rbegin(), lastBlue, [](const auto& fill) {
        return fill.rect.x() == 292 && fill.rect.width() == 18;
    });
    EXPECT_EQ(grips, 3);
}

}  // namespace
}  // namespace platform
