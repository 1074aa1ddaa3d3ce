#pragma once

#include <memory>

#include "platform/ui/View.h"

namespace platform {

class TableView;
class TableViewCell;

// The keyboard's place in a one-section list: a focused row that arrow keys move and Return
// taps. It is drawn as an outline over the row (unlike the filled highlight of a tap), and only
// after the first key that concerns it, so that people who only touch never see it.
//
// The focus always names a row that exists: when rows are removed it falls back to the last
// one, when the list is empty there is none. Moving it scrolls the list the least that shows
// the row whole. Everything goes through the table's public interface: a key taps a row as a
// finger does.
//
// The outline view lies over the table in the table's superview (added by the constructor,
// with the table's frame and autoresizing); the focus owns neither the table nor the view.
class TableKeyboardFocus {
public:
    // `table` must already be in its superview.
    explicit TableKeyboardFocus(const std::shared_ptr<TableView>& table);
    ~TableKeyboardFocus();
    TableKeyboardFocus(const TableKeyboardFocus&) = delete;
    TableKeyboardFocus& operator=(const TableKeyboardFocus&) = delete;

    // The focused row; -1 when the list is empty or gone.
    int focusedRow() const;
    bool isShown() const;
    // The cell showing the focused row, when it is on screen.
    std::shared_ptr<TableViewCell> focusedCell() const;

    // Moves by `rows` (negative: up), stopping at the ends; shows the focus.
    void moveBy(int rows);
    // Page Up / Page Down: a screenful of rows less one, so one row stays in sight.
    void movePage(int direction);
    void moveToFirst();
    void moveToLast();
    // Focuses `row` when it exists; false otherwise.
    bool focusRow(int row);
    // Taps the focused row, as a finger does.
    void tapFocusedRow();
    // Moves the focused row `delta` places in the list (while editing), through the table's
    // row-move handling; the focus goes with it.
    void moveFocusedRowBy(int delta);

private:
    class Ring;
    int rowCount() const;
    void show(int row);

    std::weak_ptr<TableView> table_;  // non-owning
    std::shared_ptr<Ring> ring_;      // held also by the superview while it shows it
};

}  // namespace platform
