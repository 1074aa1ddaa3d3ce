#include "platform/sensors/AccelerometerFeed.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"

namespace platform {
namespace {
double usableInterval(double seconds) {
    if (!(seconds >= AccelerometerFeed::kShortestInterval))
        return AccelerometerFeed::kShortestInterval;
    return std::min(seconds, AccelerometerFeed::kLongestInterval);
}
}  // namespace

std::shared_ptr<AccelerometerFeed> AccelerometerFeed::start(
    std::unique_ptr<AccelerometerSource> source, std::function<void()> shakeBegins) {
    std::shared_ptr<AccelerometerFeed> feed(new AccelerometerFeed(std::move(source)));
    feed->shakeBegins_ = std::move(shakeBegins);
    services().accelerometer->setJoltHandler([weak = std::weak_ptr(feed)] {
        if (const auto strong = weak.lock()) strong->jolt();
    });
    feed->origin_ = services().runLoop->now();
    feed->interval_ = usableInterval(services().accelerometer->updateInterval());
    if (feed->source_)
        feed->scheduleNext();
    else
        feed->startBurst();  // the listener's first samples show it the device at rest
    return feed;
}

AccelerometerFeed::AccelerometerFeed(std::unique_ptr<AccelerometerSource> source)
    : source_(std::move(source)) {}

AccelerometerFeed::~AccelerometerFeed() {
    if (auto timer = timer_.lock()) timer->invalidate();
}

void AccelerometerFeed::jolt() {
    joltPending_ = true;
    if (!source_) startBurst();
}

void AccelerometerFeed::startBurst() {
    // The next sample (the jolt, if one is pending) plus the samples at rest after it.
    burstLeft_ = 1 + kSettleSamples;
    const auto timer = timer_.lock();
    if (timer && timer->isValid()) return;  // already sampling: the burst just goes on longer
    // Counted afresh from now, so the first sample comes one interval after the key.
    origin_ = services().runLoop->now();
    samples_ = 0;
    scheduleNext();
}

void AccelerometerFeed::sample() {
    Accelerometer& accelerometer = *services().accelerometer;
    // A jolt asked for while nobody listens is dropped rather than kept for a later listener.
    const bool jolt = std::exchange(joltPending_, false);
    if (accelerometer.delegate()) {
        Acceleration acceleration = source_ ? source_->read() : AccelerometerSource::kAtRest;
        if (jolt) {
            acceleration.x += kJolt.x;
            acceleration.y += kJolt.y;
            acceleration.z += kJolt.z;
        }
        acceleration.timestamp = services().runLoop->now();
        const double jump =
            std::max({std::abs(acceleration.x - last_.x), std::abs(acceleration.y - last_.y),
                      std::abs(acceleration.z - last_.z)});
        const bool shaking = hasLast_ && jump >= kShakeBegins;
        if (shaking && !shaking_ && shakeBegins_) shakeBegins_();
        shaking_ = shaking;
        last_ = acceleration;
        hasLast_ = true;
        accelerometer.deliver(acceleration);
    }
    // Without a source the run loop may sleep once the burst is over.
    if (!source_ && --burstLeft_ <= 0) return;
    // A jolt asked for by the listener itself may already have booked the next sample.
    if (const auto next = timer_.lock(); next && next->isValid()) return;
    scheduleNext();
}

void AccelerometerFeed::scheduleNext() {
    RunLoop& runLoop = *services().runLoop;
    const double interval = usableInterval(services().accelerometer->updateInterval());
    double fireTime = origin_ + static_cast<double>(samples_ + 1) * interval_;
    if (interval != interval_ || fireTime <= runLoop.now()) {
        // A new rate, or a host that fell behind: count again from now instead of catching up
        // with a burst of samples.
        interval_ = interval;
        origin_ = runLoop.now();
        samples_ = 0;
        fireTime = origin_ + interval_;
    }
    ++samples_;
    // Built directly rather than through Timer::scheduledTimer, which adds an interval to now:
    // the exact fire time is what keeps the count of samples free of drift.
    auto timer = std::make_shared<Timer>(
        fireTime, nullptr,
        [weak = weak_from_this()](Timer&) {
            if (auto feed = weak.lock()) feed->sample();
        },
        nullptr, kCommonRunLoopModes);
    runLoop.addTimer(timer);
    timer_ = timer;
}

}  // namespace platform
