#include "platform/sdl/DeviceClock.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform {
namespace {
constexpr double kStartBandwidth = 20.0;  // Hz, while locking on
constexpr double kBandwidth = 0.05;       // Hz, once locked
// The bandwidth shrinks by e every this many seconds: from 20 Hz to 0.05 Hz in 3.2 s. Faster,
// the loop freezes before it has learnt the rate of a device that runs several per cent off
// and takes ten seconds to work off the rest; slower, the jitter reaches the starts for longer.
constexpr double kNarrowingSeconds = 0.53;
// A wake-up this many buffers off the prediction is a stall or a clock step, not jitter.
constexpr double kStallBuffers = 8.0;
}  // namespace

void DeviceClock::restart(double hostTime, int64_t frame, int frames) {
    // After a stall the learnt rate is still the best guess; at the start only the nominal is.
    if (started_)
        ++restarts_;
    else
        secondsPerFrame_ = 1.0 / nominalRate_;
    started_ = true;
    bandwidth_ = kStartBandwidth;
    t0_ = hostTime;
    f0_ = frame;
    f1_ = frame + frames;
    t1_ = t0_ + frames * secondsPerFrame_;
}

void DeviceClock::bufferRequested(double hostTime, int64_t frame, int frames) {
    const double period = frames * secondsPerFrame_;
    if (!started_ || frame != f1_ || std::abs(hostTime - t1_) > kStallBuffers * period) {
        restart(hostTime, frame, frames);
        return;
    }
    // The loop's gains for a critically damped second-order response at this bandwidth.
    const double omega = 2.0 * std::numbers::pi * bandwidth_ * period;
    const double b = std::numbers::sqrt2 * omega;
    const double c = omega * omega;
    const double error = hostTime - t1_;
    t0_ = t1_;
    f0_ = frame;
    t1_ = t0_ + b * error + frames * secondsPerFrame_;
    secondsPerFrame_ += c * error / frames;
    f1_ = frame + frames;
    bandwidth_ = std::max(kBandwidth, bandwidth_ * std::exp(-period / kNarrowingSeconds));
}

double DeviceClock::frameAt(double hostTime) const {
    return static_cast<double>(f0_) +
           (hostTime - t0_) * static_cast<double>(f1_ - f0_) / (t1_ - t0_);
}

double DeviceClock::timeAt(double frame) const {
    return t0_ + (frame - static_cast<double>(f0_)) * (t1_ - t0_) / static_cast<double>(f1_ - f0_);
}

}  // namespace platform
