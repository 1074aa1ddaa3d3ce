#pragma once

#include "platform/audio/SystemSoundService.h"
#include "platform/ui/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class MainInterface;

namespace platform {
class AccelerometerFeed;
class Host;
class RecordingPainter;
class RecordingSoundService;
class TempDirectory;
class UiTestEnvironment;
class Window;
}  // namespace platform

namespace fuzz {

class InvariantChecker;

// Plays a byte string on the whole interface, as a person at the desktop host would, in virtual
// time: the interface launched, fed and drawn by the same Host as the desktop's, on the shared
// resource folder, a fresh preferences file, the recording sound service (a play ends after its
// clip's length) and the host's accelerometer feed of a device at rest. After every input event and
// every pass of the run loop the invariants are checked (InvariantChecker).
//
// The bytes are read in order as steps; a step is one byte of kind, then its arguments (bytes
// missing at the end read as 0). The kind's low nibble picks the step:
//   0 tap at (x, y), held h         1 tap the control or row number n on screen, held h
//   2 drag (x, y) -> (x, y), n moves, t apart
//   3 finger down at (x, y)         4 finger moves to (x, y)
//   5 finger up at (x, y)           6 touch cancelled (the window lost focus)
//   7 key press k                   8 accelerometer sample (x, y, z)
//   9 window resized to (w, h) px   10 time passes (short: up to 0.25 s; long: up to 10 s)
//   11 quit, ending the run
// A key press goes the host's way (Ctrl+Q quits, the rest reach the window's key commands);
// the key byte's high bit makes it a held key's repeat.
// The kind's high bit puts the next step in the same batch of events: the host handles all the
// events waiting in its queue before the run loop's next pass, so no timer runs between them.
class InterfaceMonkey {
public:
    InterfaceMonkey();
    ~InterfaceMonkey();
    InterfaceMonkey(const InterfaceMonkey&) = delete;
    InterfaceMonkey& operator=(const InterfaceMonkey&) = delete;

    void play(std::span<const uint8_t> bytes);

    static constexpr size_t kMaxSteps = 400;
    // Virtual time stops here: later steps happen at this moment.
    static constexpr double kMaxVirtualSeconds = 120;

private:
    class Reader;

    // One step; false when the run has ended.
    bool step(Reader& reader);
    void tap(platform::Point point, double holdSeconds);
    bool tapControl(size_t index, double holdSeconds);
    void touch(int phase, platform::Point point);
    void pressKey(uint8_t key);
    void resize(float width, float height);
    void quit();

    // Runs the passes due now, checking what a pass can break after the event that led here and
    // after each pass, and everything at the end when `fully`.
    void settle(bool fully = true);
    void drawFrame();
    // Lets time pass, timer by timer, ending plays as their clips end.
    void passTime(double seconds);
    void notePlays();
    void endPlaysDue();
    std::optional<double> nextPlayEnd() const;

    platform::Window& window() const;

    std::unique_ptr<platform::UiTestEnvironment> environment_;
    std::unique_ptr<platform::TempDirectory> config_;
    std::shared_ptr<platform::RecordingSoundService> sound_;
    std::unique_ptr<platform::RecordingPainter> painter_;
    std::shared_ptr<platform::AccelerometerFeed> feed_;
    std::unique_ptr<platform::Host> host_;
    MainInterface* interface_ = nullptr;  // owned by host_; null once the run has ended
    std::unique_ptr<InvariantChecker> checker_;
    bool fingerDown_ = false;
    bool batched_ = false;
    size_t callsSeen_ = 0;
    std::multimap<double, platform::SystemSoundID> playsEnding_;
};

}  // namespace fuzz
