#include "platform/ui/table/TableCells.h"

#include <algorithm>

#include "platform/ui/table/TableViewCell.h"

namespace platform {

TableCells::TableCells(View& table, float rowHeight, int spareCells)
    : table_(table), rowHeight_(rowHeight), spareCells_(static_cast<size_t>(spareCells)) {}

std::shared_ptr<TableViewCell> TableCells::cellForRow(int row) const {
    const auto it = cells_.find(row);
    return it == cells_.end() ? nullptr : it->second;
}

Rect TableCells::rectForSlot(int slot) const {
    return {0, static_cast<float>(slot) * rowHeight_, table_.bounds().width(), rowHeight_};
}

std::vector<int> TableCells::tile(int firstSlot, int lastSlot, const RowMove* move,
                                  const MakeCell& make) {
    for (auto it = cells_.begin(); it != cells_.end();) {
        const int slot = move ? move->slotOfRow(it->first) : it->first;
        if (slot < firstSlot || slot > lastSlot) {
            recycle(std::move(it->second));
            it = cells_.erase(it);
        } else {
            ++it;
        }
    }
    std::vector<int> created;
    for (int slot = firstSlot; slot <= lastSlot; ++slot) {
        const auto row = move ? move->rowAtSlot(slot) : std::optional(slot);
        if (!row || cells_.contains(*row)) continue;
        auto cell = make(*row);
        cell->setFrame(rectForSlot(slot));
        cells_.emplace(*row, std::move(cell));
        created.push_back(*row);
    }
    if (pool_.size() > spareCells_)
        pool_.erase(pool_.begin(), pool_.end() - static_cast<std::ptrdiff_t>(spareCells_));
    return created;
}

void TableCells::place(const RowMove* move) {
    for (const auto& [row, cell] : cells_) {
        const Rect frame = rectForSlot(move ? move->slotOfRow(row) : row);
        // Setting an equal frame outside an animation block would cut a running animation
        // short.
        if (cell->frame() != frame) cell->setFrame(frame);
    }
}

void TableCells::add(int row, std::shared_ptr<TableViewCell> cell) {
    cells_.emplace(row, std::move(cell));
}

std::shared_ptr<TableViewCell> TableCells::take(int row) {
    const auto it = cells_.find(row);
    if (it == cells_.end()) return nullptr;
    auto cell = std::move(it->second);
    cells_.erase(it);
    return cell;
}

std::vector<std::shared_ptr<TableViewCell>> TableCells::renumber(
    const std::function<std::optional<int>(int)>& newRow) {
    std::vector<std::shared_ptr<TableViewCell>> removed;
    Map renumbered;
    for (auto& [row, cell] : cells_) {
        if (const auto to = newRow(row))
            renumbered.emplace(*to, std::move(cell));
        else
            removed.push_back(std::move(cell));
    }
    cells_ = std::move(renumbered);
    return removed;
}

void TableCells::recycleAll() {
    for (auto& entry : cells_) recycle(std::move(entry.second));
    cells_.clear();
}

void TableCells::recycle(std::shared_ptr<TableViewCell> cell) {
    cell->removeFromSuperview();
    if (!cell->reuseIdentifier().empty()) pool_.push_back(std::move(cell));
}

std::shared_ptr<TableViewCell> TableCells::dequeue(const std::string& identifier) {
    const auto it = std::find_if(pool_.rbegin(), pool_.rend(), [&](const auto& cell) {
        return cell->reuseIdentifier() == identifier;
    });
    if (it == pool_.rend()) return nullptr;
    auto cell = *it;
    pool_.erase(std::next(it).base());
    cell->prepareForReuse();
    return cell;
}

void TableCells::forgetSpare(const std::shared_ptr<TableViewCell>& cell) {
    std::erase(pool_, cell);
}

}  // namespace platform
