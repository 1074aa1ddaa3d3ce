#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/table/RowLayout.h"

namespace platform {

class TableViewCell;
class View;

// The cells a table shows, by flat row, and a few spare cells waiting for reuse. Cells stand in
// slots of fixed height, one slot per row, which differ from the rows while a row is being
// moved. The cells on screen are subviews of the table; spare cells are not.
class TableCells {
public:
    using Map = std::map<int, std::shared_ptr<TableViewCell>>;
    using MakeCell = std::function<std::shared_ptr<TableViewCell>(int row)>;

    // `table` (not owned) holds the cells on screen; at most `spareCells` wait for reuse.
    TableCells(View& table, float rowHeight, int spareCells);

    const Map& byRow() const { return cells_; }
    std::shared_ptr<TableViewCell> cellForRow(int row) const;
    Rect rectForSlot(int slot) const;

    // Sends the cells of rows whose slot lies outside [firstSlot, lastSlot] to the pool and
    // puts a new cell from `make` in each slot of the range without one; `move` (when a row is
    // being moved) gives the slots. Returns the rows that got a new cell.
    std::vector<int> tile(int firstSlot, int lastSlot, const RowMove* move, const MakeCell& make);
    // Moves each cell to its row's slot; inside an animation block, the cells glide there.
    void place(const RowMove* move);

    void add(int row, std::shared_ptr<TableViewCell> cell);
    // Takes a row's cell out, leaving it in the table; nullptr when the row has none.
    std::shared_ptr<TableViewCell> take(int row);
    // Gives each cell its row's new number; the cells of rows without one are taken out (left
    // in the table) and returned.
    std::vector<std::shared_ptr<TableViewCell>> renumber(
        const std::function<std::optional<int>(int)>& newRow);
    // Sends every cell to the pool.
    void recycleAll();

    // A spare cell with this identifier, prepared for reuse; nullptr when there is none.
    std::shared_ptr<TableViewCell> dequeue(const std::string& identifier);
    // The data source may keep a cell and hand it out again directly: it is no spare then.
    void forgetSpare(const std::shared_ptr<TableViewCell>& cell);

private:
    void recycle(std::shared_ptr<TableViewCell> cell);

    View& table_;
    float rowHeight_;
    size_t spareCells_;
    Map cells_;
    std::vector<std::shared_ptr<TableViewCell>> pool_;
};

}  // namespace platform
