// Handling one accelerometer sample that is not a shake: a few conversions, a square root and a
// comparison, with no heap allocation. Allocations are counted by replacing the global
// operator new for this program.

#include <benchmark/benchmark.h>

#include "app/RootViewController.h"
#include "platform/ui/Accelerometer.h"
#include "platform/foundation/Services.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocations{0};
}

// Kept out of line: inlined into the same unit, GCC takes the malloc/free pair for a mismatch.
[[gnu::noinline]] void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {
void BM_SampleAtRest(benchmark::State& state) {
    platform::ScopedServices services(
        {.accelerometer = std::make_shared<platform::Accelerometer>()});
    auto board = std::make_shared<RootViewController>();
    auto& accelerometer = *services->accelerometer;
    // Small wobbles within the same whole numbers: never a shake.
    const platform::Acceleration samples[] = {{0.02, -0.03, -0.98, 0},
                                              {0.05, 0.01, -1.02, 0},
                                              {-0.04, 0.02, -0.99, 0},
                                              {0.01, -0.01, -1.01, 0}};
    size_t i = 0;
    const long before = allocations.load();
    for (auto _ : state) {
        board->accelerometerDidAccelerate(accelerometer, samples[i++ & 3]);
        benchmark::ClobberMemory();
    }
    const long allocated = allocations.load() - before;
    state.counters["allocations"] = static_cast<double>(allocated);
    if (allocated != 0) state.SkipWithError("a sample that is not a shake allocated memory");
}
BENCHMARK(BM_SampleAtRest);
}  // namespace

BENCHMARK_MAIN();
