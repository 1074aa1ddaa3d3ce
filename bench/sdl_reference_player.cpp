// The yardstick of the tap-latency benchmark: the least an SDL program can do to play a sound at
// once. It opens the default audio device of SDL's driver (SDL_AUDIODRIVER chooses it) at 48 kHz,
// 16-bit stereo, with the buffer size given in frames, and plays silence. Each line read on
// standard input starts a 50 ms, 1 kHz tone in the next buffer the driver asks for, and prints
// the CLOCK_MONOTONIC time of the request. The tone begins at full amplitude so its onset is a
// sharp edge in a recording. End of input closes the device and quits.
//
// Usage: sdl_reference_player [FRAMES]   (default 512)
// Prints: "device DRIVER FREQUENCY FRAMES" (what SDL granted), then "request NANOSECONDS" per
// line read.

#include <SDL.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numbers>

namespace {

constexpr int sampleRate = 48000;
constexpr int toneFrames = sampleRate / 20;
constexpr double toneHz = 1000.0;
constexpr double amplitude = 16000.0;

// Shared by the main thread, which asks for a tone, and the audio callback, which plays it.
struct Tone {
    std::atomic<bool> requested{false};
    int framesPlayed = toneFrames;  // audio thread only; toneFrames means silent
};

void fillBuffer(void* userdata, Uint8* stream, int length) {
    auto* tone = static_cast<Tone*>(userdata);
    auto* samples = reinterpret_cast<int16_t*>(stream);
    const int frames = length / (2 * static_cast<int>(sizeof(int16_t)));
    if (tone->requested.exchange(false)) {
        tone->framesPlayed = 0;
    }
    for (int frame = 0; frame < frames; ++frame) {
        int16_t value = 0;
        if (tone->framesPlayed < toneFrames) {
            const double phase = 2.0 * std::numbers::pi * toneHz * tone->framesPlayed / sampleRate;
            value = static_cast<int16_t>(amplitude * std::cos(phase));
            ++tone->framesPlayed;
        }
        samples[2 * frame] = value;
        samples[2 * frame + 1] = value;
    }
}

int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 512;
    if (frames <= 0 || frames > 65535) {
        std::fprintf(stderr, "usage: sdl_reference_player [FRAMES]\n");
        return 2;
    }
    if (SDL_Init(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "sdl_reference_player: no audio: %s\n", SDL_GetError());
        return 1;
    }
    Tone tone;
    SDL_AudioSpec wanted{};
    wanted.freq = sampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = static_cast<Uint16>(frames);
    wanted.callback = fillBuffer;
    wanted.userdata = &tone;
    SDL_AudioSpec obtained{};
    // Only the buffer size may differ from what was asked: SDL converts anything else.
    const SDL_AudioDeviceID device =
        SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (device == 0) {
        std::fprintf(stderr, "sdl_reference_player: cannot open the device: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    std::printf("device %s %d %d\n", SDL_GetCurrentAudioDriver(), obtained.freq, obtained.samples);
    std::fflush(stdout);
    SDL_PauseAudioDevice(device, 0);

    char line[256];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        const int64_t requestedAt = monotonicNanoseconds();
        tone.requested.store(true);
        std::printf("request %lld\n", static_cast<long long>(requestedAt));
        std::fflush(stdout);
    }
    SDL_CloseAudioDevice(device);
    SDL_Quit();
    return 0;
}
