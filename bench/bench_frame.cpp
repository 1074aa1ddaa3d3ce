// One frame of the real board, drawn offscreen with the software renderer at scale 2 and in a
// phone-sized window at scale 2.25: with the 12 clips a small board has and with 10,000. The list
// keeps cells only for the rows on screen, so both sizes should cost the same.

#include <benchmark/benchmark.h>

#include "app/MainInterface.h"
#include "app/RootViewController.h"
#include "app/SoundsAppDelegate.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/OffscreenRenderer.h"
#include "platform/ui/WindowLayout.h"
#include "platform/ui/Application.h"
#include "platform/ui/table/TableView.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/UiTestEnvironment.h"
#include "platform/foundation/Services.h"

#include <filesystem>
#include <fstream>

namespace platform {
namespace {
namespace fs = std::filesystem;

// A launched board over a resource folder of `clips` clips (empty files: nothing is played)
// and the shipped images.
struct Board {
    explicit Board(int clips) {
        const fs::path resources = folder / "Resources";
        fs::create_directories(resources);
        for (const auto& entry : fs::directory_iterator(SOUNDBOARD_RESOURCES_DIR))
            if (entry.path().extension() == ".png")
                fs::copy_file(entry.path(), resources / entry.path().filename());
        for (int i = 0; i < clips; ++i)
            std::ofstream(resources / ("Clip " + std::to_string(i) + ".wav"));
        services().bundle = std::make_shared<Bundle>(resources);
        services().defaults = std::make_shared<UserDefaults>(folder / "preferences.json");
        interface = MainInterface::load();
        interface->delegate()->applicationDidFinishLaunching(*services().application);
        services().runLoop->runUntilIdle();
    }
    ~Board() { interface.reset(); }
    Window& window() { return *interface->delegate()->window(); }

    TempDirectory folder;
    UiTestEnvironment env{{.log = [](const std::string&) {}}};
    std::shared_ptr<MainInterface> interface;
};

// Draws the board once, then once per iteration with nothing changed: the caches are warm.
void renderUnchangedFrames(benchmark::State& state, Board& board, OffscreenRenderer& renderer) {
    renderer.render(board.window());
    for (auto _ : state) {
        board.window().setNeedsDisplayFlag(true);
        renderer.render(board.window());
        benchmark::DoNotOptimize(renderer.pixelAt(0, 0));
    }
    state.counters["clips"] = static_cast<double>(state.range(0));
}

// The board in its 640 x 960 pixel window (scale 2).
void BM_BoardFrame(benchmark::State& state) {
    Board board(static_cast<int>(state.range(0)));
    renderUnchangedFrames(state, board, *OffscreenRenderer::create({320, 480}, 2));
}
BENCHMARK(BM_BoardFrame)->Arg(12)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same frame in a phone's window of 720 x 1440 pixels: scale 2.25, and the list shows
// 640 - 480 = 160 points more rows.
void BM_PhoneBoardFrame(benchmark::State& state) {
    Board board(static_cast<int>(state.range(0)));
    auto renderer = OffscreenRenderer::createWindowSized(720, 1440);
    const auto layout = WindowLayout::forPixels(720, 1440);
    board.window().setFrame({0, 0, layout.points.width, layout.points.height});
    renderUnchangedFrames(state, board, *renderer);
}
BENCHMARK(BM_PhoneBoardFrame)->Arg(12)->Arg(10000)->Unit(benchmark::kMillisecond);

// A frame per point of scrolling, down the list and back: rows come and go.
void BM_BoardScrollFrame(benchmark::State& state) {
    Board board(static_cast<int>(state.range(0)));
    auto renderer = OffscreenRenderer::create({320, 480}, 2);
    auto& table = *board.interface->delegate()->rootViewController()->soundTable();
    const float range = table.contentSize().height - table.frame().height();
    float y = 0;
    float step = 1;
    for (auto _ : state) {
        if (y + step > range || y + step < 0) step = -step;
        y += step;
        table.setContentOffset({0, y}, false);
        renderer->render(board.window());
        benchmark::DoNotOptimize(renderer->pixelAt(0, 0));
    }
    state.counters["cells"] = static_cast<double>(table.visibleCells().size());
}
BENCHMARK(BM_BoardScrollFrame)->Arg(12)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace platform

BENCHMARK_MAIN();
