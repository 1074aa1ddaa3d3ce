// A monkey run and soak of the whole board: the interface built as the program builds it, the
// real sound service on SDL's dummy audio driver, and a long run of random interactions (taps
// on rows, scrolls, edit mode, hiding, reorders, show and hide all, the loop switch, delays,
// shakes in every shake mode, passes of time). The board runs in virtual time (a manual clock
// moved by the run); the audio thread plays in real time, so plays pile up faster than they
// would for a person, which is the harder case for the mixer.
//
// Reports resident memory and open file descriptors after a warm-up (every clip played once)
// and at the end, the most plays sounding at once, and plays requested against completions
// delivered once everything has gone quiet.
//
// Plays and completions are counted by a wrapper around the service through the
// SystemSoundService interface only: "plays sounding" is plays started minus completions
// delivered, so the count does not depend on which mixer the back end uses.
//
// Virtual time is held to at most `speed` times real time (default 50: the run takes a couple
// of minutes), so that the audio, which plays in real time, keeps a sense of proportion; speed
// 0 lets the board run flat out, which piles up hundreds of overlapping plays.
//
// Usage: bench_monkey_soak [interactions=20000] [seed=1] [speed=50]. Exits 1 when a goal is
// missed.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/CustomCell.h"
#include "app/DBSlider.h"
#include "app/MainInterface.h"
#include "app/RootViewController.h"
#include "app/SoundEffect.h"
#include "app/SoundsAppDelegate.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sensors/AccelerometerFeed.h"
#include "platform/audio/MixerSoundService.h"
#include "platform/sdl/SdlAudioOutput.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Switch.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/Window.h"
#include "tests/support/RecordingPainter.h"
#include "tests/support/TouchDriver.h"
#include "tests/support/UiTestEnvironment.h"
#include "tests/support/WavWriter.h"

namespace {
namespace fs = std::filesystem;
using platform::SystemSoundID;
using platform::SystemSoundService;

// The only line that names the back end: the real service as the host opens it.
std::shared_ptr<SystemSoundService> openRealService() {
    platform::RunLoop& runLoop = *platform::services().runLoop;
    return platform::MixerSoundService::create(
        runLoop, std::make_unique<platform::SdlAudioOutput>(runLoop.clock(), "Soundboard",
                                                            "org.example.soundboard.Soundboard"));
}

// Forwards every call to the real service and counts plays and their ends. It keeps its own
// completion registration for each handle from the moment the handle exists, so it sees the end
// of every play, and passes each end on to the registration the board made, if any.
class CountingService final : public SystemSoundService {
public:
    explicit CountingService(std::shared_ptr<SystemSoundService> inner)
        : inner_(std::move(inner)) {}

    long requested = 0;
    long delivered = 0;
    long sounding() const { return requested - delivered; }
    long peakSounding = 0;

    platform::OSStatus createSystemSoundID(const platform::Url& url, SystemSoundID& out) override {
        const platform::OSStatus status = inner_->createSystemSoundID(url, out);
        if (status == kNoErr) {
            clients_[out] = {};
            inner_->addSystemSoundCompletion(out, nullptr, platform::kDefaultRunLoopMode,
                                             &CountingService::ended, this);
        }
        return status;
    }
    void playSystemSound(SystemSoundID sound) override {
        if (clients_.count(sound)) {
            ++requested;
            peakSounding = std::max(peakSounding, sounding());
        }
        inner_->playSystemSound(sound);
    }
    platform::OSStatus addSystemSoundCompletion(SystemSoundID sound, platform::RunLoop*,
                                                platform::RunLoopModes, CompletionProc proc,
                                                void* data) override {
        const auto found = clients_.find(sound);
        if (found == clients_.end() || !proc) return kBadHandleErr;
        found->second = {proc, data};
        return kNoErr;
    }
    void removeSystemSoundCompletion(SystemSoundID sound) override {
        if (const auto found = clients_.find(sound); found != clients_.end()) found->second = {};
    }
    void disposeSystemSoundID(SystemSoundID sound) override {
        clients_.erase(sound);
        inner_->disposeSystemSoundID(sound);
    }

private:
    struct Client {
        CompletionProc proc = nullptr;
        void* data = nullptr;
    };
    static void ended(SystemSoundID sound, void* self) {
        auto& service = *static_cast<CountingService*>(self);
        ++service.delivered;
        const auto found = service.clients_.find(sound);
        if (found != service.clients_.end() && found->second.proc)
            found->second.proc(sound, found->second.data);
    }

