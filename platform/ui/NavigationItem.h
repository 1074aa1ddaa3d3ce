#pragma once

#include <memory>
#include <string>

#include "platform/ui/BarButtonItem.h"

namespace platform {

class View;

// What a navigation bar shows while a screen is on top: a title (or a view in its place) and
// the buttons on either side. Each screen has one. The bar showing the item (held weakly) is
// told when it changes.
class NavigationItem {
public:
    explicit NavigationItem(std::string title = {}) : title_(std::move(title)) {}

    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    // Shown centred in place of the title.
    const std::shared_ptr<View>& titleView() const { return titleView_; }
    void setTitleView(std::shared_ptr<View> view);
    // Replaces the back button while the item is on top.
    const std::shared_ptr<BarButtonItem>& leftBarButtonItem() const { return left_; }
    void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item);
    const std::shared_ptr<BarButtonItem>& rightBarButtonItem() const { return right_; }
    void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item);

    // Set by the bar that shows the item.
    void setHost(std::weak_ptr<View> host) { host_ = std::move(host); }

private:
    void notifyHost();

    std::string title_;
    std::shared_ptr<View> titleView_;
    std::shared_ptr<BarButtonItem> left_;
    std::shared_ptr<BarButtonItem> right_;
    std::weak_ptr<View> host_;  // non-owning
};

}  // namespace platform
