#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/sensors/AccelerometerFeed.h"
#include "platform/ui/Accelerometer.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/UiTestEnvironment.h"
#include "platform/foundation/Services.h"
#include "tests/support/LogInto.h"

namespace platform {
namespace {

// Readings that a test sets, and how often they were taken; shared between the test and the
// source that the feed owns.
struct Sensor {
    Acceleration reading = AccelerometerSource::kAtRest;
    int reads = 0;
};

class ScriptedSource final : public AccelerometerSource {
public:
    explicit ScriptedSource(std::shared_ptr<Sensor> sensor) : sensor_(std::move(sensor)) {}
    Acceleration read() override {
        ++sensor_->reads;
        return sensor_->reading;
    }

private:
    std::shared_ptr<Sensor> sensor_;
};

class RecordingDelegate final : public AccelerometerDelegate {
public:
    void accelerometerDidAccelerate(Accelerometer&, const Acceleration& acceleration) override {
        samples.push_back(acceleration);
        if (onSample) onSample();
    }
    std::vector<Acceleration> samples;
    std::function<void()> onSample;
};

// The board's measure of a jump between two samples: the squared distance between the samples
// cut to whole numbers.
int32_t squaredJump(const Acceleration& from, const Acceleration& to) {
    const auto d = [](double a, double b) {
        return static_cast<int32_t>(b) - static_cast<int32_t>(a);
    };
    const int32_t dx = d(from.x, to.x);
    const int32_t dy = d(from.y, to.y);
    const int32_t dz = d(from.z, to.z);
    return dx * dx + dy * dy + dz * dz;
}

class AccelerometerFeedTest : public ::testing::Test {
protected:
    void SetUp() override {
        services().accelerometer->setUpdateInterval(0.02);
        services().accelerometer->setDelegate(delegate_);
    }

    std::shared_ptr<AccelerometerFeed> startScripted() {
        return AccelerometerFeed::start(std::make_unique<ScriptedSource>(sensor_));
    }
    std::vector<Acceleration>& samples() { return delegate_->samples; }

    static void expectAt(const Acceleration& sample, const Acceleration& expected) {
        EXPECT_DOUBLE_EQ(sample.x, expected.x);
        EXPECT_DOUBLE_EQ(sample.y, expected.y);
        EXPECT_DOUBLE_EQ(sample.z, expected.z);
    }

