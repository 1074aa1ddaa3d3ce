#include "platform/ui/Slider.h"

#include "platform/ui/Painter.h"

#include <algorithm>
#include <cmath>

namespace platform {
namespace {
constexpr Color kFilledTrack = Color::rgb(0.0f, 0.47f, 0.93f);
constexpr Color kEmptyTrack = Color::white(0.97f);
constexpr Color kBorder = Color::white(0.55f);
}  // namespace

Slider::Slider(const Rect& frame) : Control(frame) { layoutThumb(); }

void Slider::setValue(float value) {
    if (std::isnan(value) || value < minimumValue_) value = minimumValue_;
    if (value > maximumValue_) value = maximumValue_;
    value_ = value;
    // While a finger is on the slider, the value it reaches is reported by followTouch().
    if (!isTracking()) reportedValue_ = value_;
    layoutThumb();
    setNeedsDisplay();
}

void Slider::setMinimumValue(float value) {
    if (std::isnan(value)) return;
    minimumValue_ = value;
    if (maximumValue_ < minimumValue_) maximumValue_ = minimumValue_;
    setValue(value_);
}

void Slider::setMaximumValue(float value) {
    if (std::isnan(value)) return;
    maximumValue_ = value;
    if (minimumValue_ > maximumValue_) minimumValue_ = maximumValue_;
    setValue(value_);
}

Rect Slider::trackRectForBounds(const Rect& bounds) const {
    return {bounds.x() + kTrackInset, bounds.midY() - kTrackHeight / 2,
            std::max(bounds.width() - 2 * kTrackInset, 0.0f), kTrackHeight};
}

Rect Slider::thumbRectForBounds(const Rect& bounds, const Rect& trackRect, float value) const {
    const float range = maximumValue_ - minimumValue_;
    const float fraction = range > 0 ? std::clamp((value - minimumValue_) / range, 0.0f, 1.0f) : 0;
    const float travel = std::max(trackRect.width() - kThumbSize, 0.0f);
    return {trackRect.x() + fraction * travel, bounds.midY() - kThumbSize / 2, kThumbSize,
            kThumbSize};
}

void Slider::layoutThumb() {
    const Rect b = bounds();
    thumbRect_ = thumbRectForBounds(b, trackRectForBounds(b), value_);
    thumbDidMove(value_);
}

void Slider::setFrame(const Rect& frame) {
    Control::setFrame(frame);
    layoutThumb();
}

std::optional<float> Slider::valueForTouchLocation(Point location) const {
    const float width = frame().width();
    if (!(width > 0)) return std::nullopt;
    return minimumValue_ + (location.x / width) * (maximumValue_ - minimumValue_);
}

void Slider::followTouch(const Touch& touch) {
    if (const auto value = valueForTouchLocation(touch.locationInView(*this))) setValue(*value);
    if (value_ != reportedValue_) {
        reportedValue_ = value_;
        sendActionsForControlEvents(kControlEventValueChanged);
    }
}

void Slider::touchesBegan(const TouchSet& touches, const Event& event) {
    Control::touchesBegan(touches, event);
    if (isTracking()) followTouch(touches.anyObject());
}

void Slider::touchesMoved(const TouchSet& touches, const Event& event) {
    Control::touchesMoved(touches, event);
    if (isTracking()) followTouch(touches.anyObject());
}

void Slider::draw(Painter& painter) {
    View::draw(painter);
    const Rect b = bounds();
    const Rect track = trackRectForBounds(b);
    const float radius = track.height() / 2;
    painter.fillRoundedRect(track, radius, kBorder);
    painter.fillRoundedRect(track.insetBy(1, 1), radius - 1, kEmptyTrack);
    const float filled = std::clamp(thumbRect_.midX() - track.x(), 0.0f, track.width());
    if (filled > 0)
        painter.fillRoundedRect({track.x(), track.y(), filled, track.height()}, radius,
                                kFilledTrack);
    painter.fillRoundedRect(thumbRect_, kThumbSize / 2, kBorder);
    painter.fillRoundedRect(thumbRect_.insetBy(1, 1), kThumbSize / 2 - 1, Color::whiteColor());
}

}  // namespace platform
