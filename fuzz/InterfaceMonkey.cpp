#include "fuzz/InterfaceMonkey.h"

#include "app/MainInterface.h"
#include "app/SoundsAppDelegate.h"
#include "fuzz/FuzzEnvironment.h"
#include "fuzz/InvariantChecker.h"
#include "platform/foundation/Services.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sensors/AccelerometerFeed.h"
#include "platform/ui/Accelerometer.h"
#include "platform/ui/Control.h"
#include "platform/ui/Host.h"
#include "platform/ui/Key.h"
#include "platform/ui/table/TableViewCell.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowLayout.h"
#include "tests/support/RecordingPainter.h"
#include "tests/support/RecordingSoundService.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/UiTestEnvironment.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <typeinfo>

namespace fuzz {
namespace {
using platform::Point;

enum Kind : uint8_t {
    kTap,
    kTapControl,
    kDrag,
    kFingerDown,
    kFingerMove,
    kFingerUp,
    kTouchCancelled,
    kKey,
    kAcceleration,
    kResize,
    kTimePasses,
    kQuit,
};
constexpr uint8_t kBatchedBit = 0x80;

// Keys as the host hands them on: its own (Ctrl+Q quits; the F11 slot is a key that reaches the
// interface as no key, F11 being the SDL window's own), every key the interface answers, with
// and without the modifiers it reads, and keys that nothing uses.
using platform::Key;
using platform::keyFor;
constexpr uint32_t kControl = platform::kKeyModifierControl;
constexpr uint32_t kAlt = platform::kKeyModifierAlt;
constexpr uint32_t kShift = platform::kKeyModifierShift;
constexpr std::array<platform::KeyPress, 28> kKeys{{{keyFor('s')},     {keyFor('q'), kControl},
                                                    {Key::None},       {Key::Escape},
                                                    {keyFor('q')},     {Key::Space},
                                                    {Key::Return},     {keyFor('e')},
                                                    {Key::Up},         {Key::Down},
                                                    {Key::Left},       {Key::Right},
                                                    {Key::Home},       {Key::End},
                                                    {Key::PageUp},     {Key::PageDown},
                                                    {Key::Backspace},  {keyFor('1')},
                                                    {keyFor('3')},     {keyFor('9')},
                                                    {keyFor('l')},     {keyFor('a')},
                                                    {keyFor('w')},     {Key::Up, kAlt},
                                                    {Key::Down, kAlt}, {Key::Left, kAlt},
                                                    {keyFor('x')},     {keyFor('1'), kShift}}};
constexpr uint8_t kRepeatBit = 0x80;

// Sample values from a real sensor at rest or shaken, and the broken ones a driver may send.
constexpr std::array<double, 12> kSamples{0,
                                          1,
                                          -1,
                                          2.5,
                                          -2.5,
                                          0.3,
                                          100,
                                          -1e9,
                                          1e300,
                                          std::numeric_limits<double>::infinity(),
                                          -std::numeric_limits<double>::infinity(),
                                          std::numeric_limits<double>::quiet_NaN()};

// The controls and rows that a person can see, in the order of the tree.
void collectTargets(platform::View& view, std::vector<platform::View*>& targets) {
    if (view.isHidden() || view.alpha() <= 0) return;
    if (dynamic_cast<platform::Control*>(&view) || dynamic_cast<platform::TableViewCell*>(&view))
        targets.push_back(&view);
    for (const auto& subview : view.subviews()) collectTargets(*subview, targets);
}

// SOUNDBOARD_MONKEY_TRACE=1 prints every step and play on stderr, to follow a finding.
const bool kTrace = std::getenv("SOUNDBOARD_MONKEY_TRACE") != nullptr;

double clipSeconds(const std::string& path) {
    const std::string name = std::filesystem::path(path).stem().string();
    for (const auto& clip : clips())
        if (clip.name == name) return clip.seconds;
    return 0;
}
}  // namespace

// Reads the step bytes in order; past the end every byte reads as 0.
class InterfaceMonkey::Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool atEnd() const { return next_ >= bytes_.size(); }
    uint8_t byte() { return next_ < bytes_.size() ? bytes_[next_++] : 0; }
    // A fraction from 0 to 1.
    double unit() { return byte() / 255.0; }
    // A point on the window or a little beyond its edges, where a dragged mouse can go.
    Point point() {
        const auto x = static_cast<float>(-32 + unit() * 384);
        const auto y = static_cast<float>(-32 + unit() * 544);
        return {x, y};
    }
    double holdSeconds() { return unit() * 0.6; }

private:
    std::span<const uint8_t> bytes_;
    size_t next_ = 0;
};

