#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/sensors/AccelerometerSource.h"

namespace platform {

// A Linux industrial-I/O accelerometer read through sysfs, whose readings are in m/s^2. Each
// reading opens and reads the three raw files afresh, so a device that goes away is noticed at
// the next sample. Axes and signs are passed on as the driver reports them: a shake is
// measured from differences between samples, so the mounting of the chip does not matter to the
// board.
class IioAccelerometerSource final : public AccelerometerSource {
public:
    static constexpr const char* kDevicesFolder = "/sys/bus/iio/devices";

    // The first device, by folder name, among `devicesFolder`/iio:device* with raw x, y and z
    // accelerations and a scale for each (in_accel_<axis>_scale, else in_accel_scale); offsets
    // (in_accel_<axis>_offset, else in_accel_offset) are optional. nullptr when there is none;
    // a device whose scale or offset cannot be read is skipped with a log line.
    static std::unique_ptr<IioAccelerometerSource> open(
        const std::filesystem::path& devicesFolder = kDevicesFolder);

    Acceleration read() override;

    const std::filesystem::path& device() const { return device_; }

private:
    // One axis: reading = (raw + offset) * scale, in m/s^2.
    struct Axis {
        std::string rawPath;
        double scale = 0;
        double offset = 0;
    };

    IioAccelerometerSource(std::filesystem::path device, std::array<Axis, 3> axes);
    // The files of one axis ("x", "y" or "z") of `device`; nothing when the device lacks them
    // or they hold something other than a number (logged).
    static std::optional<Axis> openAxis(const std::filesystem::path& device,
                                        const std::string& axis);

    std::filesystem::path device_;
    std::array<Axis, 3> axes_;
    Acceleration last_ = kAtRest;
    bool failed_ = false;
};

}  // namespace platform
