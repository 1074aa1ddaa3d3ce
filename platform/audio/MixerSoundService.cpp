#include "platform/audio/MixerSoundService.h"

#include <algorithm>
#include <limits>

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/foundation/Url.h"

namespace platform {
namespace {
// When a play's end has not come back by the time expected (a device running slow, or one
// that has stopped pulling, which the stream notices within a second), or a disposed clip waits
// for its voices to fade, the reports are looked at again this often.
constexpr double kRecheckSeconds = 0.005;
}  // namespace

std::shared_ptr<MixerSoundService> MixerSoundService::create(RunLoop& runLoop,
                                                             std::unique_ptr<AudioOutput> output) {
    std::shared_ptr<MixerSoundService> service(new MixerSoundService(runLoop, std::move(output)));
    // Tried at once, so that a missing device is reported at start; the stream rests again
    // unless a play comes.
    service->stream_.wake();
    return service;
}

MixerSoundService::MixerSoundService(RunLoop& runLoop, std::unique_ptr<AudioOutput> output)
    : runLoop_(runLoop),
      cache_(AudioOutput::kRate),
      stream_(
          runLoop, std::move(output), [this] { return !plays_.empty(); },
          [this] { streamClosed(); }) {}

MixerSoundService::~MixerSoundService() {
    if (const auto timer = collection_.lock()) timer->invalidate();
}

OSStatus MixerSoundService::createSystemSoundID(const Url& url, SystemSoundID& outSound) {
    if (!url.isFileURL()) return kUnspecifiedErr;
    auto clip = cache_.load(url.path());
    if (!clip) return kUnspecifiedErr;
    const SystemSoundID sound = nextSound_++;
    clips_.emplace(sound, std::move(clip));
    outSound = sound;
    return kNoErr;
}

void MixerSoundService::prepareToPlay() { stream_.wake(); }

void MixerSoundService::playSystemSound(SystemSoundID sound) {
    const auto found = clips_.find(sound);
    if (found == clips_.end()) return;
    const DecodedClip& clip = *found->second;
    const double due = runLoop_.dueTime();
    stream_.wake();
    VoiceMixer* mixer = stream_.mixer();
    const uint64_t play = nextPlay_++;
    // Heard, it ends in the mixer after the latency and the clip, and is reported with the
    // buffer that holds its last frame; unheard, after the clip.
    int64_t frames = clip.frames();
    if (mixer) {
        mixer->play(clip, sound, play, due);
        frames += mixer->latencyFrames() + stream_.bufferFrames();
    }
    plays_[play] = {sound, due + static_cast<double>(frames) / AudioOutput::kRate,
                    mixer != nullptr};
    scheduleCollection();
}

OSStatus MixerSoundService::addSystemSoundCompletion(SystemSoundID sound, RunLoop* runLoop,
                                                     RunLoopModes modes, CompletionProc proc,
                                                     void* clientData) {
    if (!proc || !clips_.contains(sound)) return kBadHandleErr;
    completions_[sound] = {runLoop ? runLoop : services().runLoop.get(),
                           modes ? modes : kDefaultRunLoopMode, proc, clientData};
    return kNoErr;
}

void MixerSoundService::removeSystemSoundCompletion(SystemSoundID sound) {
    completions_.erase(sound);
}

void MixerSoundService::disposeSystemSoundID(SystemSoundID sound) {
    completions_.erase(sound);
    const auto found = clips_.find(sound);
    if (found == clips_.end()) return;
    // The clip's samples stay alive until the mixer has let go of every voice of it.
    std::erase_if(plays_, [&](const auto& entry) {
        return entry.second.sound == sound && !entry.second.inMixer;
    });
    if (VoiceMixer* mixer = stream_.mixer()) {
        mixer->stop(sound);
        retired_.push_back({std::move(found->second), sound});
    }
    clips_.erase(found);
    scheduleCollection();
}

void MixerSoundService::streamClosed() {
    // The mixer is gone: its clips are no longer read, and what it still played ends silently
    // when it would have ended.
    retired_.clear();
    for (auto& [play, entry] : plays_) entry.inMixer = false;
    scheduleCollection();
}

void MixerSoundService::collectEnds() {
    if (VoiceMixer* mixer = stream_.mixer()) {
        VoiceMixer::Ended ended{};
        while (mixer->popEnded(ended)) {
            plays_.erase(ended.play);
            if (!ended.stopped) deliverCompletion(ended.sound);
        }
    }
    // Plays no device sounds end at their time, in the order of their ends.
    const double now = runLoop_.now();
    for (;;) {
        auto first = plays_.end();
        for (auto it = plays_.begin(); it != plays_.end(); ++it)
            if (!it->second.inMixer && it->second.expectedEnd <= now &&
                (first == plays_.end() || it->second.expectedEnd < first->second.expectedEnd))
                first = it;
        if (first == plays_.end()) break;
        const SystemSoundID sound = first->second.sound;
        plays_.erase(first);
        deliverCompletion(sound);
    }
    std::erase_if(retired_, [&](const Retired& retired) {
        return std::none_of(plays_.begin(), plays_.end(), [&](const auto& entry) {
            return entry.second.sound == retired.sound && entry.second.inMixer;
        });
    });
    scheduleCollection();
}

void MixerSoundService::scheduleCollection() {
    if (plays_.empty() && retired_.empty()) return;
    // Wake when the earliest play is expected to end; if one in the mixer is overdue, or a
    // disposed clip waits to be freed, look again shortly.
    const double now = runLoop_.now();
    double at = retired_.empty() ? std::numeric_limits<double>::infinity() : now + kRecheckSeconds;
    for (const auto& [play, entry] : plays_) {
        const double overdue = entry.inMixer ? now + kRecheckSeconds : now;
        at = std::min(at, entry.expectedEnd > now ? entry.expectedEnd : overdue);
    }
    if (const auto current = collection_.lock();
        current && current->isValid() && current->fireTime() <= at)
        return;
    if (const auto current = collection_.lock()) current->invalidate();
    // Common modes: reading the reports is the platform's own work; each completion call
    // still waits for its registration's modes.
    collection_ = runLoop_.performAfterDelay(
        at - now,
        [service = weak_from_this()] {
            if (const auto self = service.lock()) self->collectEnds();
        },
        nullptr, kCommonRunLoopModes);
}

void MixerSoundService::deliverCompletion(SystemSoundID sound) {
    const auto found = completions_.find(sound);
    if (found == completions_.end()) return;
    // A timer lets the registration's modes decide when the call may run. The registration is
    // looked up again then: it may have been withdrawn, or the handle disposed, meanwhile.
    found->second.runLoop->performAfterDelay(
        0,
        [service = weak_from_this(), sound] {
            const auto self = service.lock();
            if (!self) return;
            const auto current = self->completions_.find(sound);
            if (current == self->completions_.end()) return;
            const Completion completion = current->second;
            completion.proc(sound, completion.clientData);
        },
        nullptr, found->second.modes);
}

}  // namespace platform
