#include "tests/support/RecordingSoundService.h"

#include <algorithm>

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Url.h"
#include "platform/foundation/Services.h"

namespace platform {

RecordingSoundService::RecordingSoundService()
    : self_(std::make_shared<RecordingSoundService*>(this)) {}

RecordingSoundService::~RecordingSoundService() = default;

void RecordingSoundService::setRegistrationStatus(const std::string& path, OSStatus status) {
    statuses_[path] = status;
}

void RecordingSoundService::record(CallKind kind, SystemSoundID sound, std::string path) {
    calls_.push_back({kind, sound, std::move(path), services().runLoop->now()});
}

size_t RecordingSoundService::count(CallKind kind) const {
    return static_cast<size_t>(std::count_if(
        calls_.begin(), calls_.end(), [kind](const Call& call) { return call.kind == kind; }));
}

std::vector<RecordingSoundService::Play> RecordingSoundService::plays() const {
    std::vector<Play> result;
    for (const auto& call : calls_) {
        if (call.kind == CallKind::play && !call.path.empty())
            result.push_back({call.path, call.time});
    }
    return result;
}

std::string RecordingSoundService::pathOf(SystemSoundID sound) const {
    const auto found = paths_.find(sound);
    return found == paths_.end() ? std::string() : found->second;
}

bool RecordingSoundService::hasCompletion(SystemSoundID sound) const {
    return completions_.contains(sound);
}

void RecordingSoundService::finish(SystemSoundID sound) {
    const auto found = completions_.find(sound);
    if (found == completions_.end()) return;
    std::weak_ptr<RecordingSoundService*> alive = self_;
    found->second.runLoop->performAfterDelay(
        0,
        [alive, sound] {
            const auto self = alive.lock();
            if (!self) return;
            const auto current = (*self)->completions_.find(sound);
            if (current == (*self)->completions_.end()) return;
            const Completion completion = current->second;
            completion.proc(sound, completion.clientData);
        },
        nullptr, found->second.modes);
}

OSStatus RecordingSoundService::createSystemSoundID(const Url& url, SystemSoundID& outSound) {
    const std::string path = url.path();
    const auto status = statuses_.find(path);
    if (status != statuses_.end() && status->second != kNoErr) {
        record(CallKind::create, 0, path);
        return status->second;
    }
    const SystemSoundID sound = nextSound_++;
    paths_[sound] = path;
    record(CallKind::create, sound, path);
    outSound = sound;
    return kNoErr;
}

void RecordingSoundService::playSystemSound(SystemSoundID sound) {
    record(CallKind::play, sound, pathOf(sound));
}

OSStatus RecordingSoundService::addSystemSoundCompletion(SystemSoundID sound, RunLoop* runLoop,
                                                         RunLoopModes modes, CompletionProc proc,
                                                         void* clientData) {
    record(CallKind::addCompletion, sound, pathOf(sound));
    if (!proc || !paths_.contains(sound)) return kBadHandleErr;
    completions_[sound] = {runLoop ? runLoop : services().runLoop.get(),
                           modes ? modes : kDefaultRunLoopMode, proc, clientData};
    return kNoErr;
}

void RecordingSoundService::removeSystemSoundCompletion(SystemSoundID sound) {
    record(CallKind::removeCompletion, sound, pathOf(sound));
    completions_.erase(sound);
}

void RecordingSoundService::disposeSystemSoundID(SystemSoundID sound) {
    record(CallKind::dispose, sound, pathOf(sound));
    completions_.erase(sound);
    paths_.erase(sound);
}

}  // namespace platform
