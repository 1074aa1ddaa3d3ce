#include "tests/support/TouchDriver.h"

#include "platform/foundation/RunLoop.h"
#include "platform/ui/Window.h"
#include "platform/foundation/Services.h"

#include <algorithm>

namespace platform {
namespace {
void send(Window& window, TouchPhase phase, Point point) {
    window.sendTouch(phase, point, services().runLoop->now());
}
}  // namespace

void TouchDriver::down(Window& window, Point point) { send(window, TouchPhase::Began, point); }

void TouchDriver::move(Window& window, Point point) { send(window, TouchPhase::Moved, point); }

void TouchDriver::up(Window& window, Point point) { send(window, TouchPhase::Ended, point); }

void TouchDriver::cancel(Window& window, Point point) {
    send(window, TouchPhase::Cancelled, point);
}

void TouchDriver::tap(Window& window, Point point, double holdSeconds) {
    down(window, point);
    services().runLoop->runFor(holdSeconds);
    up(window, point);
    services().runLoop->runUntilIdle();
}

void TouchDriver::drag(Window& window, Point from, Point to, int steps, double secondsPerStep) {
    steps = std::max(steps, 1);
    down(window, from);
    for (int i = 1; i <= steps; ++i) {
        services().runLoop->runFor(secondsPerStep);
        const float t = static_cast<float>(i) / static_cast<float>(steps);
        move(window, {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t});
    }
    up(window, to);
    services().runLoop->runUntilIdle();
}

}  // namespace platform
