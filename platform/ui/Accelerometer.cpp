#include "platform/ui/Accelerometer.h"

namespace platform {
void Accelerometer::deliver(const Acceleration& acceleration) {
    // Held for the call: the delegate may let go of itself while handling the sample.
    if (auto delegate = delegate_.lock()) delegate->accelerometerDidAccelerate(*this, acceleration);
}

}  // namespace platform
