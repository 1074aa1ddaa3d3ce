// A key press that taps a row, from the SDL event to the board's play request: the key is
// translated, routed to the board's key commands, taps the row through the list, and the
// playback timer (no delay) fires on the run loop's next pass and asks the sound service to
// play. A counting sound service stands in for the device, so only our own work is measured.

#include <benchmark/benchmark.h>

#include "app/MainInterface.h"
#include "app/SoundsAppDelegate.h"
#include "platform/audio/SystemSoundService.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sdl/SdlKeys.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/UiTestEnvironment.h"

#include <filesystem>
#include <fstream>

namespace platform {
namespace {
namespace fs = std::filesystem;

// Accepts every clip and counts the plays.
class CountingSoundService final : public SystemSoundService {
public:
    OSStatus createSystemSoundID(const Url&, SystemSoundID& outSound) override {
        outSound = ++handles;
        return kNoErr;
    }
    void playSystemSound(SystemSoundID) override { ++plays; }
    OSStatus addSystemSoundCompletion(SystemSoundID, RunLoop*, RunLoopModes, CompletionProc,
                                      void*) override {
        return kNoErr;
    }
    void removeSystemSoundCompletion(SystemSoundID) override {}
    void disposeSystemSoundID(SystemSoundID) override {}

    SystemSoundID handles = 0;
    long plays = 0;
};

void BM_KeyTapsRowToPlayRequest(benchmark::State& state) {
    auto sound = std::make_shared<CountingSoundService>();
    TempDirectory folder;
    const fs::path resources = folder / "Resources";
    fs::create_directories(resources);
    for (int i = 0; i < 12; ++i) std::ofstream(resources / ("Clip " + std::to_string(i) + ".wav"));
    UiTestEnvironment env{{.bundle = std::make_shared<Bundle>(resources),
                           .defaults = std::make_shared<UserDefaults>(folder / "preferences.json"),
                           .sound = sound,
                           .log = [](const std::string&) {}}};
    {
        auto interface = MainInterface::load();
        interface->delegate()->applicationDidFinishLaunching(*services().application);
        Window& window = *interface->delegate()->window();
        window.layoutIfNeeded();
        env.runLoop().runUntilIdle();

        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = SDLK_1;
        for (auto _ : state) {
            window.sendKey(SdlKeys::translate(event.key));
            env.runLoop().runUntilIdle();
            // Lets the previous tap's highlight end, as time passes between presses.
            env.clock().advanceBy(1);
        }
        if (sound->plays != static_cast<long>(state.iterations()))
            state.SkipWithError("a key press did not lead to exactly one play request");
    }
}
BENCHMARK(BM_KeyTapsRowToPlayRequest)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace platform

BENCHMARK_MAIN();
