#pragma once

#include <memory>

#include "platform/ui/table/RowLayout.h"

namespace platform {

class TableView;
class TableViewCell;

// The gesture that moves a row in edit mode: the row's cell is lifted out of the list and
// follows the finger within the row's section; the rows between make room where it would land;
// near the top or bottom edge the list scrolls; on release the rows settle into their places.
// The table owns the gesture while it runs and tells its data source of the move.
class RowReorder {
public:
    static constexpr double kSettleDuration = 0.2;
    static constexpr float kLiftedAlpha = 0.9f;     // a row being moved shows it is lifted
    static constexpr float kAutoScrollMargin = 30;  // a row moved near an edge scrolls the list
    static constexpr float kAutoScrollSpeed = 400;  // points per second at the very edge

    // Lifts `row`'s cell, which the table must be showing, for a finger at `fingerContentY`;
    // the main run loop goes into tracking mode.
    RowReorder(TableView& table, int row, float fingerContentY);

    const RowMove& move() const { return move_; }
    int source() const { return move_.source; }
    int target() const { return move_.target; }
    const std::shared_ptr<TableViewCell>& cell() const { return cell_; }

    // The finger moved to `fingerYInView` (or rests there while the list auto-scrolls).
    void follow(float fingerYInView);
    void followAgain() { follow(lastFingerYInView_); }
    // The finger lifted: the rows settle, the cells take the numbers of their new rows and the
    // run loop leaves tracking mode. Returns the move made (source == target: none).
    RowMove drop(bool cancelled);
    // Puts the lifted cell back in its own row at once, asking for no rows.
    void putBack();

    // The lifted row's top for a finger `grabOffset` below it at `fingerContentY`, within the
    // rows [first, last].
    static float liftedTop(float fingerContentY, float grabOffset, int first, int last,
                           float rowHeight);
    // The row nearest to a lifted top, within [first, last].
    static int targetFor(float top, int first, int last, float rowHeight);
    // Points per second to scroll while the finger is at `fingerYInView` of a view `height`
    // high with the content at `offset` of `maxOffset`: towards an edge within the margin,
    // faster the closer, while there is content that way; otherwise 0.
    static float autoScrollSpeed(float fingerYInView, float height, float offset, float maxOffset);

private:
    void endTracking();

    TableView& table_;  // not owned: it owns this gesture
    RowMove move_;
    int first_ = 0;  // the rows of the moved row's section: it stays there
    int last_ = 0;
    float grabOffset_ = 0;  // finger y less the cell's top, content coordinates
    float lastFingerYInView_ = 0;
    std::shared_ptr<TableViewCell> cell_;
};

}  // namespace platform
