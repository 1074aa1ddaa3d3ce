#include "app/DBSlider.h"

#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/Image.h"
#include "platform/ui/Painter.h"
#include "platform/ui/View.h"

#include <cmath>
#include <limits>
#include <string>

namespace {
constexpr const char* kPopOutImage = "sliderPopOut.png";
constexpr const char* kFadeAnimation = "delayLabelOpacity";
constexpr const char* kLabelFont = "Arial-BoldMT";
constexpr float kLabelFontSize = 32;
// The thumb's centre at value 0, from the slider's left edge.
constexpr float kThumbCentre = 15;
// The pop-out moves 1 + 1/90 points per unit of value.
constexpr double kValueStepDivisor = 90;
// The bubble's box: its top above the container's top edge, and its fixed size.
constexpr float kBubbleRise = 72;
constexpr float kBubbleWidth = 82;
constexpr float kBubbleHeight = 111;
// The number's box: left of the slider's left edge, above the container's top edge, square.
constexpr float kLabelLead = 10;
constexpr float kLabelRise = 62;
constexpr float kLabelSide = 50;

// x of a pop-out view of width `width` whose centre is kThumbCentre + offset right of `sliderX`.
// Summed in double precision and stored in single precision, unsnapped.
float popOutX(float sliderX, float width, double offset) {
    const float halfWidthBack = -0.5f * width;
    return static_cast<float>(((static_cast<double>(sliderX) + offset) + halfWidthBack) +
                              kThumbCentre);
}

// The value's whole part, truncated toward zero; NaN counts as 0 and values beyond the int range
// saturate, so that no value makes the conversion undefined.
int wholePart(float value) {
    constexpr float kLimit = 2147483648.0f;  // 2^31
    if (std::isnan(value)) return 0;
    if (value >= kLimit) return std::numeric_limits<int>::max();
    if (value < -kLimit) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}
}  // namespace

DBSlider::DBSlider(const platform::Rect& frame) : platform::Slider(frame) {}

// The base slider sets touched values through here and clamps them to its range.
void DBSlider::setValue(float value) { platform::Slider::setValue(value); }

std::optional<float> DBSlider::valueForTouchLocation(platform::Point location) const {
    const float width = frame().width();
    if (!(width > 0)) return std::nullopt;  // no division by zero
    return (location.x / width) * maximumValue();
}

void DBSlider::thumbDidMove(float value) {
    const double offset =
        static_cast<double>(value) + static_cast<double>(value) / kValueStepDivisor;
    const float sliderX = frame().x();
    if (delayLabel_) {
        delayLabel_->setFrame(
            delayLabel_->frame().withX(popOutX(sliderX, delayLabel_->frame().width(), offset)));
        delayLabel_->setText(std::to_string(wholePart(value)));
    }
    if (delayLabelBackground_) {
        const platform::Rect bubble = delayLabelBackground_->frame();
        delayLabelBackground_->setFrame(bubble.withX(popOutX(sliderX, bubble.width(), offset)));
    }
}

void DBSlider::touchesBegan(const platform::TouchSet& touches, const platform::Event& event) {
    if (!delayLabel_) loadDelayLabel();
    fadeDelayLabel(1);
    platform::Slider::touchesBegan(touches, event);
}

void DBSlider::touchesMoved(const platform::TouchSet& touches, const platform::Event& event) {
    // The base slider follows only a touch it saw begin; a move handed over on its own still
    // moves the value, through the same mapping.
    if (!isTracking())
        if (const auto value = valueForTouchLocation(touches.anyObject().locationInView(*this)))
            setValue(*value);
    fadeDelayLabel(1);
    platform::Slider::touchesMoved(touches, event);
}

// The value stays where the last touch put it.
void DBSlider::touchesEnded(const platform::TouchSet& touches, const platform::Event& event) {
    fadeDelayLabel(0);
    platform::Slider::touchesEnded(touches, event);
}

void DBSlider::fadeDelayLabel(float alpha) {
    platform::View::beginAnimations(kFadeAnimation);
    // A fade already under way turns round from the opacity now on screen.
    platform::View::setAnimationBeginsFromCurrentState(true);
    if (delayLabel_) delayLabel_->setAlpha(alpha);
    if (delayLabelBackground_) delayLabelBackground_->setAlpha(alpha);
    platform::View::commitAnimations();
}

void DBSlider::loadDelayLabel() {
    platform::View* container = superview();
    platform::View* host = container ? container->superview() : nullptr;
    // Both are used unchanged as coordinates in the host view.
    const float sliderX = frame().x();
    const float containerY = container ? container->frame().y() : 0;

    // The image view takes the image's size, whose width centres the bubble over the thumb at
    // value 0; then the bubble gets its fixed box, in which the image is drawn unscaled.
    delayLabelBackground_ =
        std::make_shared<platform::ImageView>(platform::Image::named(kPopOutImage));
    delayLabelBackground_->setContentMode(platform::ContentMode::Center);
    const float imageWidth = delayLabelBackground_->frame().width();
    delayLabelBackground_->setFrame({sliderX + (-0.5f * imageWidth) + kThumbCentre,
                                     containerY - kBubbleRise, kBubbleWidth, kBubbleHeight});
    delayLabelBackground_->setAlpha(0);

    delayLabel_ = std::make_shared<platform::Label>();
    delayLabel_->setFrame({sliderX - kLabelLead, containerY - kLabelRise, kLabelSide, kLabelSide});
    delayLabel_->setAlpha(0);
    delayLabel_->setTextAlignment(platform::TextAlignment::Center);
    delayLabel_->setFont(platform::Font::named(kLabelFont, kLabelFontSize));
    delayLabel_->setTextColor(platform::Color::darkGray());
    delayLabel_->setBackgroundColor(platform::Color::clear());
    delayLabel_->setText("0");
    // They stay above the toolbar when a taller window moves it down.
    delayLabelBackground_->setAutoresizingMask(platform::kAutoresizingFlexibleTopMargin);
    delayLabel_->setAutoresizingMask(platform::kAutoresizingFlexibleTopMargin);

    if (!host) return;
    host->addSubview(delayLabelBackground_);
    host->addSubview(delayLabel_);
}
