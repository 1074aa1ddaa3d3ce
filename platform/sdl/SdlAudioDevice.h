#pragma once

#include <SDL2/SDL_audio.h>

#include <memory>
#include <string>
#include <vector>

namespace platform {

class Clock;
class VoiceMixer;

// SDL's default audio output, opened at 48 kHz 16-bit stereo with buffers of 128 frames where
// the device grants them and 256 otherwise (and always with SDL's disk driver, whose pace at
// 128 frames is far off). Once started, SDL's audio thread pulls every
// buffer from a VoiceMixer, stamped with the host time at which it was asked for, and turns
// the mixer's floats into the device's samples; nothing in that path locks or allocates.
class SdlAudioDevice {
public:
    static constexpr int kRate = 48000;

    // The device, paused; nullptr with `error` set when there is none.
    static std::unique_ptr<SdlAudioDevice> open(std::string& error);
    // Closes the device: once this returns, the callback has stopped for good.
    ~SdlAudioDevice();
    SdlAudioDevice(const SdlAudioDevice&) = delete;
    SdlAudioDevice& operator=(const SdlAudioDevice&) = delete;

    int rate() const { return spec_.freq; }
    int bufferFrames() const { return spec_.samples; }

    // Starts pulling from `mixer`, reading host times from `clock` (which must be safe to
    // read from another thread, as the steady clock is). Both must outlive the device.
    void start(VoiceMixer& mixer, const Clock& clock);

private:
    SdlAudioDevice(SDL_AudioDeviceID device, const SDL_AudioSpec& spec);
    static void callback(void* self, Uint8* stream, int length);
    void fill(int16_t* out, int frames);

    SDL_AudioDeviceID device_;
    SDL_AudioSpec spec_;
    VoiceMixer* mixer_ = nullptr;   // non-owning
    const Clock* clock_ = nullptr;  // non-owning
    std::vector<float> mix_;        // the mixer's float buffer, sized when opened
};

}  // namespace platform
