// Fuzzes a clip file: its bytes are played once by a SoundEffect, which measures the file with
// the audio-file reader and registers and plays it on the real sound service, here on SDL's
// dummy audio driver (real audio thread, no device). The clip is then disposed of, as the board
// does when it goes away. A clip's length must come out as a finite, non-negative number of
// seconds whatever the file holds: the board adds it to the delay to time the next repeat.
#include "app/SoundEffect.h"
#include "fuzz/FuzzEnvironment.h"
#include "platform/foundation/Services.h"
#include "platform/audio/SystemSoundService.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/audio/MixerSoundService.h"
#include "platform/sdl/SdlAudioOutput.h"
#include "tests/support/TempDirectory.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {
// The real sound service, opened once: opening the device costs far more than a play.
std::shared_ptr<platform::SystemSoundService> openSoundService() {
    platform::RunLoop& runLoop = *platform::services().runLoop;
    return platform::MixerSoundService::create(
        runLoop, std::make_unique<platform::SdlAudioOutput>(runLoop.clock(), "Soundboard",
                                                            "org.example.soundboard.Soundboard"));
}

const platform::TempDirectory& folder() {
    static const platform::TempDirectory directory;
    return directory;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // Kept for the whole process: a steady-clock run loop, on which finished plays are collected,
    // and the real sound service, made once it is installed.
    static const auto* installed = new platform::ScopedServices({
        .runLoop = std::make_shared<platform::RunLoop>(std::make_shared<platform::SteadyClock>()),
        .log = fuzz::quietLog(),
    });
    (void)installed;
    platform::services().sound = openSoundService();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto path =
        folder().writeFile("clip.wav", std::string_view(reinterpret_cast<const char*>(data), size));
    {
        SoundEffect clip(path.string());
        clip.play();
        const double seconds = clip.duration();
        if (!std::isfinite(seconds) || seconds < 0)
            fuzz::fail("a clip's length came out as %g seconds", seconds);
        // Finished plays of earlier inputs, collected on the run loop.
        platform::services().runLoop->runUntilIdle();
    }
    return 0;
}
