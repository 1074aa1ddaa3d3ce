#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/SystemSoundService.h"

namespace platform {

// A sound service for tests: plays nothing, records every call in order with the main run
// loop's time, and ends a sound only when the test says so (finish). Handles are 1, 2, 3...
// in order of registration; a registration can be refused per path.
class RecordingSoundService final : public SystemSoundService {
public:
    enum class CallKind { create, play, addCompletion, removeCompletion, dispose };

    struct Call {
        CallKind kind;
        SystemSoundID sound;  // for create: the new handle, or 0 when refused
        std::string path;     // the handle's file; empty for handle 0 or an unknown handle
        double time;          // the main run loop's time at the call
    };

    struct Play {
        std::string path;
        double time;
        friend bool operator==(const Play&, const Play&) = default;
    };

    RecordingSoundService();
    ~RecordingSoundService() override;

    // From now on, registering `path` fails with `status` (kNoErr accepts it again).
    void setRegistrationStatus(const std::string& path, OSStatus status);

    const std::vector<Call>& calls() const { return calls_; }
    size_t count(CallKind kind) const;
    // The plays of registered handles, in order; plays of handle 0 or unknown handles are left
    // out, as they make no sound.
    std::vector<Play> plays() const;
    std::string pathOf(SystemSoundID sound) const;
    bool hasCompletion(SystemSoundID sound) const;

    // Ends one play of `sound`, as the device would: if a completion is registered, it is
    // called by a zero-delay timer on its run loop in its modes, provided it is still
    // registered then.
    void finish(SystemSoundID sound);

    OSStatus createSystemSoundID(const Url& url, SystemSoundID& outSound) override;
    void playSystemSound(SystemSoundID sound) override;
    OSStatus addSystemSoundCompletion(SystemSoundID sound, RunLoop* runLoop, RunLoopModes modes,
                                      CompletionProc proc, void* clientData) override;
    void removeSystemSoundCompletion(SystemSoundID sound) override;
    void disposeSystemSoundID(SystemSoundID sound) override;

private:
    struct Completion {
        RunLoop* runLoop;  // non-owning
        RunLoopModes modes;
        CompletionProc proc;
        void* clientData;  // non-owning
    };

    void record(CallKind kind, SystemSoundID sound, std::string path);

    std::vector<Call> calls_;
    std::map<std::string, OSStatus> statuses_;
    std::map<SystemSoundID, std::string> paths_;  // registered, not yet disposed
    std::map<SystemSoundID, Completion> completions_;
    SystemSoundID nextSound_ = 1;
    // Lets timers that outlive this service see that it is gone.
    std::shared_ptr<RecordingSoundService*> self_;
};

}  // namespace platform
