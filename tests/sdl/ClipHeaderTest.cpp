// Found by the clip fuzz target: a clip file's header must not make the sound service ask for
// memory that the file does not hold.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/foundation/Url.h"
#include "platform/sdl/MixerSoundService.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/WavWriter.h"

namespace platform {
namespace {

// The largest single request made through SDL's allocator while installed.
struct LargestRequest {
    static inline std::atomic<size_t> bytes{0};
    static inline SDL_malloc_func malloc_ = nullptr;
    static inline SDL_calloc_func calloc_ = nullptr;
    static inline SDL_realloc_func realloc_ = nullptr;
    static inline SDL_free_func free_ = nullptr;

    static void note(size_t size) {
        size_t seen = bytes.load();
        while (size > seen && !bytes.compare_exchange_weak(seen, size)) {
        }
    }
    static void* countedMalloc(size_t size) {
        note(size);
        return malloc_(size);
    }
    static void* countedCalloc(size_t count, size_t size) {
        note(count * size);
        return calloc_(count, size);
    }
    static void* countedRealloc(void* memory, size_t size) {
        note(size);
        return realloc_(memory, size);
    }

    LargestRequest() {
        SDL_GetMemoryFunctions(&malloc_, &calloc_, &realloc_, &free_);
        SDL_SetMemoryFunctions(countedMalloc, countedCalloc, countedRealloc, free_);
    }
    ~LargestRequest() { SDL_SetMemoryFunctions(malloc_, calloc_, realloc_, free_); }
};

TEST(ClipHeaderTest, DataChunkClaimingGigabytesLoadsWhatTheFileHolds) {
    ScopedEnvironment driver("SDL_AUDIODRIVER", "dummy");
    // The service posts its completions to the main run loop.
    ScopedServices services{
        {.runLoop = std::make_shared<RunLoop>(std::make_shared<ManualClock>())}};
    const TempDirectory folder;
    WavWriter wav(22050, 1, 16);
    wav.tone(wav.framesFor(0.1));
    auto bytes = wav.bytes();
    WavWriter::patch32(bytes, WavWriter::kDataSizeOffset, 0xfffffff0u);
    const auto path = folder / "claims-4-GiB.wav";
    ASSERT_TRUE(WavWriter::writeFile(path, bytes));

    const LargestRequest counter;
    auto service = MixerSoundService::open();
    ASSERT_NE(service, nullptr);
    SystemSoundID sound = 0;
    EXPECT_EQ(service->createSystemSoundID(*Url::fileURLWithPath(path.string()), sound),
              SystemSoundService::kNoErr);
    EXPECT_LT(LargestRequest::bytes.load(), size_t{16} << 20);
    service.reset();
}

}  // namespace
}  // namespace platform
