#pragma once

#include <array>
#include <cstdint>

namespace platform {

// Maps the run loop's clock (seconds) to the audio device's frame counter and back, from the
// host time at which each buffer is asked for.
//
// Those times are noisy: the audio thread wakes late by a varying amount, and some drivers
// hand out buffers in bursts. Using them as they are would move every start by that noise.
// They are smoothed with a second-order delay-locked loop (a DLL): it predicts when the next
// buffer will be asked for, corrects its prediction by a small share of the error, and learns
// the device's real rate from the remaining error (a device whose crystal runs off its nominal
// rate is followed without a lasting offset).
//
// A DLL rather than a least-squares fit over recent buffers: it costs a few multiplications per
// buffer and a handful of numbers of state, has no window to size or fill, and a single late
// wake-up moves it only by a fraction of that error. Its bandwidth starts wide (20 Hz) so that
// it locks within a fraction of a second of the device opening and learns the device's real
// rate, then narrows over about three seconds to 0.05 Hz, where callbacks that come up to a
// millisecond late move the mapping by a few hundredths of a millisecond (simulated: a device
// 6 % fast with 1 ms of callback jitter maps every time within 0.05 ms of the truth from two
// seconds after opening, within 0.025 ms from five seconds).
//
// Once narrow, an error counts for at most four typical errors (their mean size, learnt from
// the device) and at least half a millisecond: the audio thread held up for several
// milliseconds by a busy machine (and the buffers that follow it closely while the driver
// catches up) is the machine's hiccup, not the device's clock, and would otherwise pull every
// start made in the next seconds by a tenth of a millisecond or more. A driver that asks for
// buffers in bursts has large typical errors, and its bursts still count in full. Errors off
// that bound for half a second are a step of the device's timeline, and a wake-up off by more
// than eight buffers, 50 ms and twenty typical errors is a stall: either starts the loop
// afresh from the learnt rate.
//
// Used by the audio thread only.
class DeviceClock {
public:
    explicit DeviceClock(double nominalRate) : nominalRate_(nominalRate) {}

    // The device asks at `hostTime` for `frames` frames starting at frame `frame`. A buffer
    // that does not follow the previous one, or a wake-up far off the prediction (a stall),
    // starts the loop afresh from this buffer.
    void bufferRequested(double hostTime, int64_t frame, int frames);

    bool locked() const { return started_; }
    // Times the loop started afresh after a stall, a clock step or a skipped buffer.
    uint64_t restarts() const { return restarts_; }
    // The device frame (fractional) that is asked for at `hostTime`.
    double frameAt(double hostTime) const;
    // Frames per second of the run loop's clock, as estimated.
    double rate() const { return 1.0 / secondsPerFrame_; }

private:
    // A server fills its own buffer when a stream starts, so one of a stream's first two buffers
    // is asked for up to a buffer early or late (PipeWire's first, PulseAudio's first,
    // pipewire-pulse's second). The loop starts from the middle one of the first three buffers'
    // phases, and follows the latest buffer until the third has come.
    static constexpr int kAnchorBuffers = 3;

    void restart(double hostTime, int64_t frame, int frames);
    void anchor(double hostTime, int64_t frame, int frames);

    double nominalRate_;
    bool started_ = false;
    double bandwidth_ = 0;        // Hz
    double typicalError_ = 0;     // mean size of the prediction errors, kept across restarts
    double offBoundFor_ = 0;      // how long the errors have been beyond their bound
    double secondsPerFrame_ = 0;  // the loop's rate estimate
    double t0_ = 0;               // smoothed time of the current buffer's first frame
    double t1_ = 0;               // predicted time of the next buffer
    int64_t f0_ = 0;              // the current buffer's first frame
    int64_t f1_ = 0;              // the next buffer's first frame
    uint64_t restarts_ = 0;
    std::array<double, kAnchorBuffers> anchorPhases_{};  // host time of frame 0, per buffer
    int anchorCount_ = 0;
};

}  // namespace platform
