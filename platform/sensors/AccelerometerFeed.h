#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/foundation/Timer.h"
#include "platform/sensors/AccelerometerSource.h"

namespace platform {

// Feeds the installed accelerometer from one source. Every updateInterval() seconds (read again at
// each sample) a one-shot timer on the main run loop reads the source and delivers the sample;
// the timers fire in every run-loop mode, so shaking works while a finger drags the list. While
// the accelerometer has no delegate the source is not read and nothing is delivered.
//
// A jolt (the accelerometer's jolt(), which the shake key calls) replaces the next sample by a
// jolt: the source's reading plus kJolt, a jump of two or more whole g along x and y, which the
// board cannot tell from a real shake. The source's readings resume with the sample after it.
//
// With a source the samples never stop. Without one the device is at rest, and samples of a
// device at rest tell a listener nothing new once it has seen a few: so the feed samples at the
// usual rate only in bursts, one at the start and one from each jolt until kSettleSamples after
// it (a jolt during a burst lengthens it), and otherwise leaves the run loop asleep. That is long
// enough for a listener to see the device come back to rest and to count out the samples it ignores
// after a shake (the board ignores 50, one second), so it behaves as with an endless stream.
class AccelerometerFeed : public std::enable_shared_from_this<AccelerometerFeed> {
public:
    static constexpr Acceleration kJolt{2.5, 2.5, 0, 0};
    // Intervals outside these bounds (and ones that are not numbers) are brought inside them: a
    // zero interval would spin the loop, a huge one would never look at the interval again.
    static constexpr double kShortestInterval = 0.01;
    static constexpr double kLongestInterval = 1.0;
    // Samples at rest in a burst without a source, after the jolt that starts or lengthens it.
    static constexpr int kSettleSamples = 60;

    // A jump between two samples of at least this much (in g, on any axis) is a shake
    // beginning: whoever may play a sound for it hears of it at once.
    static constexpr double kShakeBegins = 0.5;

    // Starts sampling `source` (nullptr: a device at rest) on the main run loop, the first sample
    // one interval from now, and takes the accelerometer's jolts. `shakeBegins` is called on the
    // first sample of each shake. Sampling stops when the feed is destroyed.
    static std::shared_ptr<AccelerometerFeed> start(std::unique_ptr<AccelerometerSource> source,
                                                    std::function<void()> shakeBegins = {});

    ~AccelerometerFeed();
    AccelerometerFeed(const AccelerometerFeed&) = delete;
    AccelerometerFeed& operator=(const AccelerometerFeed&) = delete;

    void jolt();

private:
    explicit AccelerometerFeed(std::unique_ptr<AccelerometerSource> source);

    void sample();
    void scheduleNext();
    // Without a source: makes sure samples flow for kSettleSamples more after the next one.
    void startBurst();

    std::unique_ptr<AccelerometerSource> source_;
    std::function<void()> shakeBegins_;
    Acceleration last_{};  // the sample delivered before
    bool hasLast_ = false;
    bool shaking_ = false;
    std::weak_ptr<Timer> timer_;  // owned by the main run loop until it fires
    // Sample n is due at origin_ + n * interval_: counting from one origin keeps a long run free
    // of rounding drift.
    double origin_ = 0;
    double interval_ = 0;
    int64_t samples_ = 0;
    bool joltPending_ = false;
    int burstLeft_ = 0;  // samples still to come in the current burst; unused with a source
};

}  // namespace platform
