#include "app/CustomCell.h"

#include "app/SoundEffect.h"
#include "platform/ui/Color.h"
#include "platform/ui/Image.h"
#include "platform/ui/Painter.h"

namespace {
constexpr const char* kCheckedImage = "checked.png";
constexpr const char* kUncheckedImage = "unchecked.png";
constexpr float kTitleFontSize = 18;
constexpr float kCheckButtonLeft = 6;
constexpr float kCheckButtonTop = 7;
}  // namespace

std::shared_ptr<CustomCell> CustomCell::create(const platform::Rect& frame,
                                               const std::string& reuseIdentifier) {
    auto cell = std::make_shared<CustomCell>(Token{}, frame, reuseIdentifier);
    const platform::Rect contentBounds = cell->contentView()->bounds();
    cell->buildTitleLabel(contentBounds);
    cell->buildCheckButton(contentBounds);
    // The button holds the cell weakly, so the cell and its button form no cycle.
    cell->checkButton_->addTarget(cell, &CustomCell::checkAction, platform::kControlEventTouchDown);
    return cell;
}

CustomCell::CustomCell(Token, const platform::Rect& frame, const std::string& reuseIdentifier)
    : platform::TableViewCell(frame, reuseIdentifier) {}

void CustomCell::buildTitleLabel(const platform::Rect& contentBounds) {
    titleLabel_ = std::make_shared<platform::Label>();
    titleLabel_->setBackgroundColor(platform::Color::clear());
    titleLabel_->setOpaque(false);
    titleLabel_->setTextColor(platform::Color::black());
    // The table highlights the labels of a selected row; the title then turns white.
    titleLabel_->setHighlightedTextColor(platform::Color::whiteColor());
    titleLabel_->setFont(platform::Font::boldSystemFont(kTitleFontSize));
    titleLabel_->setTextAlignment(platform::TextAlignment::Center);
    titleLabel_->setAutoresizingMask(platform::kAutoresizingFlexibleWidth);
    titleLabel_->setFrame(contentBounds);
    contentView()->addSubview(titleLabel_);
}

void CustomCell::buildCheckButton(const platform::Rect& contentBounds) {
    checkButton_ = platform::Button::buttonWithType(platform::ButtonType::Custom);
    checkButton_->setContentVerticalAlignment(platform::ControlContentVerticalAlignment::Center);
    checkButton_->setContentHorizontalAlignment(
        platform::ControlContentHorizontalAlignment::Center);
    checkButton_->setBackgroundColor(platform::Color::clear());

    // The button takes the natural size of the checked image (none when it is missing). A new
    // cell has no clip yet, which counts as shown.
    const auto checked = platform::Image::named(kCheckedImage);
    const platform::Size size = checked ? checked->size() : platform::Size{};
    checkButton_->setFrame(
        {contentBounds.x() + kCheckButtonLeft, kCheckButtonTop, size.width, size.height});
    checkButton_->setBackgroundImage(checked, platform::kControlStateNormal);

    // Into the cell's own view, above the content view, so that indenting the content view
    // while editing leaves the button where it is.
    contentView()->superview()->addSubview(checkButton_);
}

void CustomCell::checkAction(platform::Control&) {
    if (sound_) sound_->setHidden(!sound_->hidden());
    const bool hidden = sound_ && sound_->hidden();
    if (checkButton_)
        checkButton_->setImage(platform::Image::named(hidden ? kUncheckedImage : kCheckedImage),
                               platform::kControlStateNormal);
    if (titleLabel_)
        titleLabel_->setTextColor(hidden ? platform::Color::gray() : platform::Color::black());
}
