#include "platform/sdl/SdlSensorSource.h"

#include <cmath>

#include "platform/foundation/Log.h"

namespace platform {
namespace {
// SDL may not know a sensor's name.
const char* nameOrUnnamed(const char* name) { return name ? name : "unnamed sensor"; }
}  // namespace

std::unique_ptr<SdlSensorSource> SdlSensorSource::open() {
    // SDL counts starts: each one here is matched by a stop below or in the destructor.
    if (SDL_InitSubSystem(SDL_INIT_SENSOR) != 0) {
        Log::print("No sensors: %s", SDL_GetError());
        return nullptr;
    }
    for (int index = 0; index < SDL_NumSensors(); ++index) {
        if (SDL_SensorGetDeviceType(index) != SDL_SENSOR_ACCEL) continue;
        SensorPtr sensor(SDL_SensorOpen(index), &SDL_SensorClose);
        if (!sensor) {
            Log::print("Accelerometer: cannot open %s: %s",
                       nameOrUnnamed(SDL_SensorGetDeviceName(index)), SDL_GetError());
            continue;
        }
        SDL_EventState(SDL_SENSORUPDATE, SDL_IGNORE);
        return std::unique_ptr<SdlSensorSource>(new SdlSensorSource(std::move(sensor)));
    }
    SDL_QuitSubSystem(SDL_INIT_SENSOR);
    return nullptr;
}

SdlSensorSource::SdlSensorSource(SensorPtr sensor) : sensor_(std::move(sensor)) {}

SdlSensorSource::~SdlSensorSource() {
    sensor_.reset();  // closed while the subsystem still runs
    SDL_QuitSubSystem(SDL_INIT_SENSOR);
}

Acceleration SdlSensorSource::read() {
    if (failed_) return last_;
    SDL_SensorUpdate();
    float data[3] = {};
    const bool read = SDL_SensorGetData(sensor_.get(), data, 3) == 0;
    if (!read || !std::isfinite(data[0]) || !std::isfinite(data[1]) || !std::isfinite(data[2])) {
        Log::print("Accelerometer: cannot read %s: %s; the device now counts as lying still",
                   nameOrUnnamed(SDL_SensorGetName(sensor_.get())),
                   read ? "not a number" : SDL_GetError());
        failed_ = true;
        return last_;
    }
    const double toG = -1.0 / kStandardGravity;
    last_ = Acceleration{data[0] * toG, data[1] * toG, data[2] * toG, 0};
    return last_;
}

}  // namespace platform
