#pragma once

#include "platform/ui/Geometry.h"

#include <vector>

namespace platform {

class View;

enum class TouchPhase { Began, Moved, Ended, Cancelled };

// One finger on the screen. Locations are kept in window coordinates and converted on request.
struct Touch {
    Point locationInWindow;
    Point previousLocationInWindow;
    TouchPhase phase = TouchPhase::Began;
    double timestamp = 0;
    int tapCount = 1;

    Point locationInView(const View& view) const;
    Point previousLocationInView(const View& view) const;
};

// The touches of one event. A single finger is all the host delivers, so anyObject() is it.
struct TouchSet {
    std::vector<Touch> touches;
    const Touch& anyObject() const { return touches.front(); }
};

struct Event {
    double timestamp = 0;
};

}  // namespace platform
