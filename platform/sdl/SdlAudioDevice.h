#pragma once

#include <SDL2/SDL_audio.h>

#include <memory>
#include <string>
#include <vector>

namespace platform {

class Clock;
class VoiceMixer;

// SDL's default audio output, opened at 48 kHz 16-bit stereo with buffers of 128 frames where
// the device grants them and 256 otherwise. Once started, SDL's audio thread pulls every
// buffer from a VoiceMixer, stamped with the host time at which it was asked for, and turns
// the mixer's floats into the device's samples; nothing in that path locks or allocates.
//
// SDL's disk driver (which writes what would be heard to a file, for tests and benchmarks)
// has no clock of its own: it sleeps a whole number of milliseconds per buffer, 5 ms for 256
// frames of 5.33 ms, plus however late the machine wakes it. Its frame counter therefore runs
// some 3 % fast and wanders with the machine's load, by tens of milliseconds over half a
// minute, so that even starts on the host clock land unevenly in its file. With that driver
// the callback waits out the rest of each buffer's duration before taking it, which makes the
// file a recording at exactly 48 kHz of the host clock.
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
    // With a driver that paces itself by sleeping: waits until the buffer about to be filled
    // (`frames` long) is due at the nominal rate, counted from the first buffer.
    void keepPace(int frames);

    SDL_AudioDeviceID device_;
    SDL_AudioSpec spec_;
    VoiceMixer* mixer_ = nullptr;   // non-owning
    const Clock* clock_ = nullptr;  // non-owning
    std::vector<float> mix_;        // the mixer's float buffer, sized when opened
    bool paced_ = false;            // the driver sleeps for its pace: keepPace() corrects it
    double paceOrigin_ = 0;         // host time of frame 0, for keepPace()
};

}  // namespace platform
