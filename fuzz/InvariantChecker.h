#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class MainInterface;
class SoundEffect;

namespace platform {
class RecordingSoundService;
class RunLoop;
class View;
}  // namespace platform

namespace fuzz {

// The rules the whole interface must keep, whatever a person does to it; check() fails the run
// (fuzz::fail) on the first one broken:
// - the stored configuration's three arrays have equal length (and so has the board's own);
// - the number of clips never changes;
// - in normal mode no hidden clip is chosen to play (see checkTimers());
// - at most one playback is pending, and the board's timer refers to it;
// - no timer is scheduled to fire in the past, and the clock never goes back;
// - every view's frame, bounds and presentation frame are finite.
//
// Call check() after every input event and whenever the run loop has run what was due, and
// checkPass() after every single pass of the run loop in between: every timer is then seen at the
// time at which it was scheduled, before it can fire.
class InvariantChecker {
public:
    InvariantChecker(const MainInterface& interface, platform::RunLoop& runLoop,
                     const platform::RecordingSoundService& sound);

    // Everything.
    void check();
    // What a single pass can break: the clock, the clips, the timers and the plays.
    void checkPass();

private:
    void checkConfiguration() const;
    void checkTimers();
    void checkFrames(const platform::View& view) const;
    std::vector<std::shared_ptr<SoundEffect>> playedSinceLastCheck();

    const MainInterface& interface_;
    platform::RunLoop& runLoop_;
    const platform::RecordingSoundService& sound_;
    size_t clipCount_;
    double lastNow_;
    uint64_t lastTimerSequence_ = 0;
    size_t callsSeen_ = 0;
};

}  // namespace fuzz
