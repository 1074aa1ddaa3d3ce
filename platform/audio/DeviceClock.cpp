#include "platform/audio/DeviceClock.h"

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
// The typical size of the prediction errors (their mean magnitude) is averaged over this long
// while the loop narrows, and over the longer time once it is narrow.
constexpr double kTypicalErrorLocking = 0.5;  // s
constexpr double kTypicalErrorLocked = 10.0;  // s
// Once narrow, an error counts for at most this many typical errors, and never less than
// kMinErrorBound: a wake-up beyond that is the machine holding the audio thread up.
constexpr double kErrorBoundScale = 4.0;
constexpr double kMinErrorBound = 0.0005;  // s
// Errors beyond the bound for this long are no hiccup but a step of the device's timeline.
constexpr double kStepSeconds = 0.5;
// The loop is a discrete approximation that holds while 2 pi x bandwidth x period is small;
// with long buffers the bandwidth is held below this.
constexpr double kMaxOmegaPeriod = 0.25;
// After a restart, a learnt rate this far off the nominal one is not trusted.
constexpr double kPlausibleRateError = 0.25;
// A wake-up this many buffers, this many seconds and this many typical errors off the
// prediction is a stall or a clock step, not jitter (some drivers ask for many buffers at once).
constexpr double kStallBuffers = 8.0;
constexpr double kStallSeconds = 0.05;
constexpr double kStallTypicalErrors = 20.0;
}  // namespace

void DeviceClock::restart(double hostTime, int64_t frame, int frames) {
    // After a stall the learnt rate is still the best guess; at the start only the nominal is.
    if (started_) ++restarts_;
    const double nominal = 1.0 / nominalRate_;
    if (!started_ || std::abs(secondsPerFrame_ - nominal) > kPlausibleRateError * nominal)
        secondsPerFrame_ = nominal;
    started_ = true;
    bandwidth_ = kStartBandwidth;
    offBoundFor_ = 0;
    anchorCount_ = 0;
    anchor(hostTime, frame, frames);
}

void DeviceClock::anchor(double hostTime, int64_t frame, int frames) {
    anchorPhases_[anchorCount_++] = hostTime - static_cast<double>(frame) * secondsPerFrame_;
    double phase = anchorPhases_[anchorCount_ - 1];
    if (anchorCount_ == kAnchorBuffers) {
        static_assert(kAnchorBuffers == 3);
        const auto [a, b, c] = anchorPhases_;
        phase = std::max(std::min(a, b), std::min(std::max(a, b), c));
    }
    f0_ = frame;
    t0_ = phase + static_cast<double>(frame) * secondsPerFrame_;
    f1_ = frame + frames;
    t1_ = t0_ + frames * secondsPerFrame_;
}

void DeviceClock::bufferRequested(double hostTime, int64_t frame, int frames) {
    const double period = frames * secondsPerFrame_;
    double error = hostTime - t1_;
    const double stall =
        std::max({kStallBuffers * period, kStallSeconds, kStallTypicalErrors * typicalError_});
    if (!started_ || frame != f1_ || std::abs(error) > stall) {
        restart(hostTime, frame, frames);
        return;
    }
    if (anchorCount_ < kAnchorBuffers) {
        anchor(hostTime, frame, frames);
        return;
    }
    const bool narrow = bandwidth_ <= kBandwidth;
    typicalError_ += (std::abs(error) - typicalError_) *
                     std::min(1.0, period / (narrow ? kTypicalErrorLocked : kTypicalErrorLocking));
    if (narrow) {
        const double bound = std::max(kMinErrorBound, kErrorBoundScale * typicalError_);
        offBoundFor_ = std::abs(error) > bound ? offBoundFor_ + period : 0.0;
        if (offBoundFor_ > kStepSeconds) {
            restart(hostTime, frame, frames);
            return;
        }
        error = std::clamp(error, -bound, bound);
    }
    // The loop's gains for a critically damped second-order response at this bandwidth.
    const double omega = std::min(kMaxOmegaPeriod, 2.0 * std::numbers::pi * bandwidth_ * period);
    const double b = std::numbers::sqrt2 * omega;
    const double c = omega * omega;
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

}  // namespace platform
