// Playing a clip through the real SDL_mixer service (SDL's dummy audio driver unless another is
// chosen): the first play of a 2 s clip opens the file, measures it, registers it and starts it;
// later plays only start it and register the completion. The clip is made as the shipped ones
// are: 48 kHz mono, the device's own rate.

#include <benchmark/benchmark.h>

#include "app/SoundEffect.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/sdl/MixerSoundService.h"
#include "tests/support/WavWriter.h"
#include "platform/foundation/Services.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>

namespace {
namespace fs = std::filesystem;

struct Device {
    fs::path folder;
    fs::path clip;
    std::shared_ptr<platform::MixerSoundService> service;
    // The mixer posts its reports to this steady-clock run loop.
    platform::ScopedServices services{
        {.runLoop = std::make_shared<platform::RunLoop>(std::make_shared<platform::SteadyClock>()),
         .log = [](const std::string&) {}}};

    Device() {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        char pattern[] = "/tmp/bench_first_play-XXXXXX";
        folder = mkdtemp(pattern);
        clip = folder / "Gong.wav";
        platform::WavWriter wav(48000, 1, 16);
        wav.tone(wav.framesFor(2.0));
        wav.write(clip);
        service = platform::MixerSoundService::open();
        services->sound = service;
    }
    ~Device() {
        services->sound.reset();
        service.reset();
        fs::remove_all(folder);
    }
    // Stops every channel and delivers the completions, so channels never pile up.
    void quiet() {
        Mix_HaltChannel(-1);
        platform::services().runLoop->runUntilIdle();
    }
};

void BM_FirstPlay(benchmark::State& state) {
    Device device;
    if (!device.service) return state.SkipWithError("no audio device");
    for (auto _ : state) {
        state.PauseTiming();
        auto sound = std::make_shared<SoundEffect>(device.clip.string());
        state.ResumeTiming();
        sound->play();
        state.PauseTiming();
        if (std::abs(sound->duration() - 2.0) > 1e-3) state.SkipWithError("duration not measured");
        sound.reset();
        device.quiet();
        state.ResumeTiming();
    }
}

void BM_LaterPlay(benchmark::State& state) {
    Device device;
    if (!device.service) return state.SkipWithError("no audio device");
    SoundEffect sound(device.clip.string());
    sound.play();
    device.quiet();
    int sinceQuiet = 0;
    for (auto _ : state) {
        sound.play();
        if (++sinceQuiet == 8) {
            state.PauseTiming();
            device.quiet();
            sinceQuiet = 0;
            state.ResumeTiming();
        }
    }
}

BENCHMARK(BM_FirstPlay)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LaterPlay)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
