#pragma once

#include "platform/ui/Geometry.h"

namespace platform {

class Window;

// Sends one finger to a window the way the host does, stamped with the main run loop's time.
// Between steps it lets virtual time pass on the main run loop (runFor), so timers that the
// touches start (highlight delays, animations) run as they would on a device.
class TouchDriver {
public:
    static void down(Window& window, Point point);
    static void move(Window& window, Point point);
    static void up(Window& window, Point point);
    static void cancel(Window& window, Point point);

    // Down and up at `point`, `holdSeconds` apart; then runs what is due.
    static void tap(Window& window, Point point, double holdSeconds = 0.05);
    // Down at `from`, `steps` moves evenly spaced to `to`, `secondsPerStep` apart, and up at
    // `to`; then runs what is due.
    static void drag(Window& window, Point from, Point to, int steps = 10,
                     double secondsPerStep = 1.0 / 60);
};

}  // namespace platform
