#pragma once

#include "platform/foundation/Clock.h"
#include "platform/foundation/Timer.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

// The one event loop of the main thread: timers and delayed calls in a queue ordered by fire
// time, read from an injected clock, plus tasks posted from other threads.
//
// A pass runs the posted tasks, then every timer that was due when the pass began and may fire
// in the current mode, earliest first. Timers scheduled during a pass wait for a later pass.
class RunLoop {
    struct Handling {
        double due;
        bool inputEvent;
    };

public:
    explicit RunLoop(std::shared_ptr<Clock> clock);
    ~RunLoop();

    Clock& clock() const { return *clock_; }
    double now() const { return clock_->now(); }

    void addTimer(const std::shared_ptr<Timer>& timer);
    // Calls `call` once after `delay` seconds; `target` is kept alive until then.
    std::shared_ptr<Timer> performAfterDelay(double delay, std::function<void()> call,
                                             std::shared_ptr<void> target = {},
                                             RunLoopModes modes = kDefaultRunLoopMode);

    // The one thread-safe entry: queues `task` for the next pass and wakes the loop.
    void post(std::function<void()> task);
    // Called from whichever thread posts, so that a host waiting for events can wake up.
    void setWakeHandler(std::function<void()> wake);

    // When the work being handled now was due: the due time of the timer that is firing, or
    // the timestamp of the input event being dispatched (see EventScope); now() otherwise.
    // Sound requests are stamped with it, so that what is heard does not depend on how late
    // the loop got round to the work.
    double dueTime() const { return handling_ ? handling_->due : now(); }
    // How long after its timestamp the input event being dispatched is handled; 0 outside an
    // input event. A timer scheduled meanwhile is due that much before it fires.
    double eventLag() const;

    // Marks an input event with timestamp `eventTime` (on this loop's clock) as being
    // dispatched for as long as it lives. Scopes nest.
    class EventScope {
    public:
        EventScope(RunLoop& runLoop, double eventTime);
        ~EventScope();
        EventScope(const EventScope&) = delete;
        EventScope& operator=(const EventScope&) = delete;

    private:
        RunLoop& runLoop_;
        std::optional<Handling> previous_;
    };

    void setMode(RunLoopModes mode) { mode_ = mode; }
    RunLoopModes mode() const { return mode_; }

    // Invalidates every scheduled timer, which lets go of their targets; timers scheduled
    // meanwhile by a target on its way out go too. For an orderly end of the process.
    void invalidateAllTimers();

    // One pass; returns whether anything ran.
    bool runOnce();
    // The earliest fire time of a valid timer that may fire in the current mode.
    std::optional<double> nextFireTime() const;
    // Whether a valid timer waits that fires in exactly `modes`. The application's own timed
    // work fires in the default mode only; the platform's fires in every mode.
    bool hasTimerFiringOnlyIn(RunLoopModes modes) const;

    // Runs passes until nothing is due now; the clock does not move.
    void runUntilIdle();
    // Lets `seconds` pass on the clock, running every timer at its own fire time.
    void runFor(double seconds);

private:
    void pruneInvalid();
    void fire(Timer& timer);

    std::shared_ptr<Clock> clock_;
    std::vector<std::shared_ptr<Timer>> timers_;  // a binary heap, earliest first
    uint64_t nextSequence_ = 1;
    RunLoopModes mode_ = kDefaultRunLoopMode;
    std::optional<Handling> handling_;  // the timer or input event being handled, if any

    mutable std::mutex postMutex_;
    std::vector<std::function<void()>> posted_;
    std::function<void()> wake_;
};

}  // namespace platform
