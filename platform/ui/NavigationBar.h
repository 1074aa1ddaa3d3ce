#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/View.h"

namespace platform {

class Painter;

// The bar above a stack of screens, 44 points high, in the black style. It shows the top
// item: its title (or title view) centred, its left button, or, when there is an item below
// it, a back button titled with that item's title as it is when the bar lays out; and its
// right button. Buttons are drawn bordered. A tap on the back button runs the back action.
class NavigationBar : public View {
public:
    static constexpr float kHeight = 44;
    static constexpr float kMargin = 5;
    static constexpr float kTitleFontSize = 20;

    explicit NavigationBar(const Rect& frame = Rect(0, 0, 320, kHeight));

    const std::vector<std::shared_ptr<NavigationItem>>& items() const { return items_; }
    void setItems(std::vector<std::shared_ptr<NavigationItem>> items);
    void pushNavigationItem(std::shared_ptr<NavigationItem> item);
    void popNavigationItem();
    std::shared_ptr<NavigationItem> topItem() const;
    // The item under the top one, whose title the back button shows.
    std::shared_ptr<NavigationItem> backItem() const;
    void setBackAction(std::function<void()> action);

    // What the bar shows now (after layout): the left and right views (nullptr when none),
    // the back button's title ("" when there is no back button), the title text.
    const std::shared_ptr<View>& leftView() const { return leftView_; }
    const std::shared_ptr<View>& rightView() const { return rightView_; }
    std::string backButtonTitle() const;
    std::string title() const;

    void layoutSubviews() override;
    void draw(Painter& painter) override;

private:
    void itemsChanged();
    void layoutBar();
    std::shared_ptr<View> makeView(const std::shared_ptr<BarButtonItem>& item, bool back) const;
    Rect titleBox() const;

    std::vector<std::shared_ptr<NavigationItem>> items_;
    std::shared_ptr<BarButtonItem> backButtonItem_;
    // The items the views were made for, so that they are made again only when those change.
    std::shared_ptr<BarButtonItem> shownLeft_;
    std::shared_ptr<BarButtonItem> shownRight_;
    std::shared_ptr<View> shownTitleView_;
    std::shared_ptr<View> leftView_;
    std::shared_ptr<View> rightView_;
};

}  // namespace platform
