#include "platform/foundation/Timer.h"

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"

namespace platform {

Timer::Timer(double fireTime, std::shared_ptr<void> target, Action action,
             std::shared_ptr<void> userInfo, RunLoopModes modes)
    : fireTime_(fireTime),
      target_(std::move(target)),
      action_(std::move(action)),
      userInfo_(std::move(userInfo)),
      modes_(modes) {}

std::shared_ptr<Timer> Timer::scheduledTimer(double interval, std::shared_ptr<void> target,
                                             Action action, std::shared_ptr<void> userInfo,
                                             RunLoopModes modes) {
    return scheduledTimer(*services().runLoop, interval, std::move(target), std::move(action),
                          std::move(userInfo), modes);
}

std::shared_ptr<Timer> Timer::scheduledTimer(RunLoop& runLoop, double interval,
                                             std::shared_ptr<void> target, Action action,
                                             std::shared_ptr<void> userInfo, RunLoopModes modes) {
    auto timer =
        std::make_shared<Timer>(runLoop.now() + (interval > 0 ? interval : 0.0), std::move(target),
                                std::move(action), std::move(userInfo), modes);
    runLoop.addTimer(timer);
    return timer;
}

void Timer::invalidate() {
    valid_ = false;
    // While firing, the action is running: fire() lets it go once it returns.
    if (firing_) return;
    // Dropping these may destroy the target; keep them alive until this call has returned.
    auto target = std::move(target_);
    auto action = std::move(action_);
    auto userInfo = std::move(userInfo_);
}

void Timer::fire() {
    if (!valid_) return;
    valid_ = false;
    // The timer, its target and its action stay alive for the call, also when the action
    // invalidates this timer; target and user info are given up afterwards.
    auto self = shared_from_this();
    auto target = std::move(target_);
    auto action = std::move(action_);
    firing_ = true;
    if (action) action(*this);
    firing_ = false;
    userInfo_.reset();
}

}  // namespace platform
