// Start-up to the first frame: building the whole interface, launching (which loads the board
// and its catalogue from the resources and the preferences) and drawing the first screen
// offscreen at scale 2. The display, sound device and sensors are left out: they belong to
// the machine, not to the program.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/MainInterface.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/OffscreenRenderer.h"
#include "platform/ui/Accelerometer.h"
#include "platform/ui/Animation.h"
#include "platform/ui/StatusBar.h"
#include "platform/ui/Application.h"
#include "platform/ui/ImageCache.h"
#include "platform/ui/Window.h"
#include "platform/foundation/Services.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// A private preferences file, so the benchmark neither reads nor changes the user's.
class TemporaryPreferences {
public:
    TemporaryPreferences() {
        char pattern[] = "/tmp/bench_startup-XXXXXX";
        folder_ = mkdtemp(pattern) ? fs::path(pattern) : fs::temp_directory_path();
    }
    ~TemporaryPreferences() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    fs::path file() const { return folder_ / "preferences.json"; }

private:
    fs::path folder_;
};

void BM_StartupToFirstFrame(benchmark::State& state) {
    TemporaryPreferences preferences;
    // The resources and decoded images stay from one start to the next, as the files would in
    // the system's cache; everything else is new each time.
    const auto bundle = std::make_shared<Bundle>(SOUNDBOARD_RESOURCES_DIR);
    const auto images = std::make_shared<ImageCache>();
    auto fonts = std::make_shared<FontCache>();
    std::optional<ScopedServices> services;
    for (auto _ : state) {
        services.emplace(Services{
            .runLoop = std::make_shared<RunLoop>(std::make_shared<ManualClock>()),
            .bundle = bundle,
            .defaults = std::make_shared<UserDefaults>(preferences.file()),
            .application = std::make_shared<Application>(),
            .accelerometer = std::make_shared<Accelerometer>(),
            .images = images,
            .animations = std::make_shared<AnimationContext>(),
        });

        auto interface = MainInterface::load();
        Application& application = *(*services)->application;
        application.delegate()->applicationDidFinishLaunching(application);
        auto renderer = OffscreenRenderer::create({320, 480}, 2, fonts);
        StatusBar statusBar;
        statusBar.update(application);
        renderer->render([&](Painter& painter) {
            if (Window* window = application.keyWindow()) window->renderTree(painter);
            statusBar.draw(painter, 320);
        });
        benchmark::DoNotOptimize(renderer->pixelAt(0, 0));

        state.PauseTiming();
        interface.reset();
        services.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToFirstFrame)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace platform

BENCHMARK_MAIN();
