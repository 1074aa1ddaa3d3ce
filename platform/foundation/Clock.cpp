#include "platform/foundation/Clock.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {
double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

SteadyClock::SteadyClock() : origin_(steadySeconds()) {}

double SteadyClock::now() const { return steadySeconds() - origin_; }

void SteadyClock::advanceTo(double time) {
    const double wait = time - now();
    if (wait > 0) std::this_thread::sleep_for(std::chrono::duration<double>(wait));
}

void ManualClock::advanceTo(double time) {
    if (time > now_) now_ = time;
}

}  // namespace platform
