#include "fuzz/InvariantChecker.h"

#include "app/AboutViewController.h"
#include "app/MainInterface.h"
#include "app/RootViewController.h"
#include "app/SoundEffect.h"
#include "app/SoundsAppDelegate.h"
#include "fuzz/FuzzEnvironment.h"
#include "platform/foundation/Services.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/Window.h"
#include "tests/support/RecordingSoundService.h"
#include "tests/support/RunLoopInspector.h"

#include <algorithm>
#include <cmath>

namespace fuzz {
namespace {
using platform::PropertyList;

// -1 when the array is missing.
long arrayLength(const PropertyList::Dictionary& configuration, const char* key) {
    const auto found = configuration.find(key);
    const auto* array = found == configuration.end() ? nullptr : found->second.array();
    return array ? static_cast<long>(array->size()) : -1;
}

void checkArrays(const PropertyList::Dictionary& configuration, const char* which) {
    const long names = arrayLength(configuration, "name");
    const long hidden = arrayLength(configuration, "hidden");
    const long paths = arrayLength(configuration, "path");
    if (names < 0 || names != hidden || names != paths)
        fail("%s configuration's arrays differ: %ld names, %ld flags, %ld paths", which, names,
             hidden, paths);
}

bool finite(const platform::Rect& rect) {
    return std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width()) &&
           std::isfinite(rect.height());
}
}  // namespace

InvariantChecker::InvariantChecker(const MainInterface& interface, platform::RunLoop& runLoop,
                                   const platform::RecordingSoundService& sound)
    : interface_(interface),
      runLoop_(runLoop),
      sound_(sound),
      clipCount_(board(interface).sounds().size()),
      lastNow_(runLoop.now()) {}

void InvariantChecker::check() {
    checkPass();
    checkConfiguration();
    const auto& delegate = *interface_.delegate();
    checkFrames(*delegate.window());
    // The screens that are not on show keep their frames too.
    checkFrames(*delegate.rootViewController()->view());
    checkFrames(*delegate.aboutViewController()->view());
}

void InvariantChecker::checkPass() {
    const double now = runLoop_.now();
    if (!(now >= lastNow_)) fail("the clock went back from %.6f to %.6f", lastNow_, now);
    lastNow_ = now;

    const RootViewController& root = board(interface_);
    if (root.sounds().size() != clipCount_)
        fail("the board holds %zu clips instead of %zu", root.sounds().size(), clipCount_);
    checkTimers();
}

void InvariantChecker::checkConfiguration() const {
    const auto& own = board(interface_).configuration();
    if (!own) fail("the board has no configuration");
    checkArrays(*own, "the board's");
    const auto stored = platform::services().defaults->objectForKey(kRootObjectKey);
    if (!stored || !stored->dictionary()) fail("no configuration is stored");
    checkArrays(*stored->dictionary(), "the stored");
}

std::vector<std::shared_ptr<SoundEffect>> InvariantChecker::playedSinceLastCheck() {
    std::vector<std::shared_ptr<SoundEffect>> played;
    const auto& calls = sound_.calls();
    for (; callsSeen_ < calls.size(); ++callsSeen_) {
        const auto& call = calls[callsSeen_];
        if (call.kind != platform::RecordingSoundService::CallKind::play) continue;
        for (const auto& clip : board(interface_).sounds())
            if (clip->path() == call.path) played.push_back(clip);
    }
    return played;
}

// A pending playback is the one kind of timer that carries a clip as user info. A clip that
// was pending or looping when it was hidden, or that was chosen in edit mode, keeps playing
// after edit mode ends (nothing but the options and a new choice cancel a playback), so the
// rule is checked where a clip is chosen: a playback scheduled in normal mode for a hidden clip
// is broken unless it is the repeat of a loop, scheduled in the pass that played the clip.
void InvariantChecker::checkTimers() {
    const RootViewController& root = board(interface_);
    const bool editing = root.soundTable()->isEditing();
    const auto played = playedSinceLastCheck();
    const double now = runLoop_.now();

    std::shared_ptr<platform::Timer> pending;
    uint64_t newest = lastTimerSequence_;
    for (const auto& timer : platform::RunLoopInspector::queuedTimers(runLoop_)) {
        const bool isNew = timer->sequence() > lastTimerSequence_;
        newest = std::max(newest, timer->sequence());
        if (isNew && !(timer->fireTime() >= now))
            fail("a timer was scheduled at %.6f to fire at %.6f", now, timer->fireTime());
        const auto clip = timer->userInfo<SoundEffect>();
        if (!timer->isValid() || !clip) continue;
        if (pending) fail("two playbacks are pending");
        pending = timer;
        const bool repeat = std::find(played.begin(), played.end(), clip) != played.end();
        if (isNew && !editing && clip->hidden() && !repeat)
            fail("the hidden clip \"%s\" was chosen in normal mode", clip->name().c_str());
    }
    lastTimerSequence_ = newest;
    if (pending && root.timer() != pending)
        fail("a playback is pending that the board's timer does not refer to");
}

void InvariantChecker::checkFrames(const platform::View& view) const {
    if (!finite(view.frame()) || !finite(view.bounds()) || !finite(view.presentationFrame()))
        fail("a view's frame is not finite: %g %g %g %g", view.frame().x(), view.frame().y(),
             view.frame().width(), view.frame().height());
    for (const auto& subview : view.subviews()) checkFrames(*subview);
}

}  // namespace fuzz
