// Loading the board's catalogue of 10,000 clips: a first run (every clip of the resource folder)
// and a restoring run (every stored name looked up again). Clips are made from paths only, so
// no audio file is opened; the benchmark checks that through the sound service, which must see
// no registration at all.

#include <benchmark/benchmark.h>

#include "app/RootViewController.h"
#include "app/SoundEffect.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Url.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/table/TableView.h"
#include "platform/foundation/Services.h"
#include "tests/support/UiTestEnvironment.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace {
namespace fs = std::filesystem;
constexpr int kClips = 10000;

// Counts registrations: a catalogue load must make none.
class CountingSoundService final : public platform::SystemSoundService {
public:
    int registrations = 0;
    platform::OSStatus createSystemSoundID(const platform::Url&,
                                           platform::SystemSoundID&) override {
        ++registrations;
        return -1;
    }
    void playSystemSound(platform::SystemSoundID) override {}
    platform::OSStatus addSystemSoundCompletion(platform::SystemSoundID, platform::RunLoop*,
                                                platform::RunLoopModes, CompletionProc,
                                                void*) override {
        return 0;
    }
    void removeSystemSoundCompletion(platform::SystemSoundID) override {}
    void disposeSystemSoundID(platform::SystemSoundID) override {}
};

struct Catalogue {
    fs::path folder;
    std::shared_ptr<CountingSoundService> sound = std::make_shared<CountingSoundService>();
    platform::UiTestEnvironment env{{.sound = sound, .log = [](const std::string&) {}}};

    Catalogue() {
        char pattern[] = "/tmp/bench_catalogue-XXXXXX";
        folder = mkdtemp(pattern);
        fs::create_directories(folder / "Resources");
        for (int i = 0; i < kClips; ++i)
            std::ofstream(folder / "Resources" / ("Clip " + std::to_string(i) + ".wav"));
    }
    ~Catalogue() {
        platform::services().defaults.reset();  // flushes before the folder goes
        fs::remove_all(folder);
    }

    // One load, as a start of the application does it: a fresh bundle (its folder is listed
    // anew) and a store opened from the preferences file.
    std::shared_ptr<RootViewController> load() {
        auto& services = platform::services();
        services.bundle = std::make_shared<platform::Bundle>(folder / "Resources");
        services.defaults.reset();  // the old store flushes before the new one reads the file
        services.defaults = std::make_shared<platform::UserDefaults>(folder / "preferences.json");
        auto board = std::make_shared<RootViewController>();
        RootViewController::Outlets outlets;
        outlets.soundTable = std::make_shared<platform::TableView>(platform::Rect(0, 0, 320, 372));
        board->connectOutlets(outlets);
        board->setView(std::make_shared<platform::View>());
        board->view();  // loads the view, which loads the catalogue
        return board;
    }
};

void finish(benchmark::State& state, const Catalogue& catalogue, size_t clips) {
    state.counters["clips"] = static_cast<double>(clips);
    state.counters["us_per_clip"] = benchmark::Counter(
        static_cast<double>(kClips),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["files_registered"] = catalogue.sound->registrations;
    if (catalogue.sound->registrations != 0)
        state.SkipWithError("a catalogue load registered a clip");
}

void BM_FirstRun(benchmark::State& state) {
    Catalogue catalogue;
    size_t clips = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(catalogue.folder / "preferences.json");
        state.ResumeTiming();
        clips = catalogue.load()->sounds().size();
    }
    finish(state, catalogue, clips);
}

void BM_RestoringRun(benchmark::State& state) {
    Catalogue catalogue;
    {
        auto board = catalogue.load();
        board->viewDidDisappear(false);  // stores the configuration
        platform::services().defaults->synchronize();
    }
    size_t clips = 0;
    for (auto _ : state) clips = catalogue.load()->sounds().size();
    finish(state, catalogue, clips);
}

BENCHMARK(BM_FirstRun)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RestoringRun)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
