#include "platform/ui/Button.h"

#include "platform/ui/Painter.h"

namespace platform {
namespace {
constexpr Color kRoundedRectTitle = Color::rgb(0.196f, 0.31f, 0.522f);
constexpr Color kRoundedRectBorder = Color::white(0.6f);
constexpr Color kHighlightBlue = Color::rgb(0.02f, 0.45f, 0.93f);
constexpr float kRoundedRectRadius = 8;
}  // namespace

std::shared_ptr<Button> Button::buttonWithType(ButtonType type) {
    return std::make_shared<Button>(type);
}

Button::Button(ButtonType type, const Rect& frame)
    : Control(frame), type_(type), titleLabel_(std::make_shared<Label>()) {
    titleLabel_->setFont(Font::boldSystemFont(15));
    titleLabel_->setTextAlignment(TextAlignment::Center);
    addSubview(titleLabel_);
    contentChanged();
}

template <class Field>
Field Button::lookup(uint32_t state, Field StateContent::*field) const {
    if (auto it = content_.find(state); it != content_.end() && it->second.*field)
        return it->second.*field;
    if (auto it = content_.find(kControlStateNormal); it != content_.end())
        return it->second.*field;
    return Field{};
}

void Button::setTitle(std::string title, uint32_t state) {
    content_[state].title = std::move(title);
    contentChanged();
}

std::string Button::titleForState(uint32_t state) const {
    return lookup(state, &StateContent::title).value_or(std::string());
}

void Button::setTitleColor(Color color, uint32_t state) {
    content_[state].titleColor = color;
    contentChanged();
}

Color Button::titleColorForState(uint32_t state) const {
    if (auto color = lookup(state, &StateContent::titleColor)) return *color;
    const bool highlighted = state & kControlStateHighlighted;
    if (type_ == ButtonType::RoundedRect && !highlighted) return kRoundedRectTitle;
    return Color::whiteColor();
}

void Button::setImage(std::shared_ptr<const Image> image, uint32_t state) {
    content_[state].image = std::move(image);
    contentChanged();
}

std::shared_ptr<const Image> Button::imageForState(uint32_t state) const {
    return lookup(state, &StateContent::image);
}

void Button::setBackgroundImage(std::shared_ptr<const Image> image, uint32_t state) {
    content_[state].backgroundImage = std::move(image);
    contentChanged();
}

std::shared_ptr<const Image> Button::backgroundImageForState(uint32_t state) const {
    return lookup(state, &StateContent::backgroundImage);
}

void Button::stateDidChange() { contentChanged(); }

void Button::contentAlignmentDidChange() { contentChanged(); }

void Button::contentChanged() {
    titleLabel_->setText(currentTitle());
    titleLabel_->setTextColor(titleColorForState(state()));
    switch (contentHorizontalAlignment()) {
        case ControlContentHorizontalAlignment::Left:
            titleLabel_->setTextAlignment(TextAlignment::Left);
            break;
        case ControlContentHorizontalAlignment::Right:
            titleLabel_->setTextAlignment(TextAlignment::Right);
            break;
        default:
            titleLabel_->setTextAlignment(TextAlignment::Center);
            break;
    }
    setNeedsLayout();
}

Rect Button::imageRect() const {
    const auto image = currentImage();
    if (!image) return kRectZero;
    const Rect b = bounds();
    Size size = image->size();
    if (contentHorizontalAlignment() == ControlContentHorizontalAlignment::Fill)
        size.width = b.width();
    if (contentVerticalAlignment() == ControlContentVerticalAlignment::Fill)
        size.height = b.height();

    float x = b.midX() - size.width / 2;
    if (contentHorizontalAlignment() == ControlContentHorizontalAlignment::Left ||
        !currentTitle().empty())
        x = b.x();
    else if (contentHorizontalAlignment() == ControlContentHorizontalAlignment::Right)
        x = b.maxX() - size.width;
    else if (contentHorizontalAlignment() == ControlContentHorizontalAlignment::Fill)
        x = b.x();

    float y = b.midY() - size.height / 2;
    if (contentVerticalAlignment() == ControlContentVerticalAlignment::Top ||
        contentVerticalAlignment() == ControlContentVerticalAlignment::Fill)
        y = b.y();
    else if (contentVerticalAlignment() == ControlContentVerticalAlignment::Bottom)
        y = b.maxY() - size.height;
    return {x, y, size.width, size.height};
}

void Button::layoutSubviews() {
    const Rect b = bounds();
    const Rect image = imageRect();
    const float left = image.width() > 0 ? image.maxX() : b.x();
    titleLabel_->setFrame({left, b.y(), b.maxX() - left, b.height()});
}

void Button::drawRoundedRect(Painter& painter) const {
    const Rect b = bounds();
    painter.fillRoundedRect(b, kRoundedRectRadius, kRoundedRectBorder);
    painter.fillRoundedRect(b.insetBy(1, 1), kRoundedRectRadius - 1,
                            isHighlighted() ? kHighlightBlue : Color::whiteColor());
}

void Button::draw(Painter& painter) {
    View::draw(painter);
    // A custom button with a background colour brightens it while the finger is on it.
    if (type_ == ButtonType::Custom && isHighlighted() && !backgroundColor().isClear()) {
        constexpr Color kBrighten = Color::white(1, 0.3f);
        if (cornerRadius() > 0)
            painter.fillRoundedRect(bounds(), cornerRadius(), kBrighten);
        else
            painter.fillRect(bounds(), kBrighten);
    }
    if (type_ == ButtonType::RoundedRect) drawRoundedRect(painter);
    if (auto background = currentBackgroundImage()) painter.drawImage(*background, bounds());
    if (auto image = currentImage()) painter.drawImage(*image, imageRect());
}

}  // namespace platform
