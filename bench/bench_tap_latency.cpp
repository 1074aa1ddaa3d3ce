// Tap to first sample: from an input event's timestamp to the frame where its clip starts in
// the device's stream, over 200 taps at random moments.
//
// The board plays a short clip on each tap (delay 0, loop off) through the mixer service on a
// virtual device: its frames run at exactly 48 kHz, but each buffer is asked for up to 1 ms
// late at random, as a real audio thread wakes, and the run loop gets to each tap between 0
// and 3 ms after it happened, as it does after drawing a frame. Each tap is handled as the
// host handles input: inside a RunLoop::EventScope with the event's timestamp. The latency is
// the start frame's time on the device's own clock less the timestamp; what must hold is that
// it is the same for every tap (spread under 0.1 ms) and at most two buffers plus 1 ms.
//
// With TAP_LATENCY_LIST set in the environment, every tap's time and latency is printed too.

#include "tests/support/UiTestEnvironment.h"
#include "platform/foundation/Services.h"
#include "app/DBSlider.h"
#include "app/RootViewController.h"
#include "bench/ConstantClip.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/audio/MixerSoundService.h"
#include "platform/audio/VoiceMixer.h"
#include "tests/support/VirtualAudioOutput.h"
#include "platform/ui/table/TableView.h"

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

namespace {
namespace fs = std::filesystem;
constexpr int kRate = 48000;
constexpr int kBuffer = 128;
constexpr int kTaps = 200;
}  // namespace

int main() {
    char pattern[] = "/tmp/bench_tap_latency-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    fs::create_directories(folder / "Resources");
    writeConstantClip(folder / "Resources" / "Click.wav", 0.02);
    auto environment = std::make_unique<platform::UiTestEnvironment>(platform::Services{
        .bundle = std::make_shared<platform::Bundle>(folder / "Resources"),
        .defaults = std::make_shared<platform::UserDefaults>(folder / "preferences.json"),
        .log = [](const std::string&) {},
    });
    platform::ManualClock* clock = &environment->clock();
    platform::RunLoop* loop = &environment->runLoop();
    auto output = std::make_shared<platform::VirtualAudioOutput::State>();
    output->bufferFrames = kBuffer;
    auto service = platform::MixerSoundService::create(
        *loop, std::make_unique<platform::VirtualAudioOutput>(output));
    platform::services().sound = service;
    int64_t pulled = 0;
    const auto mixer = [&]() -> platform::VoiceMixer& {
        return dynamic_cast<platform::VoiceMixer&>(*output->source);
    };

    std::vector<double> tapTimes;
    std::vector<float> heard;
    {
        auto board = std::make_shared<RootViewController>();
        RootViewController::Outlets outlets;
        outlets.soundTable = std::make_shared<platform::TableView>(platform::Rect(0, 0, 320, 372));
        outlets.delaySlider = std::make_shared<DBSlider>(platform::Rect(198, 10, 121, 24));
        outlets.loopSwitch = std::make_shared<platform::Switch>();
        board->connectOutlets(outlets);
        board->setView(std::make_shared<platform::View>());
        board->view();

        std::mt19937 random(2026);
        std::uniform_real_distribution<double> lateness(0.0, 0.001);
        std::uniform_real_distribution<double> handlingLag(0.0, 0.003);
        std::uniform_real_distribution<double> gap(0.06, 0.2);
        double nextTap = 3.0;  // after the device clock's mapping has settled
        double nextHandling = nextTap + handlingLag(random);
        std::vector<float> buffer(kBuffer * 2);
        while (static_cast<int>(tapTimes.size()) < kTaps || clock->now() < nextTap + 0.5) {
            const double bufferTime = static_cast<double>(pulled) / kRate;
            if (static_cast<int>(tapTimes.size()) < kTaps && nextHandling <= bufferTime) {
                loop->runFor(nextHandling - clock->now());
                const platform::RunLoop::EventScope event(*loop, nextTap);
                board->tableViewDidSelectRowAtIndexPath(*outlets.soundTable,
                                                        platform::IndexPath::forRow(0, 0));
                tapTimes.push_back(nextTap);
                nextTap += gap(random);
                nextHandling = nextTap + handlingLag(random);
                continue;
            }
            loop->runFor(bufferTime - clock->now());
            mixer().render(buffer.data(), kBuffer, bufferTime + lateness(random));
            pulled += kBuffer;
            for (int i = 0; i < kBuffer; ++i) heard.push_back(buffer[i * 2]);
        }
    }
    const uint64_t late = mixer().lateStarts();
    service.reset();
    environment.reset();  // the preferences flush into the folder as they go
    fs::remove_all(folder);

    std::vector<double> latencies;
    for (size_t i = 1; i < heard.size() && latencies.size() < tapTimes.size(); ++i)
        if (heard[i - 1] == 0.0f && heard[i] != 0.0f)
            latencies.push_back(static_cast<double>(i) / kRate - tapTimes[latencies.size()]);
    if (latencies.size() != tapTimes.size()) {
        std::printf("found %zu starts for %zu taps\n", latencies.size(), tapTimes.size());
        return 1;
    }
    if (getenv("TAP_LATENCY_LIST"))
        for (size_t i = 0; i < latencies.size(); ++i)
            std::printf("%zu %.2f %.4f\n", i, tapTimes[i], latencies[i] * 1000);
    std::sort(latencies.begin(), latencies.end());
    std::printf(
        "%zu taps: tap to first sample median %.4f ms, smallest %.4f ms, largest %.4f ms, "
        "spread %.4f ms (limit: two buffers + 1 ms = %.4f ms); late starts %llu\n",
        latencies.size(), latencies[latencies.size() / 2] * 1000, latencies.front() * 1000,
        latencies.back() * 1000, (latencies.back() - latencies.front()) * 1000,
        (2.0 * kBuffer / kRate + 0.001) * 1000, static_cast<unsigned long long>(late));
    return 0;
}
