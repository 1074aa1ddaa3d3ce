#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/audio/SystemSoundService.h"
#include "platform/sdl/ClipCache.h"
#include "platform/sdl/VoiceMixer.h"

namespace platform {

class SdlAudioDevice;
class Timer;

// The real short-sound service: a file is decoded once when it is registered, and each play
// becomes a voice of our own mixer that starts on the exact device frame of the play's due
// time plus one constant output latency. The due time is the run loop's: the fire time of the
// timer, or the timestamp of the input event, being handled when play is called.
//
// Threads: everything here runs on the main thread. The audio thread only pulls the mixer;
// the plays that have ended come back through the mixer's report queue, which a timer on the
// run loop reads when the next play is expected to end. The completion call itself then runs
// on the registration's run loop and modes, as a timer.
class MixerSoundService final : public SystemSoundService,
                                public std::enable_shared_from_this<MixerSoundService> {
public:
    // Opens the default audio device (see SdlAudioDevice). nullptr, after one log line, when
    // there is none. Reports are read on the services' run loop as it is now, which must outlive the
    // service; its clock gives the host times of the device's buffers.
    static std::shared_ptr<MixerSoundService> open();
    // A service without a device, whose mixer the caller pulls (tests, benchmarks), with
    // host times from `runLoop`'s clock.
    static std::shared_ptr<MixerSoundService> offline(RunLoop& runLoop, int rate, int bufferFrames);
    ~MixerSoundService() override;
    MixerSoundService(const MixerSoundService&) = delete;
    MixerSoundService& operator=(const MixerSoundService&) = delete;

    OSStatus createSystemSoundID(const Url& url, SystemSoundID& outSound) override;
    void playSystemSound(SystemSoundID sound) override;
    OSStatus addSystemSoundCompletion(SystemSoundID sound, RunLoop* runLoop, RunLoopModes modes,
                                      CompletionProc proc, void* clientData) override;
    void removeSystemSoundCompletion(SystemSoundID sound) override;
    void disposeSystemSoundID(SystemSoundID sound) override;

    int frequency() const { return mixer_->rate(); }
    int bufferFrames() const { return bufferFrames_; }
    // Plays started whose end has not been collected yet.
    size_t playingCount() const { return plays_.size(); }
    // The mixer, for an offline service's owner to pull.
    VoiceMixer& mixer() { return *mixer_; }

    // Two buffers (a request waits up to one for the next callback, and the run loop may get
    // to a due timer or event up to about one late) and a millisecond for the audio thread's
    // own wake-up lateness: 6.3 ms at 128 frames and 48 kHz.
    static double latencyFor(int rate, int bufferFrames);

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
    };
    struct Retired {
        std::shared_ptr<const DecodedClip> clip;
        uint64_t stopSequence;  // freed once the mixer has applied this stop
    };

    MixerSoundService(RunLoop& runLoop, int rate, int bufferFrames,
                      std::unique_ptr<SdlAudioDevice> device);
    void collectEnds();
    void scheduleCollection();
    void deliverCompletion(SystemSoundID sound);

    RunLoop& runLoop_;  // non-owning: where ends are collected and due times are read
    int bufferFrames_;
    std::unique_ptr<VoiceMixer> mixer_;
    // Declared after the mixer so that it closes first: no callback outlives the mixer.
    std::unique_ptr<SdlAudioDevice> device_;
    ClipCache cache_;
    std::map<SystemSoundID, std::shared_ptr<const DecodedClip>> clips_;
    std::map<SystemSoundID, Completion> completions_;
    std::map<uint64_t, Play> plays_;  // by play number
    std::vector<Retired> retired_;
    std::weak_ptr<Timer> collection_;
    SystemSoundID nextSound_ = 1;
    uint64_t nextPlay_ = 1;
};

}  // namespace platform
