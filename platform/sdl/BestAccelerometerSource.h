#pragma once

#include <filesystem>
#include <memory>

#include "platform/sensors/AccelerometerSource.h"
#include "platform/sensors/IioAccelerometerSource.h"

namespace platform {

// The best accelerometer present: an IIO accelerometer under `iioDevicesFolder`, else SDL's first
// accelerometer, else none (nullptr: a device at rest). Says in one log line which it reads.
std::unique_ptr<AccelerometerSource> bestAccelerometerSource(
    const std::filesystem::path& iioDevicesFolder = IioAccelerometerSource::kDevicesFolder);

}  // namespace platform
