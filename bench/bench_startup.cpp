// Start-up to the first frame: building the whole interface, launching (which loads the board
// and its catalogue from the resources and the preferences) and drawing the first screen
// offscreen at scale 2. The display, sound device and sensors are left out: they belong to
// the machine, not to the program.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/MainInterface.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sdl/OffscreenRenderer.h"
#include "platform/ui/StatusBar.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

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
    Bundle::setMain(std::make_shared<Bundle>(SOUNDBOARD_RESOURCES_DIR));
    auto fonts = std::make_shared<FontCache>();
    for (auto _ : state) {
        RunLoop::setMain(std::make_shared<RunLoop>(std::make_shared<ManualClock>()));
        UserDefaults::setStandard(std::make_shared<UserDefaults>(preferences.file()));
        Application::setShared(std::make_shared<Application>());

        auto interface = MainInterface::load();
        Application& application = Application::shared();
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
        Application::setShared(nullptr);
        UserDefaults::setStandard(nullptr);
        RunLoop::setMain(nullptr);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToFirstFrame)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace platform

BENCHMARK_MAIN();
