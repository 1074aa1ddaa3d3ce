// Cost of one audio callback: the mixer renders a 128-frame buffer at 48 kHz with 32
// overlapping voices sounding (each started on a different frame), as SDL's audio thread asks
// for it. Reported as the share of the buffer's own duration (2.67 ms) the render takes, and
// the number of heap allocations made inside the renders, counted by a replacement operator
// new that counts only while a render runs.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "platform/audio/VoiceMixer.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
}  // namespace

// Kept out of line: inlined into the same unit, GCC takes the malloc/free pair for a mismatch.
[[gnu::noinline]] void* operator new(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* memory) noexcept { std::free(memory); }
[[gnu::noinline]] void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {
constexpr int kRate = 48000;
constexpr int kBuffer = 128;
constexpr int kVoices = 32;

void BM_Render32Voices(benchmark::State& state) {
    platform::VoiceMixer mixer(kRate, 0.006);
    platform::DecodedClip clip;
    clip.samples.assign(static_cast<size_t>(kRate) * 30 * 2, 0.01f);  // 30 s
    for (int v = 0; v < kVoices; ++v) mixer.play(clip, 1, static_cast<uint64_t>(v + 1), v * 0.0001);
    std::vector<float> buffer(kBuffer * 2);
    // Long enough for every voice to have started.
    for (int i = 0; i < 16; ++i)
        mixer.render(buffer.data(), kBuffer, static_cast<double>(mixer.frame()) / kRate);
    allocations = 0;
    for (auto _ : state) {
        counting = true;
        mixer.render(buffer.data(), kBuffer, static_cast<double>(mixer.frame()) / kRate);
        counting = false;
        benchmark::DoNotOptimize(buffer.data());
    }
    const double bufferSeconds = static_cast<double>(kBuffer) / kRate;
    state.counters["buffer_share_pct"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * bufferSeconds / 100.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["allocations"] = static_cast<double>(allocations.load());
    if (buffer[0] < 0.3f) state.SkipWithError("not every voice was sounding");
}

// 10000 buffers are 26.7 s of audio: every voice sounds throughout.
BENCHMARK(BM_Render32Voices)->Unit(benchmark::kMicrosecond)->Iterations(10000);
}  // namespace

BENCHMARK_MAIN();
