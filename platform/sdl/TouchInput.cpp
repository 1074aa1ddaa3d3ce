#include "platform/sdl/TouchInput.h"

#include <algorithm>

namespace platform {

TouchInput::TouchInput(Size screen, float windowUnitsPerPoint) {
    setGeometry({screen.width * windowUnitsPerPoint, screen.height * windowUnitsPerPoint},
                windowUnitsPerPoint, {});
}

void TouchInput::setGeometry(Size window, float windowUnitsPerPoint, Point origin) {
    window_ = window;
    windowUnitsPerPoint_ = std::max(windowUnitsPerPoint, 1e-3f);
    origin_ = origin;
}

Point TouchInput::toPoints(float x, float y) const {
    return {(x - origin_.x) / windowUnitsPerPoint_, (y - origin_.y) / windowUnitsPerPoint_};
}

std::optional<TouchInput::Sample> TouchInput::translate(const SDL_Event& event) {
    switch (event.type) {
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
        case SDL_MOUSEMOTION:
            return fromMouse(event);
        case SDL_FINGERDOWN:
        case SDL_FINGERUP:
        case SDL_FINGERMOTION:
            return fromFinger(event);
        default:
            return std::nullopt;
    }
}

std::optional<TouchInput::Sample> TouchInput::fromMouse(const SDL_Event& event) {
    // SDL mirrors touches as mouse events; the finger events already carry them.
    const bool fromTouch = event.type == SDL_MOUSEMOTION ? event.motion.which == SDL_TOUCH_MOUSEID
                                                         : event.button.which == SDL_TOUCH_MOUSEID;
    if (fromTouch) return std::nullopt;

    if (event.type == SDL_MOUSEMOTION) {
        if (source_ != Source::Mouse) return std::nullopt;
        return sample(TouchPhase::Moved, toPoints(static_cast<float>(event.motion.x),
                                                  static_cast<float>(event.motion.y)));
    }
    if (event.button.button != SDL_BUTTON_LEFT) return std::nullopt;
    const Point location =
        toPoints(static_cast<float>(event.button.x), static_cast<float>(event.button.y));
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        if (source_ != Source::None) return std::nullopt;
        source_ = Source::Mouse;
        return sample(TouchPhase::Began, location);
    }
    if (source_ != Source::Mouse) return std::nullopt;
    source_ = Source::None;
    return sample(TouchPhase::Ended, location);
}

std::optional<TouchInput::Sample> TouchInput::fromFinger(const SDL_Event& event) {
    const SDL_TouchFingerEvent& finger = event.tfinger;
    // Finger positions are normalised to the window: 0..1 across each side.
    const Point location = toPoints(finger.x * window_.width, finger.y * window_.height);
    if (event.type == SDL_FINGERDOWN) {
        if (source_ != Source::None) return std::nullopt;
        source_ = Source::Finger;
        touchDevice_ = finger.touchId;
        finger_ = finger.fingerId;
        return sample(TouchPhase::Began, location);
    }
    const bool tracked =
        source_ == Source::Finger && finger.touchId == touchDevice_ && finger.fingerId == finger_;
    if (!tracked) return std::nullopt;
    if (event.type == SDL_FINGERMOTION) return sample(TouchPhase::Moved, location);
    source_ = Source::None;
    return sample(TouchPhase::Ended, location);
}

std::optional<TouchInput::Sample> TouchInput::cancel() {
    if (source_ == Source::None) return std::nullopt;
    source_ = Source::None;
    return sample(TouchPhase::Cancelled, last_);
}

TouchInput::Sample TouchInput::sample(TouchPhase phase, Point location) {
    last_ = location;
    return {phase, location};
}

}  // namespace platform
