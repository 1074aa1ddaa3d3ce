#include "tests/support/RunLoopInspector.h"

#include "platform/foundation/RunLoop.h"

namespace platform {
namespace {
// The run loop's private queue, reached without a friend declaration in the production header:
// an explicit template instantiation may name a private member (access is not checked there),
// and the instantiation hands the member pointer to a friend function defined here.
using TimerQueue = std::vector<std::shared_ptr<Timer>> RunLoop::*;

TimerQueue queueMember();

template <TimerQueue member>
struct QueueAccess {
    friend TimerQueue queueMember() { return member; }
};
template struct QueueAccess<&RunLoop::timers_>;
}  // namespace

std::vector<std::shared_ptr<Timer>> RunLoopInspector::queuedTimers(const RunLoop& runLoop) {
    return runLoop.*queueMember();
}

}  // namespace platform
