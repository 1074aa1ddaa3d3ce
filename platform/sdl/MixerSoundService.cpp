#include "platform/sdl/MixerSoundService.h"

#include <algorithm>
#include <limits>

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/foundation/Url.h"
#include "platform/sdl/SdlAudioDevice.h"

namespace platform {
namespace {
// When a play's end has not come back by the time expected (a device running slow, or one
// that has stopped pulling), the reports are looked at again this often.
constexpr double kRecheckSeconds = 0.005;
}  // namespace

double MixerSoundService::latencyFor(int rate, int bufferFrames) {
    return 2.0 * bufferFrames / rate + 0.001;
}

std::shared_ptr<MixerSoundService> MixerSoundService::open() {
    std::string error;
    auto device = SdlAudioDevice::open(error);
    if (!device) {
        Log::print("No audio device: sounds will not play (%s)", error.c_str());
        return nullptr;
    }
    const int rate = device->rate();
    const int frames = device->bufferFrames();
    RunLoop& runLoop = *services().runLoop;
    std::shared_ptr<MixerSoundService> service(
        new MixerSoundService(runLoop, rate, frames, std::move(device)));
    service->device_->start(*service->mixer_, runLoop.clock());
    return service;
}

std::shared_ptr<MixerSoundService> MixerSoundService::offline(RunLoop& runLoop, int rate,
                                                              int bufferFrames) {
    return std::shared_ptr<MixerSoundService>(
        new MixerSoundService(runLoop, rate, bufferFrames, nullptr));
}

MixerSoundService::MixerSoundService(RunLoop& runLoop, int rate, int bufferFrames,
                                     std::unique_ptr<SdlAudioDevice> device)
    : runLoop_(runLoop),
      bufferFrames_(bufferFrames),
      mixer_(std::make_unique<VoiceMixer>(rate, latencyFor(rate, bufferFrames))),
      device_(std::move(device)),
      cache_(rate) {}

MixerSoundService::~MixerSoundService() {
    // The device goes first, so that no callback reads the mixer or a clip being freed.
    device_.reset();
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

void MixerSoundService::playSystemSound(SystemSoundID sound) {
    const auto found = clips_.find(sound);
    if (found == clips_.end()) return;
    const DecodedClip& clip = *found->second;
    const double due = runLoop_.dueTime();
    const uint64_t play = nextPlay_++;
    mixer_->play(clip, sound, play, due);
    // It ends in the mixer after the latency and the clip, and is reported with the buffer
    // that holds its last frame.
    const int64_t frames = mixer_->latencyFrames() + clip.frames() + bufferFrames_;
    plays_[play] = {sound, due + static_cast<double>(frames) / mixer_->rate()};
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
    // The clip's samples stay alive until the audio side has let go of every voice of it.
    retired_.push_back({std::move(found->second), mixer_->stop(sound)});
    clips_.erase(found);
    scheduleCollection();
}

void MixerSoundService::collectEnds() {
    VoiceMixer::Ended ended{};
    while (mixer_->popEnded(ended)) {
        plays_.erase(ended.play);
        if (!ended.stopped) deliverCompletion(ended.sound);
    }
    std::erase_if(retired_, [&](const Retired& r) { return mixer_->applied(r.stopSequence); });
    scheduleCollection();
}

void MixerSoundService::scheduleCollection() {
    if (plays_.empty() && retired_.empty()) return;
    // Wake when the earliest play is expected to end; if one is overdue, or a disposed clip
    // waits to be freed, look again shortly.
    const double now = runLoop_.now();
    double at = retired_.empty() ? std::numeric_limits<double>::infinity() : now + kRecheckSeconds;
    for (const auto& [play, entry] : plays_)
        at = std::min(at, entry.expectedEnd > now ? entry.expectedEnd : now + kRecheckSeconds);
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
