#pragma once

#include <memory>
#include <vector>

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/View.h"

namespace platform {

class Painter;

// A bar of buttons, 44 points high, in the black translucent style. setItems() lays the items
// out from left to right, flexible spaces sharing what width is left; plain subviews added by
// the owner (a switch, a slider) sit on the bar as they are placed and are never moved.
class Toolbar : public View {
public:
    static constexpr float kHeight = 44;
    static constexpr float kMargin = 6;
    static constexpr float kSpacing = 8;

    explicit Toolbar(const Rect& frame = Rect(0, 0, 320, kHeight));

    const std::vector<std::shared_ptr<BarButtonItem>>& items() const { return items_; }
    void setItems(std::vector<std::shared_ptr<BarButtonItem>> items);
    // The view showing the item: its button, or its custom view; nullptr for spaces and for
    // items not on this bar.
    std::shared_ptr<View> viewForItem(const BarButtonItem& item) const;

    void layoutSubviews() override;
    void draw(Painter& painter) override;

    // The dark gradient of the black bar style, shared with the navigation bar.
    static void drawBlackBarBackground(Painter& painter, const Rect& rect);

private:
    void layoutItems();

    std::vector<std::shared_ptr<BarButtonItem>> items_;
    std::vector<std::shared_ptr<View>> itemViews_;  // one per item; nullptr for spaces
};

}  // namespace platform
