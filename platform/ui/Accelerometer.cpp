#include "platform/ui/Accelerometer.h"

namespace platform {
namespace {
std::shared_ptr<Accelerometer>& sharedAccelerometer() {
    static auto* instance = new std::shared_ptr<Accelerometer>();
    return *instance;
}
}  // namespace

Accelerometer& Accelerometer::shared() {
    auto& accelerometer = sharedAccelerometer();
    if (!accelerometer) accelerometer = std::make_shared<Accelerometer>();
    return *accelerometer;
}

void Accelerometer::setShared(std::shared_ptr<Accelerometer> accelerometer) {
    sharedAccelerometer() = std::move(accelerometer);
}

void Accelerometer::deliver(const Acceleration& acceleration) {
    // Held for the call: the delegate may let go of itself while handling the sample.
    if (auto delegate = delegate_.lock()) delegate->accelerometerDidAccelerate(*this, acceleration);
}

}  // namespace platform
