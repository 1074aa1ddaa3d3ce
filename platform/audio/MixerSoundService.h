#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/audio/AudioStream.h"
#include "platform/audio/ClipCache.h"
#include "platform/audio/SystemSoundService.h"

namespace platform {

class Timer;

// The real short-sound service: a file is decoded once when it is registered, and each play
// becomes a voice of our own mixer that starts on the exact device frame of the play's due
// time plus one constant output latency. The due time is the run loop's: the fire time of the
// timer, or the timestamp of the input event, being handled when play is called.
//
// The output is open only while sound is wanted (see AudioStream). A play that no device can
// sound (none is there, or it went away) ends when it would have ended, silently, so that the
// board's timing, loops included, goes on, and is heard again once the device is back.
//
// Threads: everything here runs on the main thread. The output's thread only pulls the mixer;
// the plays that have ended come back through the mixer's report queue, which a timer on the
// run loop reads when the next play is expected to end. The completion call itself then runs
// on the registration's run loop and modes, as a timer.
class MixerSoundService final : public SystemSoundService,
                                public std::enable_shared_from_this<MixerSoundService> {
public:
    // The service on `output`, which it tries to open at once (one log line when it cannot).
    // Reports are read on `runLoop`, whose clock must be the one the output stamps buffers with
    // and which must outlive the service.
    static std::shared_ptr<MixerSoundService> create(RunLoop& runLoop,
                                                     std::unique_ptr<AudioOutput> output);
    ~MixerSoundService() override;
    MixerSoundService(const MixerSoundService&) = delete;
    MixerSoundService& operator=(const MixerSoundService&) = delete;

    OSStatus createSystemSoundID(const Url& url, SystemSoundID& outSound) override;
    void playSystemSound(SystemSoundID sound) override;
    OSStatus addSystemSoundCompletion(SystemSoundID sound, RunLoop* runLoop, RunLoopModes modes,
                                      CompletionProc proc, void* clientData) override;
    void removeSystemSoundCompletion(SystemSoundID sound) override;
    void disposeSystemSoundID(SystemSoundID sound) override;
    void prepareToPlay() override;

private:
    struct Completion {
        RunLoop* runLoop;  // non-owning
        RunLoopModes modes;
        CompletionProc proc;
        void* clientData;  // non-owning
    };
    struct Play {
        SystemSoundID sound;
        double expectedEnd;  // on the run loop's clock
        bool inMixer;        // false: no device sounds it; it ends at expectedEnd
    };
    struct Retired {
        std::shared_ptr<const DecodedClip> clip;
        SystemSoundID sound;  // freed once no play of it is left in the mixer
    };

    MixerSoundService(RunLoop& runLoop, std::unique_ptr<AudioOutput> output);
    void streamClosed();
    void collectEnds();
    void scheduleCollection();
    void deliverCompletion(SystemSoundID sound);

    RunLoop& runLoop_;  // non-owning: where ends are collected and due times are read
    ClipCache cache_;
    std::map<SystemSoundID, std::shared_ptr<const DecodedClip>> clips_;
    std::map<SystemSoundID, Completion> completions_;
    std::map<uint64_t, Play> plays_;  // by play number
    std::vector<Retired> retired_;
    std::weak_ptr<Timer> collection_;
    SystemSoundID nextSound_ = 1;
    uint64_t nextPlay_ = 1;
    // Declared last, so that it closes first: no pull outlives the clips it reads.
    AudioStream stream_;
};

}  // namespace platform
