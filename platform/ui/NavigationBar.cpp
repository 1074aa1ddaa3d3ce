#include "platform/ui/NavigationBar.h"

#include <algorithm>

#include "platform/ui/BarButton.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Toolbar.h"

namespace platform {
namespace {
constexpr float kTitleGap = 6;
constexpr float kMinimumTitleWidth = 40;
}  // namespace

NavigationBar::NavigationBar(const Rect& frame)
    : View(frame), backButtonItem_(std::make_shared<BarButtonItem>("Back")) {}

void NavigationBar::setBackAction(std::function<void()> action) {
    backButtonItem_->setAction([action = std::move(action)](BarButtonItem&) {
        if (action) action();
    });
}

void NavigationBar::setItems(std::vector<std::shared_ptr<NavigationItem>> items) {
    for (const auto& item : items_) item->setHost({});
    items_ = std::move(items);
    std::erase(items_, nullptr);
    itemsChanged();
}

void NavigationBar::pushNavigationItem(std::shared_ptr<NavigationItem> item) {
    if (!item) return;
    items_.push_back(std::move(item));
    itemsChanged();
}

void NavigationBar::popNavigationItem() {
    if (items_.empty()) return;
    items_.back()->setHost({});
    items_.pop_back();
    itemsChanged();
}

void NavigationBar::itemsChanged() {
    for (const auto& item : items_) item->setHost(weak_from_this());
    layoutBar();
    setNeedsDisplay();
}

std::shared_ptr<NavigationItem> NavigationBar::topItem() const {
    return items_.empty() ? nullptr : items_.back();
}

std::shared_ptr<NavigationItem> NavigationBar::backItem() const {
    return items_.size() < 2 ? nullptr : items_[items_.size() - 2];
}

std::string NavigationBar::backButtonTitle() const {
    return leftView_ && shownLeft_ == backButtonItem_ ? backButtonItem_->title() : std::string();
}

std::string NavigationBar::title() const {
    const auto top = topItem();
    return top ? top->title() : std::string();
}

std::shared_ptr<View> NavigationBar::makeView(const std::shared_ptr<BarButtonItem>& item,
                                              bool back) const {
    if (item->customView()) return item->customView();
    return std::make_shared<BarButton>(item,
                                       back ? BarButton::Shape::Back : BarButton::Shape::Bordered);
}

void NavigationBar::layoutSubviews() { layoutBar(); }

void NavigationBar::layoutBar() {
    const auto top = topItem();
    const auto below = backItem();
    std::shared_ptr<BarButtonItem> left = top ? top->leftBarButtonItem() : nullptr;
    if (!left && below) left = backButtonItem_;
    const std::shared_ptr<BarButtonItem> right = top ? top->rightBarButtonItem() : nullptr;
    const std::shared_ptr<View> titleView = top ? top->titleView() : nullptr;
    if (below) backButtonItem_->setTitle(below->title().empty() ? "Back" : below->title());

    if (left != shownLeft_) {
        if (leftView_) leftView_->removeFromSuperview();
        leftView_ = left ? makeView(left, left == backButtonItem_) : nullptr;
        if (leftView_) addSubview(leftView_);
        shownLeft_ = left;
    }
    if (right != shownRight_) {
        if (rightView_) rightView_->removeFromSuperview();
        rightView_ = right ? makeView(right, false) : nullptr;
        if (rightView_) addSubview(rightView_);
        shownRight_ = right;
    }
    if (titleView != shownTitleView_) {
        if (shownTitleView_) shownTitleView_->removeFromSuperview();
        if (titleView) addSubview(titleView);
        shownTitleView_ = titleView;
    }
    for (const auto& item : {left, right})
        if (item) item->setHost(weak_from_this());

    const Rect b = bounds();
    const auto place = [&b](View& view, float x, float width) {
        const float height =
            dynamic_cast<BarButton*>(&view) ? BarButton::kHeight : view.frame().height();
        const Rect frame{x, (b.height() - height) / 2, width, height};
        if (view.frame() != frame) view.setFrame(frame);
    };
    const auto widthOf = [](View& view) {
        auto* button = dynamic_cast<BarButton*>(&view);
        return button ? button->preferredWidth() : view.frame().width();
    };
    if (leftView_) place(*leftView_, kMargin, widthOf(*leftView_));
    if (rightView_) {
        const float width = widthOf(*rightView_);
        place(*rightView_, b.width() - kMargin - width, width);
    }
    if (titleView) {
        const Rect f = titleView->frame();
        const Rect centred{(b.width() - f.width()) / 2, (b.height() - f.height()) / 2, f.width(),
                           f.height()};
        if (f != centred) titleView->setFrame(centred);
    }
    setNeedsDisplay();
}

// Centred on the bar when the buttons leave room for that, else between them.
Rect NavigationBar::titleBox() const {
    const Rect b = bounds();
    const float leftEdge = leftView_ ? leftView_->frame().maxX() + kTitleGap : kTitleGap;
    const float rightEdge =
        rightView_ ? rightView_->frame().x() - kTitleGap : b.width() - kTitleGap;
    const float inset = std::max(leftEdge, b.width() - rightEdge);
    if (b.width() - 2 * inset >= kMinimumTitleWidth)
        return {inset, 0, b.width() - 2 * inset, b.height()};
    return {leftEdge, 0, std::max(rightEdge - leftEdge, 0.0f), b.height()};
}

void NavigationBar::draw(Painter& painter) {
    Toolbar::drawBlackBarBackground(painter, bounds());
    const auto top = topItem();
    if (!top || top->titleView() || top->title().empty()) return;
    painter.drawText(top->title(), Font::boldSystemFont(kTitleFontSize), Color::whiteColor(),
                     titleBox(), TextAlignment::Center);
}

}  // namespace platform
