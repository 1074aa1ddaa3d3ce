// Timing of a looping clip as heard. The board loops a clip through the real mixer service
// and each start is found in the audio itself:
//
// 1. Virtual device: the service's mixer is pulled buffer by buffer at exactly 48 kHz on a
//    virtual clock. A 1.2 s clip with a 0.5 s delay, 100 repeats: each start's distance from
//    ideal (first start + k x 1.7 s) and the drift. The same clip with delay 0: the gap or
//    overlap at every seam, in frames (the clip is one constant level, so a gap is silence and
//    an overlap twice the level).
// 2. SDL's disk driver, in real time, as the board runs it: the device waits out each buffer's
//    duration so that the file is a recording at 48 kHz of the host clock, and the device
//    clock's mapping has real wake-up noise to smooth. What must hold there is evenness:
//    every seam's offset within 0.25 ms of the others (a 1 s clip with delay 0), and delayed
//    repeats within 0.25 ms of even spacing (1.2 s + 0.5 s).
//
// Usage: bench_loop_timing [repeats on the disk driver, default 10]  (about 2 x 17 s of wall
// time per 10 repeats)

#include "platform/ui/Accelerometer.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Application.h"
#include "platform/ui/ImageCache.h"
#include <optional>
#include "platform/foundation/Services.h"
#include "app/DBSlider.h"
#include "app/RootViewController.h"
#include "bench/ConstantClip.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/audio/MixerSoundService.h"
#include "tests/support/VirtualAudioOutput.h"
#include "platform/ui/table/TableView.h"

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

namespace {
namespace fs = std::filesystem;

constexpr int kRate = 48000;
constexpr int kBuffer = 128;

// The board, with one clip in its bundle, looping with the given delay.
struct Board {
    std::shared_ptr<RootViewController> controller = std::make_shared<RootViewController>();
    RootViewController::Outlets outlets;

