// Real-time accuracy of a looping clip: the board loops a 1.2 s clip with a delay of 0.5 s
// through the real SDL_mixer service, with SDL's disk audio driver writing what the device
// would play to a file. Each start is found in the captured audio and compared with its ideal
// time (the first start plus k x 1.7 s). Prints the largest deviation and the drift.
//
// The disk driver paces its writes with whole-millisecond sleeps, so its sample clock runs a
// few per cent off the wall clock. Sample positions are therefore converted to seconds with the
// rate actually written: frames captured divided by the wall time the device was open.
//
// Runs for about 20 s of wall time. Usage: bench_loop_timing [repeats]

#include "app/DBSlider.h"
#include "app/RootViewController.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sdl/MixerSoundService.h"
#include "platform/ui/Accelerometer.h"
#include "platform/ui/Application.h"
#include "platform/ui/ImageCache.h"
#include "platform/ui/TableView.h"
#include "tests/support/WavWriter.h"
#include "platform/foundation/Services.h"

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {
namespace fs = std::filesystem;

constexpr double kClipSeconds = 1.2;
constexpr float kDelaySeconds = 0.5f;

// Forwards to the real service and notes when each play was asked for, so the board's own
// timing can be told apart from the audio path's.
class TimedService final : public platform::SystemSoundService {
public:
    explicit TimedService(std::shared_ptr<platform::SystemSoundService> inner)
        : inner_(std::move(inner)) {}
    std::vector<double> playTimes;

    platform::OSStatus createSystemSoundID(const platform::Url& url,
                                           platform::SystemSoundID& out) override {
        return inner_->createSystemSoundID(url, out);
    }
    void playSystemSound(platform::SystemSoundID sound) override {
        playTimes.push_back(platform::services().runLoop->now());
        inner_->playSystemSound(sound);
    }
    platform::OSStatus addSystemSoundCompletion(platform::SystemSoundID sound,
                                                platform::RunLoop* loop,
                                                platform::RunLoopModes modes, CompletionProc proc,
                                                void* data) override {
        return inner_->addSystemSoundCompletion(sound, loop, modes, proc, data);
    }
    void removeSystemSoundCompletion(platform::SystemSoundID sound) override {
        inner_->removeSystemSoundCompletion(sound);
    }
    void disposeSystemSoundID(platform::SystemSoundID sound) override {
        inner_->disposeSystemSoundID(sound);
    }

private:
    std::shared_ptr<platform::SystemSoundService> inner_;
};

// Prints each time against start 0 + k x period; returns the largest deviation.
double report(const char* what, const std::vector<double>& times, double period) {
    double worst = 0;
    for (size_t k = 0; k < times.size(); ++k) {
        const double deviation = times[k] - times[0] - static_cast<double>(k) * period;
        worst = std::max(worst, std::abs(deviation));
        std::printf("%s %2zu: %9.4f s, ideal %9.4f s, deviation %+7.2f ms\n", what, k,
                    times[k] - times[0], static_cast<double>(k) * period, deviation * 1000);
    }
    const double drift = times.back() - times[0] - static_cast<double>(times.size() - 1) * period;
    std::printf("%s: largest deviation %.2f ms; drift over the run %+.2f ms\n\n", what,
                worst * 1000, drift * 1000);
    return worst;
}

// Sample indices where sound starts after at least 0.2 s of silence.
std::vector<size_t> onsets(const std::vector<int16_t>& mono, int rate) {
    std::vector<size_t> found;
    size_t quiet = static_cast<size_t>(rate);  // silence before the first start counts
    for (size_t i = 0; i < mono.size(); ++i) {
        if (std::abs(mono[i]) > 2000) {
            if (quiet >= static_cast<size_t>(rate / 5)) found.push_back(i);
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return found;
}
}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    char pattern[] = "/tmp/bench_loop_timing-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    const fs::path capture = folder / "capture.raw";
    fs::create_directories(folder / "Resources");
    // A tone at half level from its first sample, so each start is sharp.
    platform::WavWriter clip(48000, 1, 16);
    clip.tone(clip.framesFor(kClipSeconds), 1000.0, 0.5);
    clip.write(folder / "Resources" / "Pulse.wav");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);

    // A steady-clock run loop: the board runs in real time here, against the audio device.
    platform::ScopedServices services(
        {.runLoop = std::make_shared<platform::RunLoop>(std::make_shared<platform::SteadyClock>()),
         .application = std::make_shared<platform::Application>(),
         .accelerometer = std::make_shared<platform::Accelerometer>(),
         .images = std::make_shared<platform::ImageCache>(),
         .log = [](const std::string&) {}});
    auto service = platform::MixerSoundService::open();
    if (!service) {
        std::fprintf(stderr, "no audio device\n");
        return 1;
    }
    const auto opened = std::chrono::steady_clock::now();
    auto timed = std::make_shared<TimedService>(service);
    services->sound = timed;
    services->bundle = std::make_shared<platform::Bundle>(folder / "Resources");
    services->defaults = std::make_shared<platform::UserDefaults>(folder / "preferences.json");

    {
        auto board = std::make_shared<RootViewController>();
        RootViewController::Outlets outlets;
        outlets.soundTable = std::make_shared<platform::TableView>(platform::Rect(0, 0, 320, 372));
        outlets.delaySlider = std::make_shared<DBSlider>(platform::Rect(198, 10, 121, 24));
        outlets.delaySlider->setMaximumValue(90);
        outlets.loopSwitch = std::make_shared<platform::Switch>();
        board->connectOutlets(outlets);
        board->setView(std::make_shared<platform::View>());
        board->view();
        outlets.loopSwitch->setOn(true, false);
        board->loopSound(*outlets.loopSwitch);
        outlets.delaySlider->setValue(kDelaySeconds);
        board->delaySound(*outlets.delaySlider);

        auto& loop = *platform::services().runLoop;
        board->tableViewDidSelectRowAtIndexPath(*outlets.soundTable,
                                                platform::IndexPath::forRow(0, 0));
        loop.runFor(kDelaySeconds + repeats * (kClipSeconds + kDelaySeconds) + 0.2);
        board->loopSound(*outlets.loopSwitch);  // stop
        loop.runFor(kClipSeconds + 0.3);
    }
    const int rate = service->frequency();
    services->sound.reset();
    const std::vector<double> playTimes = std::move(timed->playTimes);
    timed.reset();
    service.reset();
    const double openSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - opened).count();
    services->defaults.reset();

    std::ifstream in(capture, std::ios_base::binary);
    std::vector<int16_t> samples(fs::file_size(capture) / 2);
    in.read(reinterpret_cast<char*>(samples.data()),
            static_cast<std::streamsize>(samples.size() * 2));
    std::vector<int16_t> mono;
    for (size_t i = 0; i + 1 < samples.size(); i += 2) mono.push_back(samples[i]);
    fs::remove_all(folder);

    const auto starts = onsets(mono, rate);
    const double written = static_cast<double>(mono.size()) / openSeconds;
    std::printf(
        "device rate %d Hz, written at %.1f frames per wall second; %zu starts found (expected "
        "%d)\n",
        rate, written, starts.size(), repeats + 1);
    if (starts.size() < 2) return 1;
    const double period = kClipSeconds + kDelaySeconds;
    report("play call", playTimes, period);
    std::vector<double> heard;
    for (size_t start : starts) heard.push_back(static_cast<double>(start) / written);
    report("heard start", heard, period);
    return starts.size() == static_cast<size_t>(repeats + 1) ? 0 : 1;
}