InterfaceMonkey::InterfaceMonkey()
    : config_(std::make_unique<platform::TempDirectory>()),
      sound_(std::make_shared<platform::RecordingSoundService>()),
      painter_(std::make_unique<platform::RecordingPainter>()) {
    environment_ = std::make_unique<platform::UiTestEnvironment>(platform::Services{
        .bundle = std::make_shared<platform::Bundle>(resourceFolder()),
        .sound = sound_,
        .log = quietLog(),
    });
    platform::services().defaults = std::make_shared<platform::UserDefaults>(
        *config_ / "preferences.json", &environment_->runLoop());
    // A desktop without a sensor: the feed samples a device at rest, and S jolts it.
    feed_ = platform::AccelerometerFeed::start(nullptr);
    host_ = std::make_unique<platform::Host>();
    host_->setPressBegins([] { platform::services().sound->prepareToPlay(); });
    host_->launch([this] {
        auto interface = MainInterface::load();
        interface_ = interface.get();
        return interface;
    });
    environment_->runLoop().runUntilIdle();
    drawFrame();
    // The board seeds the random shake from the wall clock; a fixed seed makes every run of an
    // input the same.
    srandom(1);
    checker_ = std::make_unique<InvariantChecker>(*interface_, environment_->runLoop(), *sound_);
}

// Torn down in the host's order: the interface and its pending timers first, then the feed and
// the services they used.
InterfaceMonkey::~InterfaceMonkey() {
    checker_.reset();
    host_.reset();
    interface_ = nullptr;
    feed_.reset();
    // The services go before the folder that the preferences flush into.
    environment_.reset();
    config_.reset();
}

platform::Window& InterfaceMonkey::window() const { return *interface_->delegate()->window(); }

void InterfaceMonkey::play(std::span<const uint8_t> bytes) {
    Reader reader(bytes);
    checker_->check();
    for (size_t steps = 0; steps < kMaxSteps && !reader.atEnd(); ++steps)
        if (!step(reader)) return;
    if (!interface_) return;
    // What is pending plays out, as it would while the person looks on.
    passTime(3);
}

bool InterfaceMonkey::step(Reader& reader) {
    const uint8_t kind = reader.byte();
    batched_ = (kind & kBatchedBit) != 0;
    const int op = (kind & 0x7f) % (kQuit + 1);
    if (kTrace)
        std::fprintf(stderr, "%8.3f step %d%s\n", platform::services().runLoop->now(), op,
                     batched_ ? " (batched)" : "");
    switch (op) {
        case kTap: {
            const Point point = reader.point();
            tap(point, reader.holdSeconds());
            break;
        }
        case kTapControl: {
            const size_t index = reader.byte();
            if (!tapControl(index, reader.holdSeconds())) return true;
            break;
        }
        case kDrag: {
            const Point from = reader.point();
            const Point to = reader.point();
            const int moves = 1 + reader.byte() % 16;
            const double apart = reader.unit() * 0.05;
            touch(kFingerDown, from);
            for (int i = 1; i <= moves && fingerDown_; ++i) {
                passTime(apart);
                const float t = static_cast<float>(i) / static_cast<float>(moves);
                touch(kFingerMove, {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t});
            }
            touch(kFingerUp, to);
            break;
        }
        case kFingerDown:
        case kFingerMove:
        case kFingerUp:
            touch(op, reader.point());
            break;
        case kTouchCancelled:
            touch(kTouchCancelled, {});
            break;
        case kKey:
            pressKey(reader.byte());
            if (!interface_) return false;  // a quit key
            break;
        case kAcceleration: {
            platform::Acceleration sample;
            sample.x = kSamples[reader.byte() % kSamples.size()];
            sample.y = kSamples[reader.byte() % kSamples.size()];
            sample.z = kSamples[reader.byte() % kSamples.size()];
            sample.timestamp = platform::services().runLoop->now();
            platform::services().accelerometer->deliver(sample);
            break;
        }
        case kResize: {
            const float width = reader.byte() * 8.0f;
            const float height = reader.byte() * 8.0f;
            resize(width, height);
            break;
        }
        case kTimePasses: {
            const uint8_t amount = reader.byte();
            passTime(amount < 128 ? amount * 0.002 : (amount - 128) * 0.08);
            return true;
        }
        case kQuit:
            quit();
            return false;
    }
    if (!batched_) settle();
    return true;
}

void InterfaceMonkey::tap(Point point, double holdSeconds) {
    touch(kFingerDown, point);
    passTime(holdSeconds);
    touch(kFingerUp, point);
}

bool InterfaceMonkey::tapControl(size_t index, double holdSeconds) {
    std::vector<platform::View*> targets;
    collectTargets(window(), targets);
    if (targets.empty()) return false;
    platform::View& target = *targets[index % targets.size()];
    const platform::Rect frame = target.convertRect(target.bounds(), nullptr);
    if (kTrace)
        std::fprintf(stderr, "           control %zu of %zu: %s at %.0f, %.0f\n",
                     index % targets.size(), targets.size(), typeid(target).name(), frame.midX(),
                     frame.midY());
    tap({frame.midX(), frame.midY()}, holdSeconds);
    return true;
}