    explicit Board(float delay) {
        outlets.soundTable = std::make_shared<platform::TableView>(platform::Rect(0, 0, 320, 372));
        outlets.delaySlider = std::make_shared<DBSlider>(platform::Rect(198, 10, 121, 24));
        outlets.delaySlider->setMaximumValue(90);
        outlets.loopSwitch = std::make_shared<platform::Switch>();
        controller->connectOutlets(outlets);
        controller->setView(std::make_shared<platform::View>());
        controller->view();
        outlets.loopSwitch->setOn(true, false);
        controller->loopSound(*outlets.loopSwitch);
        outlets.delaySlider->setValue(delay);
        controller->delaySound(*outlets.delaySlider);
    }
    // A tap on the first row, handled as the host handles an input event.
    void tap() {
        auto& loop = *platform::services().runLoop;
        const platform::RunLoop::EventScope event(loop, loop.now());
        controller->tableViewDidSelectRowAtIndexPath(*outlets.soundTable,
                                                     platform::IndexPath::forRow(0, 0));
    }
    void stop() { controller->loopSound(*outlets.loopSwitch); }
};

// A temporary folder with a bundle holding one constant-level clip and preferences beside it,
// installed with the given run loop as the board's services (the sound service comes later).
struct Setup {
    fs::path folder = makeFolder();
    std::optional<platform::ScopedServices> services;
    Setup(double clipSeconds, std::shared_ptr<platform::RunLoop> loop) {
        fs::create_directories(folder / "Resources");
        writeConstantClip(folder / "Resources" / "Pulse.wav", clipSeconds);
        services.emplace(platform::Services{
            .runLoop = std::move(loop),
            .bundle = std::make_shared<platform::Bundle>(folder / "Resources"),
            .defaults = std::make_shared<platform::UserDefaults>(folder / "preferences.json"),
            .application = std::make_shared<platform::Application>(),
            .accelerometer = std::make_shared<platform::Accelerometer>(),
            .images = std::make_shared<platform::ImageCache>(),
            .animations = std::make_shared<platform::AnimationContext>(),
            .log = [](const std::string&) {},
        });
    }
    ~Setup() {
        services.reset();  // the preferences flush into the folder as they go
        fs::remove_all(folder);
    }
    static fs::path makeFolder() {
        char pattern[] = "/tmp/bench_loop_timing-XXXXXX";
        return mkdtemp(pattern);
    }
};

// Runs of one level in a mono signal: [first, end) frames and the level class
// (0 silence, 1 one clip, 2 two clips overlapping).
struct Run {
    int64_t first;
    int64_t end;
    int level;
};
std::vector<Run> runs(const std::vector<float>& mono) {
    std::vector<Run> found;
    for (size_t i = 0; i < mono.size(); ++i) {
        const int level = static_cast<int>(std::lround(mono[i] / 0.5f));
        if (found.empty() || found.back().level != level)
            found.push_back({static_cast<int64_t>(i), static_cast<int64_t>(i), level});
        found.back().end = static_cast<int64_t>(i) + 1;
    }
    return found;
}

// Frames where a clip starts out of silence.
std::vector<int64_t> onsets(const std::vector<Run>& found) {
    std::vector<int64_t> starts;
    for (size_t i = 1; i < found.size(); ++i)
        if (found[i - 1].level == 0 && found[i].level > 0) starts.push_back(found[i].first);
    return starts;
}

// Seam offsets of a gapless loop of a clip `clipFrames` long, in frames: the silence between
// repeats (positive) or their overlap (negative). A seam without either leaves no mark in the
// signal; those are counted from the number of repeats heard and given offset 0.
std::vector<int64_t> seams(const std::vector<Run>& found, int64_t clipFrames) {
    std::vector<int64_t> offsets;
    int64_t heardFrames = 0;
    for (size_t i = 0; i < found.size(); ++i) {
        heardFrames += found[i].level * (found[i].end - found[i].first);
        if (i == 0 || i + 1 == found.size()) continue;
        if (found[i - 1].level != 1 || found[i + 1].level != 1) continue;
        const int64_t length = found[i].end - found[i].first;
        if (found[i].level == 0) offsets.push_back(length);
        if (found[i].level == 2) offsets.push_back(-length);
    }
    const int64_t repeats = (heardFrames + clipFrames / 2) / clipFrames;
    while (static_cast<int64_t>(offsets.size()) < repeats - 1) offsets.push_back(0);
    return offsets;
}

// Each start's distance from even spacing (a least-squares line through the starts), in
// seconds at the nominal rate; also the drift from the ideal period over the run.
void reportSpacing(const char* what, const std::vector<int64_t>& starts, double period) {
    const auto n = static_cast<double>(starts.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t k = 0; k < starts.size(); ++k) {
        const double x = static_cast<double>(k);
        const double y = static_cast<double>(starts[k]) / kRate;
        sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double offset = (sy - slope * sx) / n;
    double fromEven = 0;
    double fromIdeal = 0;
    for (size_t k = 0; k < starts.size(); ++k) {
        const double t = static_cast<double>(starts[k]) / kRate;
        fromEven = std::max(fromEven, std::abs(t - (offset + slope * static_cast<double>(k))));
        const double ideal =
            static_cast<double>(starts[0]) / kRate + period * static_cast<double>(k);
        fromIdeal = std::max(fromIdeal, std::abs(t - ideal));
    }
    const double drift =
        static_cast<double>(starts.back() - starts.front()) / kRate - period * (n - 1);
    std::printf(
        "%s: %zu starts; largest distance from ideal %.4f ms, from even spacing %.4f ms; "
        "drift over the run %+.4f ms; mean period %.6f s\n",
        what, starts.size(), fromIdeal * 1000, fromEven * 1000, drift * 1000, slope);
}

void reportSeams(const char* what, const std::vector<int64_t>& offsets) {
    if (offsets.empty()) {
        std::printf("%s: no seam found\n", what);
        return;
    }
    const auto [low, high] = std::minmax_element(offsets.begin(), offsets.end());
    std::printf(
        "%s: %zu seams; offset from %+lld to %+lld frames (spread %.4f ms; + gap, - overlap)\n",
        what, offsets.size(), static_cast<long long>(*low), static_cast<long long>(*high),
        static_cast<double>(*high - *low) * 1000.0 / kRate);
}

// Loops the clip on a virtual device for `repeats` repeats and returns the left channel.
std::vector<float> virtualLoop(double clipSeconds, float delay, int repeats) {
    auto clock = std::make_shared<platform::ManualClock>();
    auto loop = std::make_shared<platform::RunLoop>(clock);
    Setup setup(clipSeconds, loop);
    auto output = std::make_shared<platform::VirtualAudioOutput::State>();
    output->bufferFrames = kBuffer;
    auto service = platform::MixerSoundService::create(
        *loop, std::make_unique<platform::VirtualAudioOutput>(output));
    platform::services().sound = service;
    std::vector<float> heard;
    int64_t pulled = 0;
    {
        Board board(delay);
        std::vector<float> buffer(kBuffer * 2);
        const auto pull = [&](double seconds) {
            const double end = clock->now() + seconds;
            while (clock->now() < end) {
                output->source->render(buffer.data(), kBuffer, static_cast<double>(pulled) / kRate);
                pulled += kBuffer;
                for (int i = 0; i < kBuffer; ++i) heard.push_back(buffer[i * 2]);
                loop->runFor(static_cast<double>(pulled) / kRate - clock->now());
            }
        };
        pull(0.5);
        clock->advanceBy(0.0012345);  // a tap at an arbitrary moment within a buffer
        board.tap();
        pull(delay + repeats * (clipSeconds + delay) + 0.05);
        board.stop();
        pull(clipSeconds + delay + 0.5);
    }
    return heard;
}

}  // namespace

int main() {
    const auto delayed = runs(virtualLoop(1.2, 0.5f, 100));
    reportSpacing("virtual device, 1.2 s clip + 0.5 s delay", onsets(delayed), 1.7);
    const auto gapless = runs(virtualLoop(1.2, 0.0f, 100));
    reportSeams("virtual device, 1.2 s clip, delay 0", seams(gapless, 57600));
    return 0;
}
