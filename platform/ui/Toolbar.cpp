#include "platform/ui/Toolbar.h"

#include <algorithm>

#include "platform/ui/BarButton.h"
#include "platform/ui/Painter.h"

namespace platform {
namespace {
constexpr Color kBarTop = Color::white(0.32f, 0.85f);
constexpr Color kBarBottom = Color::white(0.02f, 0.85f);
constexpr Color kBarTopLine = Color::white(0.45f, 0.85f);
}  // namespace

Toolbar::Toolbar(const Rect& frame) : View(frame) {}

void Toolbar::setItems(std::vector<std::shared_ptr<BarButtonItem>> items) {
    for (const auto& view : itemViews_)
        if (view) view->removeFromSuperview();
    for (const auto& item : items_) item->setHost({});
    itemViews_.clear();

    items_ = std::move(items);
    std::erase(items_, nullptr);
    for (const auto& item : items_) {
        item->setHost(weak_from_this());
        std::shared_ptr<View> view;
        if (item->customView()) {
            view = item->customView();
        } else if (!item->isFlexibleSpace()) {
            view = std::make_shared<BarButton>(item, item->style() == BarButtonItemStyle::Plain
                                                         ? BarButton::Shape::Plain
                                                         : BarButton::Shape::Bordered);
        }
        if (view) addSubview(view);
        itemViews_.push_back(std::move(view));
    }
    layoutItems();
}

std::shared_ptr<View> Toolbar::viewForItem(const BarButtonItem& item) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == &item) return itemViews_[i];
    return nullptr;
}

void Toolbar::layoutSubviews() { layoutItems(); }

void Toolbar::layoutItems() {
    const Rect b = bounds();
    std::vector<float> widths;
    float fixed = 0;
    int flexible = 0;
    int shown = 0;
    for (size_t i = 0; i < items_.size(); ++i) {
        float width = 0;
        if (items_[i]->isFlexibleSpace()) {
            ++flexible;
        } else if (auto* button = dynamic_cast<BarButton*>(itemViews_[i].get())) {
            width = button->preferredWidth();
        } else {
            width = itemViews_[i]->frame().width();
        }
        if (itemViews_[i]) ++shown;
        fixed += width;
        widths.push_back(width);
    }
    const float gaps = kSpacing * static_cast<float>(std::max(shown - 1, 0));
    const float spare = std::max(b.width() - 2 * kMargin - gaps - fixed, 0.0f);
    const float flexibleWidth = flexible > 0 ? spare / static_cast<float>(flexible) : 0;

    float x = kMargin;
    for (size_t i = 0; i < items_.size(); ++i) {
        const auto& view = itemViews_[i];
        if (!view) {
            x += flexibleWidth;
            continue;
        }
        const float height =
            dynamic_cast<BarButton*>(view.get()) ? BarButton::kHeight : view->frame().height();
        const Rect frame{x, (b.height() - height) / 2, widths[i], height};
        if (view->frame() != frame) view->setFrame(frame);
        x += widths[i] + kSpacing;
    }
}

void Toolbar::drawBlackBarBackground(Painter& painter, const Rect& rect) {
    constexpr int kBands = 11;
    const float band = rect.height() / kBands;
    for (int i = 0; i < kBands; ++i) {
        const float t = static_cast<float>(i) / (kBands - 1);
        const Color color{kBarTop.red + (kBarBottom.red - kBarTop.red) * t,
                          kBarTop.green + (kBarBottom.green - kBarTop.green) * t,
                          kBarTop.blue + (kBarBottom.blue - kBarTop.blue) * t, kBarTop.alpha};
        // Bands meet edge to edge: an overlap of translucent bands would show as a line.
        const float top = rect.y() + band * static_cast<float>(i);
        const float bottom = i + 1 == kBands ? rect.maxY() : top + band;
        painter.fillRect({rect.x(), top, rect.width(), bottom - top}, color);
    }
    painter.fillRect({rect.x(), rect.y(), rect.width(), 1}, kBarTopLine);
}

void Toolbar::draw(Painter& painter) { drawBlackBarBackground(painter, bounds()); }

}  // namespace platform
