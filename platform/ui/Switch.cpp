#include "platform/ui/Switch.h"

#include "platform/ui/Painter.h"

namespace platform {
namespace {
constexpr float kKnobWidth = 40;
constexpr float kRadius = 6;
constexpr Color kOnTrack = Color::rgb(0.0f, 0.47f, 0.93f);
constexpr Color kOffTrack = Color::white(0.9f);
constexpr Color kBorder = Color::white(0.55f);
}  // namespace

Switch::Switch(const Rect& frame)
    : Control(Rect(frame.x(), frame.y(), kWidth, kHeight)), knob_(std::make_shared<View>()) {
    // The knob is a grey rounded edge around a white rounded face.
    knob_->setFrame(knobFrame(false));
    knob_->setBackgroundColor(kBorder);
    knob_->setCornerRadius(kRadius);
    knob_->setUserInteractionEnabled(false);
    auto face = std::make_shared<View>(knob_->bounds().insetBy(1, 1));
    face->setBackgroundColor(Color::whiteColor());
    face->setCornerRadius(kRadius - 1);
    face->setAutoresizingMask(kAutoresizingFlexibleWidth | kAutoresizingFlexibleHeight);
    knob_->addSubview(std::move(face));
    addSubview(knob_);
}

Rect Switch::knobFrame(bool on) {
    return {on ? kWidth - kKnobWidth : 0.0f, 0, kKnobWidth, kHeight};
}

void Switch::setFrame(const Rect& frame) {
    Control::setFrame({frame.x(), frame.y(), kWidth, kHeight});
}

void Switch::setOn(bool on, bool animated) {
    if (on == on_) return;
    on_ = on;
    if (animated) {
        beginAnimations("switchKnob");
        setAnimationBeginsFromCurrentState(true);
    }
    knob_->setFrame(knobFrame(on_));
    if (animated) commitAnimations();
    setNeedsDisplay();
}

void Switch::touchesEnded(const TouchSet& touches, const Event& event) {
    const bool toggles = isTracking() && isTouchInside(touches.anyObject());
    Control::touchesEnded(touches, event);
    if (!toggles) return;
    setOn(!on_, true);
    sendActionsForControlEvents(kControlEventValueChanged);
}

void Switch::draw(Painter& painter) {
    View::draw(painter);
    const Rect b = bounds();
    painter.fillRoundedRect(b, kRadius, kBorder);
    painter.fillRoundedRect(b.insetBy(1, 1), kRadius - 1, on_ ? kOnTrack : kOffTrack);
    // The caption sits on the half that the knob leaves free.
    const Font font = Font::boldSystemFont(16);
    if (on_)
        painter.drawText("ON", font, Color::whiteColor(),
                         {b.x(), b.y(), b.width() - kKnobWidth, b.height()}, TextAlignment::Center);
    else
        painter.drawText("OFF", font, Color::white(0.4f),
                         {b.x() + kKnobWidth, b.y(), b.width() - kKnobWidth, b.height()},
                         TextAlignment::Center);
}

}  // namespace platform
