#include "platform/sdl/BestAccelerometerSource.h"

#include "platform/foundation/Log.h"
#include "platform/sdl/SdlSensorSource.h"

namespace platform {

std::unique_ptr<AccelerometerSource> bestAccelerometerSource(
    const std::filesystem::path& iioDevicesFolder) {
    if (auto iio = IioAccelerometerSource::open(iioDevicesFolder)) {
        Log::print("Accelerometer: reading %s", iio->device().c_str());
        return iio;
    }
    if (auto sensor = SdlSensorSource::open()) {
        Log::print("Accelerometer: reading SDL's accelerometer");
        return sensor;
    }
    return nullptr;
}

}  // namespace platform