// One finger, as the host's touch input gives it: moves and ends only while it is down, and a
// second finger is ignored.
void InterfaceMonkey::touch(int phase, Point point) {
    const double now = platform::services().runLoop->now();
    if (kTrace)
        std::fprintf(stderr, "%8.3f   touch %d at %.0f, %.0f\n", now, phase, point.x, point.y);
    switch (phase) {
        case kFingerDown:
            if (fingerDown_) return;
            fingerDown_ = true;
            host_->touch(platform::TouchPhase::Began, point);
            break;
        case kFingerMove:
            if (!fingerDown_) return;
            host_->touch(platform::TouchPhase::Moved, point);
            break;
        case kFingerUp:
            if (!fingerDown_) return;
            fingerDown_ = false;
            host_->touch(platform::TouchPhase::Ended, point);
            break;
        default:
            if (!fingerDown_) return;
            fingerDown_ = false;
            host_->touch(platform::TouchPhase::Cancelled, point);
            break;
    }
    checker_->check();
}

// A key press as the host hands it on; the byte's high bit makes it a held key's repeat.
void InterfaceMonkey::pressKey(uint8_t byte) {
    platform::KeyPress press = kKeys[(byte & ~kRepeatBit) % kKeys.size()];
    press.repeat = (byte & kRepeatBit) != 0;
    if (kTrace)
        std::fprintf(stderr, "           key %d, modifiers %u%s\n", static_cast<int>(press.key),
                     press.modifiers, press.repeat ? " (repeat)" : "");
    host_->pressKey(press);
    if (host_->quitRequested()) quit();
}

// A window of `width` x `height` pixels, no smaller than the desktop host's window can be made.
void InterfaceMonkey::resize(float width, float height) {
    const auto minimum = platform::WindowLayout::kMinimumWindow;
    host_->resize(std::max(width, minimum.width), std::max(height, minimum.height));
}

void InterfaceMonkey::quit() {
    checker_.reset();
    host_->end();
    interface_ = nullptr;
    platform::services().runLoop->runUntilIdle();
}

void InterfaceMonkey::settle(bool fully) {
    auto& runLoop = *platform::services().runLoop;
    notePlays();
    checker_->checkPass();
    while (runLoop.runOnce()) {
        notePlays();
        checker_->checkPass();
    }
    drawFrame();
    if (fully) checker_->check();
}

// As the host draws after the run loop's passes: only when it needs a frame. Drawing lays the
// tree out, which is when a table makes its cells and a bar its buttons.
void InterfaceMonkey::drawFrame() {
    if (!host_->frameNeeded()) return;
    painter_->clear();
    host_->drawFrame(*painter_);
}

void InterfaceMonkey::passTime(double seconds) {
    auto& runLoop = *platform::services().runLoop;
    auto& clock = environment_->clock();
    // Bounded, so that an input of many long waits still runs in well under a second.
    const double end = std::min(runLoop.now() + seconds, kMaxVirtualSeconds);
    for (;;) {
        // Views and preferences are checked in full once the time has passed: what a timer
        // breaks there stays broken.
        settle(false);
        auto next = runLoop.nextFireTime();
        if (const auto playEnd = nextPlayEnd(); playEnd && (!next || *playEnd < *next))
            next = playEnd;
        if (!next || *next > end) break;
        clock.advanceTo(*next);
        endPlaysDue();
    }
    clock.advanceTo(end);
    endPlaysDue();
    settle(true);
}

// Each play of a registered clip ends after the clip's length, as the device would end it.
void InterfaceMonkey::notePlays() {
    const auto& calls = sound_->calls();
    for (; callsSeen_ < calls.size(); ++callsSeen_) {
        const auto& call = calls[callsSeen_];
        if (call.kind != platform::RecordingSoundService::CallKind::play || call.path.empty())
            continue;
        playsEnding_.emplace(call.time + clipSeconds(call.path), call.sound);
        if (kTrace) std::fprintf(stderr, "%8.3f   play %s\n", call.time, call.path.c_str());
    }
}

void InterfaceMonkey::endPlaysDue() {
    const double now = platform::services().runLoop->now();
    while (!playsEnding_.empty() && playsEnding_.begin()->first <= now) {
        sound_->finish(playsEnding_.begin()->second);
        playsEnding_.erase(playsEnding_.begin());
    }
}

std::optional<double> InterfaceMonkey::nextPlayEnd() const {
    if (playsEnding_.empty()) return std::nullopt;
    return playsEnding_.begin()->first;
}

}  // namespace fuzz
