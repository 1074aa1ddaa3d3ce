#pragma once

#include <SDL2/SDL_audio.h>

#include <string>
#include <vector>

#include "platform/audio/AudioOutput.h"

namespace platform {

class Clock;

// The engine's output on SDL's audio device: 48 kHz 16-bit stereo, SDL converting where the
// hardware differs. Each open starts SDL's audio subsystem afresh and each close stops it, so a
// server that was restarted or started late is found again, and no audio thread of SDL's runs
// while the board rests.
//
// The driver: the one SDL_AUDIODRIVER names when a user set it; otherwise PipeWire's own where a
// PipeWire server answers (SDL 2.26 would go through its PulseAudio layer, which adds latency),
// then PulseAudio, then ALSA. The buffer size suits the driver (see bufferFramesFor()). The
// stream carries the application's name and icon and a role, so that the volume controls of
// desktops and phones list it as the board.
class SdlAudioOutput final : public AudioOutput {
public:
    // `clock` stamps the buffers; it must be safe to read from another thread (the steady
    // clock is) and outlive the output.
    SdlAudioOutput(const Clock& clock, std::string applicationName, std::string applicationId);
    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    bool open(std::string& error) override;
    int bufferFrames() const override { return spec_.samples; }
    void start(Source& source) override;
    void close() override;
    bool lost() const override;

    // The buffer to ask `driver` for: the smallest that does not underrun on a quiet machine.
    static int bufferFramesFor(const std::string& driver);

private:
    bool startDriver(std::string& error);
    static void callback(void* self, Uint8* stream, int length);
    void fill(int16_t* out, int frames);

    const Clock& clock_;
    std::string applicationName_;
    std::string applicationId_;
    SDL_AudioDeviceID device_ = 0;
    SDL_AudioSpec spec_{};
    Source* source_ = nullptr;  // non-owning; set while the device pulls
    std::vector<float> mix_;    // the source's float buffer, sized for any buffer SDL asks for
};

}  // namespace platform
