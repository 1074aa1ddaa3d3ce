#pragma once

#include <memory>
#include <optional>

#include "platform/ui/Touch.h"

namespace platform {

class TableView;
class Timer;

// What a finger on a table does: tap a row (which lights up after a short wait and is selected
// when the finger lifts), drag the list (once it wanders beyond the tap slop), or, in edit mode
// on a row's reorder grip, move the row. A finger that stops a moving list is no tap.
class TableTouch {
public:
    static constexpr double kHighlightDelay = 0.1;  // before a touched row lights up

    explicit TableTouch(TableView& table);  // not owned: it owns this object
    ~TableTouch();
    TableTouch(const TableTouch&) = delete;
    TableTouch& operator=(const TableTouch&) = delete;

    void began(const Touch& touch);
    void moved(const Touch& touch);
    void ended(const Touch& touch, bool cancelled);
    // Lets go of the finger: its row goes dark, a row it moves goes back, and its further moves
    // and its end are ignored.
    void clear();
    // Whether the finger lights up this flat row.
    bool highlights(int row) const { return state_ && state_->highlighted && state_->row == row; }

private:
    enum class Gesture { Pending, Scrolling, Reordering, Ignored };
    struct State {
        Gesture gesture = Gesture::Pending;
        std::optional<int> row;         // the row under the finger when it came down
        bool highlighted = false;       // that row lights up
        bool stoppedScrolling = false;  // the touch caught a moving list: it is no tap
    };

    void highlightRow();
    void unhighlightRow();
    void cancelHighlightTimer();

    TableView& table_;
    std::optional<State> state_;
    std::shared_ptr<Timer> highlightTimer_;
};

}  // namespace platform
