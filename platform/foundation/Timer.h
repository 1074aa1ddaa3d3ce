#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class RunLoop;

// Run-loop modes a timer may fire in. The run loop is in tracking mode while a finger drags a
// scrolling view; board timers fire in the default mode only and so wait out a drag.
enum RunLoopModes : uint8_t {
    kDefaultRunLoopMode = 1,
    kTrackingRunLoopMode = 2,
    kCommonRunLoopModes = kDefaultRunLoopMode | kTrackingRunLoopMode,
};

// A one-shot timer. Once scheduled, the run loop owns the timer, and the timer owns its target
// and user info, until it fires or is invalidated; callers keep only weak references.
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Action = std::function<void(Timer&)>;

    // Schedules a timer on the main run loop (the installed services' one) that calls `action`
    // once, `interval` seconds from now (0: on the next pass of the loop, never inside this call).
    static std::shared_ptr<Timer> scheduledTimer(double interval, std::shared_ptr<void> target,
                                                 Action action, std::shared_ptr<void> userInfo,
                                                 RunLoopModes modes = kDefaultRunLoopMode);
    static std::shared_ptr<Timer> scheduledTimer(RunLoop& runLoop, double interval,
                                                 std::shared_ptr<void> target, Action action,
                                                 std::shared_ptr<void> userInfo,
                                                 RunLoopModes modes = kDefaultRunLoopMode);

    // True until the timer has fired or been invalidated.
    bool isValid() const { return valid_; }
    // Stops the timer from firing and drops its target and user info.
    void invalidate();

    template <class T>
    std::shared_ptr<T> userInfo() const {
        return std::static_pointer_cast<T>(userInfo_);
    }
    double fireTime() const { return fireTime_; }
    RunLoopModes modes() const { return modes_; }
    uint64_t sequence() const { return sequence_; }

    Timer(double fireTime, std::shared_ptr<void> target, Action action,
          std::shared_ptr<void> userInfo, RunLoopModes modes);

private:
    friend class RunLoop;
    void fire();

    double fireTime_;
    std::shared_ptr<void> target_;
    Action action_;
    std::shared_ptr<void> userInfo_;
    RunLoopModes modes_;
    bool valid_ = true;
    bool firing_ = false;
    uint64_t sequence_ = 0;  // set by the run loop: order of scheduling
};

}  // namespace platform