    std::shared_ptr<SystemSoundService> inner_;
    std::map<SystemSoundID, Client> clients_;
};

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long openDescriptors() {
    long count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count - 1;  // the listing's own descriptor
}

// The monkey: random interactions with the board, through touches where a person would touch
// and through the actions the controls send where a gesture would only pick a value.
class Monkey {
public:
    Monkey(MainInterface& interface, platform::AccelerometerFeed& feed, unsigned seed)
        : interface_(interface), feed_(feed), random_(seed) {}

    void act() {
        switch (pick(18)) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4:
                tapRow();
                break;
            case 5:
                scroll();
                break;
            case 6:
                board().editTable();
                break;
            case 7:
            case 8:
                tapCheckButton();
                break;
            case 9:
            case 10:
                reorder();
                break;
            case 11:
                tapControl(*board().view(), [](platform::View& v) {
                    return dynamic_cast<platform::Switch*>(&v) != nullptr;
                });
                break;
            case 12:
                setDelay();
                break;
            case 13:
            case 14:
                feed_.jolt();
                break;
            case 15:
                setShakeMode();
                break;
            case 16:
                showOrHideAll();
                break;
            default:
                break;  // time passes only
        }
        frame();
        platform::services().runLoop->runFor(uniform(0.0, 0.6));
    }

    RootViewController& board() { return *interface_.delegate()->rootViewController(); }
    long reorders() const { return reorders_; }
    long toggles() const { return toggles_; }
    // The caption beside the switch: looping off, whatever the switch showed.
    void stopLooping() { board().loopSound(*buttonTitled("Loop")); }
    platform::Window& window() { return *interface_.delegate()->window(); }

