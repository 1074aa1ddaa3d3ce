#include "platform/ui/NavigationItem.h"

#include "platform/ui/View.h"

namespace platform {

void NavigationItem::setTitle(std::string title) {
    if (title == title_) return;
    title_ = std::move(title);
    notifyHost();
}

void NavigationItem::setTitleView(std::shared_ptr<View> view) {
    titleView_ = std::move(view);
    notifyHost();
}

void NavigationItem::setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item) {
    left_ = std::move(item);
    notifyHost();
}

void NavigationItem::setRightBarButtonItem(std::shared_ptr<BarButtonItem> item) {
    right_ = std::move(item);
    notifyHost();
}

void NavigationItem::notifyHost() {
    if (auto host = host_.lock()) host->setNeedsLayout();
}

}  // namespace platform
