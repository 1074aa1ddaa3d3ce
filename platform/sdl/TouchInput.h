#pragma once

#include <SDL2/SDL.h>

#include <optional>

#include "platform/ui/Geometry.h"
#include "platform/ui/Touch.h"

namespace platform {

// Turns SDL pointer events into the one finger the view tree understands: the left mouse
// button (press, drag, release) or the first finger on a touch screen. While one of them is
// down, the other and any further fingers are ignored. A finger is known by its touch device
// and its number on that device: two devices (a screen and a pen digitiser, say) number their
// fingers each from 0. Locations come out in window points.
class TouchInput {
public:
    struct Sample {
        TouchPhase phase;
        Point location;
    };

    // `screen` is the window's size in points; `windowUnitsPerPoint` converts mouse
    // coordinates (window units) to points.
    TouchInput(Size screen, float windowUnitsPerPoint);

    // After a resize: the window's size in window units, the units per point, and where the
    // screen's top left corner lies in the window, in window units.
    void setGeometry(Size window, float windowUnitsPerPoint, Point origin);

    // The touch an event makes, if any.
    std::optional<Sample> translate(const SDL_Event& event);
    // Ends a touch that is down as cancelled (the window lost focus); nothing when none is.
    std::optional<Sample> cancel();

private:
    enum class Source { None, Mouse, Finger };

    std::optional<Sample> fromMouse(const SDL_Event& event);
    std::optional<Sample> fromFinger(const SDL_Event& event);
    Sample sample(TouchPhase phase, Point location);

    Point toPoints(float x, float y) const;

    Size window_;  // window units
    float windowUnitsPerPoint_;
    Point origin_;  // window units
    Source source_ = Source::None;
    SDL_TouchID touchDevice_ = 0;
    SDL_FingerID finger_ = 0;
    Point last_;
};

}  // namespace platform
