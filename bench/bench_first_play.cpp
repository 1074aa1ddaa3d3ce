// Playing a clip through the mixer service: the first play of a 2 s clip opens the file,
// measures it, decodes it and starts it; later plays only queue a voice and register the
// completion. The clip is made as the shipped ones are: 48 kHz mono, the device's own rate.
//
// The service runs without a device and its mixer is pulled here, between timed runs, with a
// virtual clock: the main thread's work, which is what is measured, is the same as with a
// device, and the voices can be played to their end so that they never pile up.

#include <optional>
#include "platform/foundation/Services.h"
#include <benchmark/benchmark.h>

#include "app/SoundEffect.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/audio/MixerSoundService.h"
#include "tests/support/VirtualAudioOutput.h"
#include "tests/support/WavWriter.h"

#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <vector>

namespace {
namespace fs = std::filesystem;

constexpr int kRate = 48000;
constexpr int kBuffer = 128;

struct Device {
    fs::path folder;
    fs::path clip;
    std::shared_ptr<platform::ManualClock> clock = std::make_shared<platform::ManualClock>();
    std::shared_ptr<platform::RunLoop> loop = std::make_shared<platform::RunLoop>(clock);
    std::optional<platform::ScopedServices> services;
    std::shared_ptr<platform::VirtualAudioOutput::State> output =
        std::make_shared<platform::VirtualAudioOutput::State>();
    std::shared_ptr<platform::MixerSoundService> service;
    std::vector<float> buffer;

    Device() {
        char pattern[] = "/tmp/bench_first_play-XXXXXX";
        folder = mkdtemp(pattern);
        clip = folder / "Gong.wav";
        platform::WavWriter wav(kRate, 1, 16);
        wav.tone(wav.framesFor(2.0));
        wav.write(clip);
        services.emplace(platform::Services{.runLoop = loop, .log = [](const std::string&) {}});
        output->bufferFrames = kBuffer;
        service = platform::MixerSoundService::create(
            *loop, std::make_unique<platform::VirtualAudioOutput>(output));
        platform::services().sound = service;
    }
    ~Device() {
        service.reset();
        services.reset();
        fs::remove_all(folder);
    }
    // Plays every voice to its end in one long pull and delivers the completions; then runs
    // the loop a little longer, so that the clips of disposed handles are freed (and the next
    // first play decodes afresh).
    void quiet() {
        buffer.resize(static_cast<size_t>(kBuffer) * 2);
        for (int frames = 0; frames < 3 * kRate; frames += kBuffer) {
            if (output->source) output->source->render(buffer.data(), kBuffer, clock->now());
            loop->runFor(static_cast<double>(kBuffer) / kRate);
        }
    }
};

void BM_FirstPlay(benchmark::State& state) {
    Device device;
    for (auto _ : state) {
        state.PauseTiming();
        auto sound = std::make_shared<SoundEffect>(device.clip.string());
        state.ResumeTiming();
        sound->play();
        state.PauseTiming();
        if (std::abs(sound->duration() - 2.0) > 1e-3) state.SkipWithError("duration not measured");
        // Given back first, so that the quiet run frees the decoded clip and the next first
        // play decodes afresh.
        sound.reset();
        device.quiet();
        state.ResumeTiming();
    }
}

void BM_LaterPlay(benchmark::State& state) {
    Device device;
    SoundEffect sound(device.clip.string());
    sound.play();
    device.quiet();
    int sinceQuiet = 0;
    for (auto _ : state) {
        sound.play();
        if (++sinceQuiet == 256) {
            state.PauseTiming();
            device.quiet();
            sinceQuiet = 0;
            state.ResumeTiming();
        }
    }
}

BENCHMARK(BM_FirstPlay)->Unit(benchmark::kMicrosecond)->Iterations(300);
// A fixed count: the voices are played out between batches, which takes far longer than the
// plays themselves.
BENCHMARK(BM_LaterPlay)->Unit(benchmark::kMicrosecond)->Iterations(20000);
}  // namespace

BENCHMARK_MAIN();
