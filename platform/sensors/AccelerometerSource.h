#pragma once

#include "platform/ui/Accelerometer.h"

namespace platform {

// Something that measures the device's acceleration, read on the main thread whenever the feed
// wants a sample.
class AccelerometerSource {
public:
    // A device lying still, face up: gravity points straight through the back of the screen.
    static constexpr Acceleration kAtRest{0, 0, -1, 0};
    // One g in m/s^2, the unit sensors report in.
    static constexpr double kStandardGravity = 9.80665;

    virtual ~AccelerometerSource() = default;

    // The current reading in units of gravity; the timestamp is left for the caller. A source
    // that can no longer read says so in one log line and from then on reports the device at
    // rest where it last was, so that losing a sensor never looks like a shake.
    virtual Acceleration read() = 0;
};

}  // namespace platform
