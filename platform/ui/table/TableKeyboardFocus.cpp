#include "platform/ui/table/TableKeyboardFocus.h"

#include <algorithm>

#include "platform/ui/Painter.h"
#include "platform/ui/table/TableView.h"

namespace platform {
namespace {
// Amber reads as "the keyboard is here" next to the blue tap highlight.
constexpr Color kRingColor = Color::rgb(1.0f, 0.7f, 0.1f);
constexpr float kRingInset = 1;
}  // namespace

// Draws the outline over the table, reading the row's place at every frame so that it follows
// scrolling, sliding rows and resizes without being told.
class TableKeyboardFocus::Ring : public View {
public:
    explicit Ring(std::weak_ptr<TableView> table) : table_(std::move(table)) {
        setUserInteractionEnabled(false);
        setClipsToBounds(true);
    }

    int row = 0;
    bool shown = false;

    void draw(Painter& painter) override {
        const auto table = table_.lock();
        if (!shown || !table || row < 0) return;
        Rect rect = table->rectForRowAtIndexPath(IndexPath::forRow(row, 0));
        if (rect.height() <= 0) return;
        const Point offset = table->contentOffset();
        rect = Rect(rect.x() - offset.x + kRingInset, rect.y() - offset.y + kRingInset,
                    rect.width() - 2 * kRingInset, rect.height() - 2 * kRingInset);
        // Two one-point lines: an outline two points thick.
        painter.strokeRect(rect, kRingColor);
        painter.strokeRect(rect.insetBy(1, 1), kRingColor);
    }

private:
    std::weak_ptr<TableView> table_;  // non-owning
};

TableKeyboardFocus::TableKeyboardFocus(const std::shared_ptr<TableView>& table)
    : table_(table), ring_(std::make_shared<Ring>(table)) {
    ring_->setFrame(table->frame());
    ring_->setAutoresizingMask(table->autoresizingMask());
    if (View* parent = table->superview()) {
        const auto& siblings = parent->subviews();
        const auto at = std::find(siblings.begin(), siblings.end(), table);
        parent->insertSubview(ring_, static_cast<size_t>(at - siblings.begin()) + 1);
    }
}

TableKeyboardFocus::~TableKeyboardFocus() { ring_->removeFromSuperview(); }

int TableKeyboardFocus::rowCount() const {
    const auto table = table_.lock();
    return table && table->numberOfSections() > 0 ? table->numberOfRowsInSection(0) : 0;
}

int TableKeyboardFocus::focusedRow() const {
    const int count = rowCount();
    return count == 0 ? -1 : std::clamp(ring_->row, 0, count - 1);
}

bool TableKeyboardFocus::isShown() const { return ring_->shown; }

std::shared_ptr<TableViewCell> TableKeyboardFocus::focusedCell() const {
    const auto table = table_.lock();
    const int row = focusedRow();
    return table && row >= 0 ? table->cellForRowAtIndexPath(IndexPath::forRow(row, 0)) : nullptr;
}

void TableKeyboardFocus::show(int row) {
    const auto table = table_.lock();
    const int count = rowCount();
    if (!table || count == 0) return;
    ring_->row = std::clamp(row, 0, count - 1);
    ring_->shown = true;
    ring_->setNeedsDisplay();
    // Without animation, so the row's cell is there for the key that follows.
    table->scrollToRowAtIndexPath(IndexPath::forRow(ring_->row, 0), TableViewScrollPosition::None,
                                  false);
}

void TableKeyboardFocus::moveBy(int rows) { show(std::max(focusedRow(), 0) + rows); }

void TableKeyboardFocus::movePage(int direction) {
    const auto table = table_.lock();
    if (!table) return;
    const int page =
        std::max(1, static_cast<int>(table->bounds().height() / table->rowHeight()) - 1);
    moveBy(direction * page);
}

void TableKeyboardFocus::moveToFirst() { show(0); }

void TableKeyboardFocus::moveToLast() { show(rowCount() - 1); }

bool TableKeyboardFocus::focusRow(int row) {
    if (row < 0 || row >= rowCount()) return false;
    show(row);
    return true;
}

void TableKeyboardFocus::tapFocusedRow() {
    const auto table = table_.lock();
    const int row = focusedRow();
    if (!table || row < 0) return;
    show(row);
    table->tapRowAtIndexPath(IndexPath::forRow(row, 0));
}

void TableKeyboardFocus::moveFocusedRowBy(int delta) {
    const auto table = table_.lock();
    const int from = focusedRow();
    if (!table || !table->isEditing() || from < 0) return;
    const int to = std::clamp(from + delta, 0, rowCount() - 1);
    if (to != from)
        table->moveRowAtIndexPathToIndexPath(IndexPath::forRow(from, 0), IndexPath::forRow(to, 0));
    show(to);
}

}  // namespace platform