    std::vector<std::string> log_;
    UiTestEnvironment environment_{{.log = logInto(log_)}};
    std::shared_ptr<Sensor> sensor_ = std::make_shared<Sensor>();
    std::shared_ptr<RecordingDelegate> delegate_ = std::make_shared<RecordingDelegate>();
};

TEST_F(AccelerometerFeedTest, OneSecondAtFiftyPerSecondDeliversFiftyTimedSamples) {
    sensor_->reading = {0.25, -0.5, -0.75, 0};
    auto feed = startScripted();
    environment_.runLoop().runFor(1.0);

    ASSERT_EQ(samples().size(), 50u);
    EXPECT_EQ(sensor_->reads, 50);
    for (size_t i = 0; i < samples().size(); ++i) {
        EXPECT_DOUBLE_EQ(samples()[i].timestamp, 0.02 * static_cast<double>(i + 1));
        expectAt(samples()[i], sensor_->reading);
    }
    // A long run stays on the grid: no sample is lost to rounding.
    environment_.runLoop().runFor(99.0);
    EXPECT_EQ(samples().size(), 5000u);
}

TEST_F(AccelerometerFeedTest, SamplesKeepComingWhileAFingerDragsTheList) {
    auto feed = startScripted();
    environment_.runLoop().setMode(kTrackingRunLoopMode);
    environment_.runLoop().runFor(1.0);
    EXPECT_EQ(samples().size(), 50u);
}

TEST_F(AccelerometerFeedTest, IntervalIsReadAgainAtEachSample) {
    auto feed = startScripted();
    environment_.runLoop().runFor(0.2);
    ASSERT_EQ(samples().size(), 10u);

    // The sample at 0.2 already booked the next one at 0.22; from there on, every 0.1 s.
    services().accelerometer->setUpdateInterval(0.1);
    environment_.runLoop().runFor(1.0);
    ASSERT_EQ(samples().size(), 20u);
    EXPECT_NEAR(samples()[10].timestamp, 0.22, 1e-9);
    EXPECT_NEAR(samples()[19].timestamp, 1.12, 1e-9);
}

TEST_F(AccelerometerFeedTest, UnusableIntervalsAreBroughtIntoRange) {
    auto feed = startScripted();
    environment_.runLoop().runFor(0.02);
    ASSERT_EQ(samples().size(), 1u);

    for (double interval : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
        samples().clear();
        services().accelerometer->setUpdateInterval(interval);
        environment_.runLoop().runFor(1.0);
        // Never faster than the shortest interval: no spinning on the run loop.
        EXPECT_NEAR(static_cast<double>(samples().size()),
                    1.0 / AccelerometerFeed::kShortestInterval, 1.0);
    }
    samples().clear();
    services().accelerometer->setUpdateInterval(std::numeric_limits<double>::infinity());
    environment_.runLoop().runFor(3.0);
    EXPECT_NEAR(static_cast<double>(samples().size()), 3.0 / AccelerometerFeed::kLongestInterval,
                1.0);
}

TEST_F(AccelerometerFeedTest, HostThatFellBehindGetsOneSampleNotABurst) {
    auto feed = startScripted();
    environment_.runLoop().runFor(0.1);
    ASSERT_EQ(samples().size(), 5u);

    // Half a second passes without the loop running, as when the host is stalled.
    environment_.clock().advanceBy(0.5);
    environment_.runLoop().runUntilIdle();
    ASSERT_EQ(samples().size(), 6u);
    environment_.runLoop().runFor(0.02);
    ASSERT_EQ(samples().size(), 7u);
    EXPECT_NEAR(samples()[6].timestamp - samples()[5].timestamp, 0.02, 1e-9);
}

TEST_F(AccelerometerFeedTest, WithoutADelegateTheSourceIsLeftAlone) {
    services().accelerometer->setDelegate({});
    auto feed = startScripted();
    environment_.runLoop().runFor(1.0);
    EXPECT_EQ(sensor_->reads, 0);

    services().accelerometer->setDelegate(delegate_);
    environment_.runLoop().runFor(1.0);
    EXPECT_EQ(samples().size(), 50u);
    EXPECT_EQ(sensor_->reads, 50);
}

TEST_F(AccelerometerFeedTest, ShakeKeyGivesExactlyOneJoltThatTheBoardCountsAsAShake) {
    auto feed = AccelerometerFeed::start(nullptr);  // no source: a device at rest
    environment_.runLoop().runFor(0.1);
    services().accelerometer->jolt();
    environment_.runLoop().runFor(0.1);

    ASSERT_EQ(samples().size(), 10u);
    expectAt(samples()[5], {2.5, 2.5, -1, 0});
    for (size_t i = 0; i < samples().size(); ++i) {
        if (i != 5) expectAt(samples()[i], AccelerometerSource::kAtRest);
    }
    // The board calls a jump a shake when the squared jump is 3 or more.
    EXPECT_GE(squaredJump(samples()[4], samples()[5]), 3);
    EXPECT_EQ(squaredJump(samples()[3], samples()[4]), 0);
}

TEST_F(AccelerometerFeedTest, WithoutASourceOnlyTheStartAndEachJoltBringSamples) {
    constexpr size_t kBurst = AccelerometerFeed::kSettleSamples + 1;
    auto feed = AccelerometerFeed::start(nullptr);
    environment_.runLoop().runFor(10.0);
    EXPECT_EQ(samples().size(), kBurst);
    EXPECT_FALSE(environment_.runLoop().nextFireTime()) << "a device at rest wakes nobody";

    const double pressed = environment_.runLoop().now();
    feed->jolt();
    environment_.runLoop().runFor(0.5);
    feed->jolt();  // a jolt during the burst lengthens it
    environment_.runLoop().runFor(10.0);
    ASSERT_EQ(samples().size(), 2 * kBurst + 25);
    EXPECT_NEAR(samples()[kBurst].timestamp - pressed, 0.02, 1e-9);
    EXPECT_DOUBLE_EQ(samples()[kBurst].x, AccelerometerFeed::kJolt.x);
    EXPECT_DOUBLE_EQ(samples()[kBurst + 25].x, AccelerometerFeed::kJolt.x);
    EXPECT_FALSE(environment_.runLoop().nextFireTime());
}

TEST_F(AccelerometerFeedTest, JoltIsAShakeWhereverTheDeviceIsHeld) {
    auto feed = startScripted();
    // Half an interval off the sample times, so that each run below ends between samples.
    environment_.runLoop().runFor(0.01);
    for (const Acceleration held :
         {Acceleration{0.9, -0.1, -0.4, 0}, Acceleration{-2.9, -1.5, 0.99, 0},
          Acceleration{-0.01, 0.5, 1.0, 0}}) {
        sensor_->reading = held;
        environment_.runLoop().runFor(0.02);
        feed->jolt();
        environment_.runLoop().runFor(0.04);
        const size_t n = samples().size();
        // The jolt rides on the held reading, and the reading comes back after it.
        EXPECT_DOUBLE_EQ(samples()[n - 2].x, held.x + AccelerometerFeed::kJolt.x);
        EXPECT_GE(squaredJump(samples()[n - 3], samples()[n - 2]), 3);
        expectAt(samples()[n - 1], held);
    }
}

TEST_F(AccelerometerFeedTest, JoltsWithNobodyListeningChangeNothing) {
    auto feed = AccelerometerFeed::start(nullptr);
    environment_.runLoop().runFor(0.04);

    services().accelerometer->setDelegate({});
    feed->jolt();
    environment_.runLoop().runFor(0.02);  // the jolt's sample has no listener and is dropped
    services().accelerometer->setDelegate(delegate_);
    environment_.runLoop().runFor(0.06);

    ASSERT_EQ(samples().size(), 5u);
    for (const auto& sample : samples()) expectAt(sample, AccelerometerSource::kAtRest);
}

TEST_F(AccelerometerFeedTest, DestroyedFeedLeavesNoTimerBehind) {
    auto feed = startScripted();
    environment_.runLoop().runFor(0.1);
    feed.reset();
    EXPECT_FALSE(environment_.runLoop().nextFireTime());
    environment_.runLoop().runFor(1.0);
    EXPECT_EQ(samples().size(), 5u);
}

TEST_F(AccelerometerFeedTest, FeedDroppedWhileDeliveringStopsCleanly) {
    auto feed = startScripted();
    delegate_->onSample = [&] { feed.reset(); };
    environment_.runLoop().runFor(1.0);
    EXPECT_EQ(samples().size(), 1u);
    EXPECT_FALSE(environment_.runLoop().nextFireTime());
}

}  // namespace
}  // namespace platform
