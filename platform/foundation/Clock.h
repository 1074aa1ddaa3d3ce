#pragma once

namespace platform {

// A source of time in seconds. The run loop reads all of its time from one clock, so tests can
// drive every timer in virtual time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
    // Lets time pass until `time`: the steady clock sleeps, the manual clock jumps.
    virtual void advanceTo(double time) = 0;
};

// Monotonic wall time, counted from the clock's creation.
class SteadyClock final : public Clock {
public:
    SteadyClock();
    double now() const override;
    void advanceTo(double time) override;

private:
    double origin_;
};

// Virtual time that moves only when told to; never goes backwards.
class ManualClock final : public Clock {
public:
    double now() const override { return now_; }
    void advanceTo(double time) override;
    void advanceBy(double seconds) { advanceTo(now_ + seconds); }

private:
    double now_ = 0.0;
};

}  // namespace platform