    // Lays the views out and draws them, as the host does between events.
    void frame() {
        painter_.clear();
        window().renderTree(painter_);
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    double uniform(double from, double to) {
        return std::uniform_real_distribution<double>(from, to)(random_);
    }
    platform::TableView& table() { return *board().soundTable(); }

    std::shared_ptr<CustomCell> randomVisibleCell() {
        const auto cells = table().visibleCells();
        if (cells.empty()) return nullptr;
        return std::dynamic_pointer_cast<CustomCell>(
            cells[static_cast<size_t>(pick(static_cast<int>(cells.size())))]);
    }
    static platform::Point centreInWindow(const platform::View& view, const platform::Rect& r) {
        const platform::Rect inWindow = view.convertRect(r, nullptr);
        return {inWindow.x() + inWindow.width() / 2, inWindow.y() + inWindow.height() / 2};
    }

    void tapRow() {
        if (auto cell = randomVisibleCell())
            platform::TouchDriver::tap(window(), centreInWindow(*cell, cell->bounds()));
    }
    void scroll() {
        const platform::Point from = centreInWindow(table(), table().bounds());
        const float dy = static_cast<float>(uniform(-150, 150));
        platform::TouchDriver::drag(window(), from, {from.x, from.y + dy}, 1 + pick(8));
    }
    void tapCheckButton() {
        auto cell = randomVisibleCell();
        if (!cell || cell->checkButton()->isHidden() || !cell->sound()) return;
        const bool wasHidden = cell->sound()->hidden();
        platform::TouchDriver::tap(
            window(), centreInWindow(*cell->checkButton(), cell->checkButton()->bounds()));
        if (cell->sound() && cell->sound()->hidden() != wasHidden) ++toggles_;
    }
    void reorder() {
        auto cell = randomVisibleCell();
        if (!cell || !cell->isReorderControlVisible()) return;
        const platform::Point from = centreInWindow(*cell, cell->reorderControlRect());
        const float dy = static_cast<float>(uniform(-3, 3) * platform::TableView::kRowHeight);
        const auto before = board().sounds();
        platform::TouchDriver::drag(window(), from, {from.x, from.y + dy}, 2 + pick(10));
        if (board().sounds() != before) ++reorders_;
    }
    void setDelay() {
        auto& slider = *findView<DBSlider>(*board().view());
        // Mostly short delays so that loops repeat often; now and then the label's reset.
        if (pick(5) == 0) {
            board().delaySound(*buttonTitled("Delay"));
            return;
        }
        slider.setValue(static_cast<float>(uniform(0, 3)));
        board().delaySound(slider);
    }
    void setShakeMode() {
        // The four modes the About screen offers, and now and then one it does not.
        platform::SegmentedControl control({"Nothing", "Last", "Random", "Sweep"});
        control.setSelectedSegmentIndex(pick(10) == 0 ? 7 : pick(4));
        board().changeShakeType(control);
    }
    void showOrHideAll() {
        if (!table().isEditing()) return;
        auto button = buttonTitled(pick(2) ? "Show All" : "Hide All");
        if (button) platform::TouchDriver::tap(window(), centreInWindow(*button, button->bounds()));
    }
    template <class Match>
    void tapControl(platform::View& root, Match match) {
        if (auto* view = find(root, match))
            platform::TouchDriver::tap(window(), centreInWindow(*view, view->bounds()));
    }
    std::shared_ptr<platform::Button> buttonTitled(const std::string& title) {
        return findView<platform::Button>(*board().view(), [&](platform::Button& b) {
            return b.titleForState(platform::kControlStateNormal) == title;
        });
    }
    template <class T, class Match>
    static std::shared_ptr<T> findView(platform::View& root, Match match) {
        for (const auto& child : root.subviews()) {
            if (auto typed = std::dynamic_pointer_cast<T>(child); typed && match(*typed))
                return typed;
            if (auto found = findView<T>(*child, match)) return found;
        }
        return nullptr;
    }
    template <class T>
    static std::shared_ptr<T> findView(platform::View& root) {
        return findView<T>(root, [](T&) { return true; });
    }
    template <class Match>
    static platform::View* find(platform::View& root, Match match) {
        for (const auto& child : root.subviews()) {
            if (match(*child)) return child.get();
            if (auto* found = find(*child, match)) return found;
        }
        return nullptr;
    }

    MainInterface& interface_;
    platform::AccelerometerFeed& feed_;
    std::mt19937 random_;
    platform::RecordingPainter painter_;
    long reorders_ = 0;
    long toggles_ = 0;
};

// The shipped images and names, and twelve short clips of our own, 20 ms to 240 ms, so that
// plays end quickly in real time.
void writeResources(const fs::path& folder) {
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(SOUNDBOARD_RESOURCES_DIR))
        if (entry.is_regular_file() && entry.path().extension() != ".wav")
            fs::copy_file(entry.path(), folder / entry.path().filename());
    for (int i = 1; i <= 12; ++i) {
        platform::WavWriter wav(22050, 1, 16);
        wav.tone(wav.framesFor(0.02 * i));
        wav.write(folder / ("Clip " + std::to_string(i) + ".wav"));
    }
}

