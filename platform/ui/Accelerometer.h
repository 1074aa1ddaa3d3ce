#pragma once

#include <functional>
#include <memory>

namespace platform {

class Accelerometer;

// One sample, in units of the earth's gravity.
struct Acceleration {
    double x = 0;
    double y = 0;
    double z = 0;
    double timestamp = 0;
};

class AccelerometerDelegate {
public:
    virtual ~AccelerometerDelegate() = default;
    virtual void accelerometerDidAccelerate(Accelerometer& accelerometer,
                                            const Acceleration& acceleration) = 0;
};

// The device's accelerometer. Sources (a sensor, or the keyboard's jolt) feed it on the main
// thread; it hands each sample to its delegate. The delegate is not owned. One per process,
// held by the installed services (Services::accelerometer).
class Accelerometer {
public:
    void setUpdateInterval(double seconds) { updateInterval_ = seconds; }
    double updateInterval() const { return updateInterval_; }
    void setDelegate(std::weak_ptr<AccelerometerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<AccelerometerDelegate> delegate() const { return delegate_.lock(); }

    // Called by a source with a new sample; main thread only.
    void deliver(const Acceleration& acceleration);

    // Makes the device feel a shake, as the shake key does: the source that feeds the
    // accelerometer, if any, puts a jolt into its next sample.
    void jolt() {
        if (jolt_) jolt_();
    }
    void setJoltHandler(std::function<void()> handler) { jolt_ = std::move(handler); }

private:
    double updateInterval_ = 0.1;
    std::weak_ptr<AccelerometerDelegate> delegate_;
    std::function<void()> jolt_;
};

}  // namespace platform
