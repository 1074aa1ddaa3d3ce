#include "platform/foundation/RunLoop.h"

#include <algorithm>

namespace platform {
namespace {
// Heap order: the timer that fires first (ties: scheduled first) sits on top.
bool firesLater(const std::shared_ptr<Timer>& a, const std::shared_ptr<Timer>& b) {
    if (a->fireTime() != b->fireTime()) return a->fireTime() > b->fireTime();
    return a->sequence() > b->sequence();
}

}  // namespace

RunLoop::RunLoop(std::shared_ptr<Clock> clock) : clock_(std::move(clock)) {}

RunLoop::~RunLoop() = default;

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer) {
    timer->sequence_ = nextSequence_++;
    timers_.push_back(timer);
    std::push_heap(timers_.begin(), timers_.end(), firesLater);
}

std::shared_ptr<Timer> RunLoop::performAfterDelay(double delay, std::function<void()> call,
                                                  std::shared_ptr<void> target,
                                                  RunLoopModes modes) {
    return Timer::scheduledTimer(
        *this, delay, std::move(target), [call = std::move(call)](Timer&) { call(); }, nullptr,
        modes);
}

void RunLoop::post(std::function<void()> task) {
    std::function<void()> wake;
    {
        std::lock_guard lock(postMutex_);
        posted_.push_back(std::move(task));
        wake = wake_;
    }
    if (wake) wake();
}

void RunLoop::setWakeHandler(std::function<void()> wake) {
    std::lock_guard lock(postMutex_);
    wake_ = std::move(wake);
}

bool RunLoop::hasTimerFiringOnlyIn(RunLoopModes modes) const {
    return std::any_of(timers_.begin(), timers_.end(), [modes](const auto& timer) {
        return timer->isValid() && timer->modes() == modes;
    });
}

void RunLoop::pruneInvalid() {
    while (!timers_.empty() && !timers_.front()->isValid()) {
        std::pop_heap(timers_.begin(), timers_.end(), firesLater);
        timers_.pop_back();
    }
}

void RunLoop::invalidateAllTimers() {
    while (!timers_.empty()) {
        const auto timers = std::move(timers_);
        timers_.clear();
        for (const auto& timer : timers) timer->invalidate();
    }
}

bool RunLoop::runOnce() {
    std::vector<std::function<void()>> tasks;
    {
        std::lock_guard lock(postMutex_);
        tasks.swap(posted_);
    }
    for (auto& task : tasks) task();

    // Take out everything due now, so that timers scheduled while these fire wait a pass.
    const double now = clock_->now();
    std::vector<std::shared_ptr<Timer>> due;
    std::vector<std::shared_ptr<Timer>> waiting;  // due, but not in this mode
    pruneInvalid();
    while (!timers_.empty() && timers_.front()->fireTime() <= now) {
        std::pop_heap(timers_.begin(), timers_.end(), firesLater);
        auto timer = std::move(timers_.back());
        timers_.pop_back();
        if (!timer->isValid()) continue;
        (timer->modes() & mode_ ? due : waiting).push_back(std::move(timer));
    }
    for (auto& timer : waiting) {
        timers_.push_back(std::move(timer));
        std::push_heap(timers_.begin(), timers_.end(), firesLater);
    }
    for (auto& timer : due) fire(*timer);
    return !tasks.empty() || !due.empty();
}

void RunLoop::fire(Timer& timer) {
    const auto previous = handling_;
    handling_ = Handling{timer.dueTime(), false};
    timer.fire();
    handling_ = previous;
}

double RunLoop::eventLag() const {
    if (!handling_ || !handling_->inputEvent) return 0.0;
    return std::max(0.0, now() - handling_->due);
}

RunLoop::EventScope::EventScope(RunLoop& runLoop, double eventTime)
    : runLoop_(runLoop), previous_(runLoop.handling_) {
    // An event stamped in the future (a clock step) counts as happening now.
    runLoop_.handling_ = Handling{std::min(eventTime, runLoop.now()), true};
}

RunLoop::EventScope::~EventScope() { runLoop_.handling_ = previous_; }

std::optional<double> RunLoop::nextFireTime() const {
    std::optional<double> earliest;
    for (const auto& timer : timers_) {
        if (!timer->isValid() || !(timer->modes() & mode_)) continue;
        if (!earliest || timer->fireTime() < *earliest) earliest = timer->fireTime();
    }
    return earliest;
}

void RunLoop::runUntilIdle() {
    while (runOnce()) {
    }
}

void RunLoop::runFor(double seconds) {
    const double end = clock_->now() + seconds;
    for (;;) {
        runUntilIdle();
        const auto next = nextFireTime();
        if (!next || *next > end) break;
        clock_->advanceTo(*next);
    }
    clock_->advanceTo(end);
    runUntilIdle();
}

}  // namespace platform