// Runs the main loop in real time, without moving the virtual clock, until every play has
// ended or `seconds` have passed.
void waitForQuiet(const CountingService& counter, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (counter.sounding() > 0 && std::chrono::steady_clock::now() < until) {
        platform::services().runLoop->runUntilIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    platform::services().runLoop->runUntilIdle();
}
// Waits in real time, delivering the audio thread's reports, until `virtualElapsed` is no more
// than `speed` times the wall time since `began`.
void keepPace(const CountingService& counter, std::chrono::steady_clock::time_point began,
              double virtualElapsed, double speed) {
    const auto due = began + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                 std::chrono::duration<double>(virtualElapsed / speed));
    while (std::chrono::steady_clock::now() < due) {
        platform::services().runLoop->runUntilIdle();
        if (counter.sounding() == 0) {
            std::this_thread::sleep_until(due);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    platform::services().runLoop->runUntilIdle();
}
}  // namespace

int main(int argc, char** argv) {
    const long interactions = argc > 1 ? std::max(1L, std::atol(argv[1])) : 20000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 1u;
    const double speed = argc > 3 ? std::max(0.0, std::atof(argv[3])) : 50.0;
    char pattern[] = "/tmp/bench_monkey_soak-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    writeResources(folder / "Resources");
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    std::map<std::string, long> logLines;  // what the board said, and how often
    // The board's services on a virtual clock; the sound service's audio thread runs in real
    // time and posts its completions to that run loop.
    auto environment = std::make_unique<platform::UiTestEnvironment>(platform::Services{
        .bundle = std::make_shared<platform::Bundle>(folder / "Resources"),
        .log = [&](const std::string& line) { ++logLines[line]; },
    });
    platform::ManualClock* clock = &environment->clock();
    platform::services().defaults = std::make_shared<platform::UserDefaults>(
        folder / "preferences.json", &environment->runLoop());
    auto real = openRealService();
    if (!real) {
        std::fprintf(stderr, "no audio device\n");
        return 1;
    }
    auto counter = std::make_shared<CountingService>(real);
    platform::services().sound = counter;

    bool ok = true;
    {
        auto interface = MainInterface::load();
        auto& application = *platform::services().application;
        interface->delegate()->applicationDidFinishLaunching(application);
        auto feed = platform::AccelerometerFeed::start(nullptr);
        Monkey monkey(*interface, *feed, seed);
        monkey.frame();
        platform::services().runLoop->runFor(1.0);

        // Warm-up: every clip decoded once, so the baseline holds what a used board holds.
        for (const auto& clip : monkey.board().sounds()) clip->play();
        waitForQuiet(*counter, 5.0);
        const long rssStart = residentKiB();
        const long fdsStart = openDescriptors();

        const auto began = std::chrono::steady_clock::now();
        const double virtualStart = clock->now();
        long peakFirstHalf = 0;
        for (long i = 0; i < interactions; ++i) {
            monkey.act();
            if (speed > 0) keepPace(*counter, began, clock->now() - virtualStart, speed);
            if (i == interactions / 2) peakFirstHalf = counter->peakSounding;
        }
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

        // Quiet down: looping off (the caption's reset), then let every pending thing finish.
        monkey.stopLooping();
        platform::services().runLoop->runFor(10.0);
        waitForQuiet(*counter, 10.0);
        const long rssEnd = residentKiB();
        const long fdsEnd = openDescriptors();

        std::printf(
            "%ld interactions (seed %u, speed %g) in %.1f s of wall time, %.0f s of virtual time; "
            "the board logged:",
            interactions, seed, speed, wall, clock->now());
        for (const auto& [line, count] : logLines)
            std::printf(" \"%s\" x%ld;", line.c_str(), count);
        std::printf("\n%ld reorders moved a clip, %ld check-button taps hid or showed one\n",
                    monkey.reorders(), monkey.toggles());
        std::printf(
            "resident memory: %ld KiB after warm-up, %ld KiB at the end, growth %ld KiB "
            "(goal < 1024)\n",
            rssStart, rssEnd, rssEnd - rssStart);
        std::printf("open file descriptors: %ld after warm-up, %ld at the end (goal: equal)\n",
                    fdsStart, fdsEnd);
        std::printf(
            "plays sounding at once (started minus completed): peak %ld (first half %ld), "
            "%ld at the end\n",
            counter->peakSounding, peakFirstHalf, counter->sounding());
        std::printf("plays requested %ld, completions delivered %ld (goal: equal)\n",
                    counter->requested, counter->delivered);
        ok = rssEnd - rssStart < 1024 && fdsEnd == fdsStart &&
             counter->requested == counter->delivered;
    }
    counter.reset();
    real.reset();
    environment.reset();  // flushes the preferences into the folder, so it goes first
    fs::remove_all(folder);
    return ok ? 0 : 1;
}
