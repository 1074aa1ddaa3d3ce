#include "platform/sdl/TouchInput.h"

#include <algorithm>

namespace platform {

TouchInput::TouchInput(Size screen, float windowUnitsPerPoint)
    : screen_(screen), windowUnitsPerPoint_(std::max(windowUnitsPerPoint, 1e-3f)) {}

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
        return sample(TouchPhase::Moved, {event.motion.x / windowUnitsPerPoint_,
                                          event.motion.y / windowUnitsPerPoint_});
    }
    if (event.button.button != SDL_BUTTON_LEFT) return std::nullopt;
    const Point location{event.button.x / windowUnitsPerPoint_,
                         event.button.y / windowUnitsPerPoint_};
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
    const Point location{finger.x * screen_.width, finger.y * screen_.height};
    if (event.type == SDL_FINGERDOWN) {
        if (source_ != Source::None) return std::nullopt;
        source_ = Source::Finger;
        finger_ = finger.fingerId;
        return sample(TouchPhase::Began, location);
    }
    if (source_ != Source::Finger || finger.fingerId != finger_) return std::nullopt;
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
