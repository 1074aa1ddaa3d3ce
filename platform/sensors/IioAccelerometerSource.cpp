#include "platform/sensors/IioAccelerometerSource.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/foundation/Log.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 3> kAxisNames{"x", "y", "z"};

bool isPresent(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

// The one number a sysfs attribute holds, or nothing when the file cannot be read or holds
// anything else. Reads into a stack buffer: this runs for every axis of every sample.
std::optional<double> readNumber(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    char buffer[64];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    // A full buffer is longer than any number an attribute holds.
    if (got <= 0 || static_cast<size_t>(got) == sizeof buffer) return std::nullopt;

    std::string_view text(buffer, static_cast<size_t>(got));
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The axis's own attribute if the device has one, else the one shared by all axes; empty when
// neither exists.
fs::path attribute(const fs::path& device, const std::string& axis, const char* what) {
    const fs::path own = device / ("in_accel_" + axis + "_" + what);
    if (isPresent(own)) return own;
    const fs::path shared = device / (std::string("in_accel_") + what);
    if (isPresent(shared)) return shared;
    return {};
}

std::vector<fs::path> candidateDevices(const fs::path& devicesFolder) {
    std::vector<fs::path> devices;
    std::error_code error;
    for (fs::directory_iterator it(devicesFolder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().filename().string().starts_with("iio:device")) devices.push_back(it->path());
    }
    // Folder order is whatever the file system gives; sorting makes the choice repeatable.
    std::sort(devices.begin(), devices.end());
    return devices;
}

}  // namespace

std::unique_ptr<IioAccelerometerSource> IioAccelerometerSource::open(
    const fs::path& devicesFolder) {
    for (const fs::path& device : candidateDevices(devicesFolder)) {
        std::array<Axis, 3> axes;
        bool usable = true;
        for (size_t i = 0; i < axes.size() && usable; ++i) {
            const auto axis = openAxis(device, kAxisNames[i]);
            if (axis) axes[i] = *axis;
            usable = axis.has_value();
        }
        if (usable)
            return std::unique_ptr<IioAccelerometerSource>(
                new IioAccelerometerSource(device, std::move(axes)));
    }
    return nullptr;
}

std::optional<IioAccelerometerSource::Axis> IioAccelerometerSource::openAxis(
    const fs::path& device, const std::string& axis) {
    const fs::path raw = device / ("in_accel_" + axis + "_raw");
    const fs::path scale = attribute(device, axis, "scale");
    // Not an accelerometer, or one whose readings cannot be converted: passed over quietly.
    if (!isPresent(raw) || scale.empty()) return std::nullopt;

    const fs::path offset = attribute(device, axis, "offset");
    const auto scaleValue = readNumber(scale.string());
    const auto offsetValue = offset.empty() ? std::optional(0.0) : readNumber(offset.string());
    if (!scaleValue || !offsetValue) {
        Log::print("Accelerometer: skipping %s, unreadable %s", device.c_str(),
                   (scaleValue ? offset : scale).filename().c_str());
        return std::nullopt;
    }
    return Axis{raw.string(), *scaleValue, *offsetValue};
}

IioAccelerometerSource::IioAccelerometerSource(fs::path device, std::array<Axis, 3> axes)
    : device_(std::move(device)), axes_(std::move(axes)) {}

Acceleration IioAccelerometerSource::read() {
    if (failed_) return last_;
    std::array<double, 3> g{};
    for (size_t i = 0; i < axes_.size(); ++i) {
        const Axis& axis = axes_[i];
        const auto raw = readNumber(axis.rawPath);
        g[i] = raw ? (*raw + axis.offset) * axis.scale / kStandardGravity : NAN;
        if (!std::isfinite(g[i])) {
            Log::print("Accelerometer: cannot read %s; the device now counts as lying still",
                       axis.rawPath.c_str());
            failed_ = true;
            return last_;
        }
    }
    last_ = Acceleration{g[0], g[1], g[2], 0};
    return last_;
}

}  // namespace platform
