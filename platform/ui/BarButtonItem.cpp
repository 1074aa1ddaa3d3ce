#include "platform/ui/BarButtonItem.h"

#include "platform/ui/View.h"

namespace platform {

BarButtonItem::BarButtonItem(std::string title, BarButtonItemStyle style)
    : title_(std::move(title)), style_(style) {}

BarButtonItem::BarButtonItem(std::shared_ptr<const Image> image, BarButtonItemStyle style)
    : style_(style), image_(std::move(image)) {}

BarButtonItem::BarButtonItem(std::shared_ptr<View> customView)
    : customView_(std::move(customView)) {}

std::shared_ptr<BarButtonItem> BarButtonItem::flexibleSpace() {
    std::shared_ptr<BarButtonItem> item(new BarButtonItem());
    item->flexibleSpace_ = true;
    return item;
}

void BarButtonItem::setTitle(std::string title) {
    if (title == title_) return;
    title_ = std::move(title);
    notifyHost();
}

void BarButtonItem::setStyle(BarButtonItemStyle style) {
    if (style == style_) return;
    style_ = style;
    notifyHost();
}

void BarButtonItem::setImage(std::shared_ptr<const Image> image) {
    image_ = std::move(image);
    notifyHost();
}

void BarButtonItem::trigger() {
    // The action may replace itself (or drop the last reference to this item) while it runs.
    auto self = weak_from_this().lock();
    auto action = action_;
    if (action) action(*this);
}

void BarButtonItem::notifyHost() {
    if (auto host = host_.lock()) {
        host->setNeedsLayout();
        host->setNeedsDisplay();
    }
}

}  // namespace platform
