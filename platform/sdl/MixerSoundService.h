#pragma once

#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/audio/SystemSoundService.h"

struct Mix_Chunk;

namespace platform {

// The real short-sound service: each registered file is decoded once into an SDL_mixer chunk,
// and every play takes a free mixer channel, so overlapping plays mix. When all channels are
// busy, the channel count doubles.
//
// Threads: SDL_mixer reports a finished channel on the audio thread (or synchronously inside
// a halt or free). That report only posts the channel number to the main run loop; everything
// else, including the lookup of which handle was playing and the completion call, happens on
// the main thread. A post that arrives after the service is gone does nothing.
//
// SDL_mixer's finished-channel hook is one plain function for the whole process, so only one
// service may be open at a time; open() refuses a second one.
class MixerSoundService final : public SystemSoundService,
                                public std::enable_shared_from_this<MixerSoundService> {
public:
    // Opens the default audio device at 48 kHz, 16-bit stereo, with the smallest buffer the
    // device takes. nullptr, after one log line, when there is no device. Channel reports are
    // posted to the installed services' run loop as it is now, which must outlive the service.
    static std::shared_ptr<MixerSoundService> open();
    ~MixerSoundService() override;
    MixerSoundService(const MixerSoundService&) = delete;
    MixerSoundService& operator=(const MixerSoundService&) = delete;

    OSStatus createSystemSoundID(const Url& url, SystemSoundID& outSound) override;
    void playSystemSound(SystemSoundID sound) override;
    OSStatus addSystemSoundCompletion(SystemSoundID sound, RunLoop* runLoop, RunLoopModes modes,
                                      CompletionProc proc, void* clientData) override;
    void removeSystemSoundCompletion(SystemSoundID sound) override;
    void disposeSystemSoundID(SystemSoundID sound) override;

    // The device's sample rate as opened.
    int frequency() const;
    // Mixer channels allocated, and how many of them are sounding now.
    int channelCount() const;
    int playingChannelCount() const;

private:
    struct Completion {
        RunLoop* runLoop;  // non-owning
        RunLoopModes modes;
        CompletionProc proc;
        void* clientData;  // non-owning
    };

    explicit MixerSoundService(RunLoop& reportLoop);
    static void channelFinishedOnAudioThread(int channel);
    void channelFinished(int channel);
    void deliverCompletion(SystemSoundID sound);
    int playOnFreeChannel(Mix_Chunk* chunk);

    RunLoop& reportLoop_;  // non-owning: where the audio thread posts channel reports
    std::map<SystemSoundID, Mix_Chunk*> chunks_;  // owned; freed on dispose
    std::map<SystemSoundID, Completion> completions_;
    // Per channel, the handles of the plays started on it whose end has not been handled yet,
    // oldest first. Each play ends in exactly one report, and reports arrive in order, so the
    // front is the play that a report is about and the back is the one sounding, if any.
    std::vector<std::deque<SystemSoundID>> channelPlays_;
    SystemSoundID nextSound_ = 1;
};

}  // namespace platform
