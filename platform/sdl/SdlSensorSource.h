#pragma once

#include <SDL2/SDL.h>

#include <memory>

#include "platform/sensors/AccelerometerSource.h"

namespace platform {

// The first accelerometer that SDL's sensor subsystem offers. SDL reports m/s^2 with a device at
// rest reading one g away from the earth; samples are converted to g and negated, so that a
// device lying face up reads z = -1 like AccelerometerSource::kAtRest.
//
// The source polls: opening it turns off SDL's per-reading sensor events, which would otherwise
// wake the host at the sensor's own rate, and each read updates the sensors itself.
//
// The source runs SDL's sensor subsystem for as long as it lives, and only then: while that
// subsystem runs with its sensor events on, SDL's event wait wakes every 3 s to look for sensors,
// so without an accelerometer it is stopped again at once.
class SdlSensorSource final : public AccelerometerSource {
public:
    // nullptr when SDL's sensor subsystem cannot start or has no accelerometer.
    static std::unique_ptr<SdlSensorSource> open();

    ~SdlSensorSource() override;
    SdlSensorSource(const SdlSensorSource&) = delete;
    SdlSensorSource& operator=(const SdlSensorSource&) = delete;

    Acceleration read() override;

private:
    using SensorPtr = std::unique_ptr<SDL_Sensor, decltype(&SDL_SensorClose)>;

    explicit SdlSensorSource(SensorPtr sensor);

    SensorPtr sensor_;
    Acceleration last_ = kAtRest;
    bool failed_ = false;
};

}  // namespace platform
