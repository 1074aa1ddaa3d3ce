#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ScopedEnvironment.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/sdl/SdlHost.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "platform/foundation/Services.h"
#include "tests/support/LogInto.h"

namespace platform {
namespace {

TEST(SdlHostScaleTest, ScreenFitsNinetyPercentOfTheDisplayHeight) {
    EXPECT_EQ(SdlHost::windowScale(480), 1);
    EXPECT_EQ(SdlHost::windowScale(1066), 1);  // 2 x 480 would take more than 90%
    EXPECT_EQ(SdlHost::windowScale(1067), 2);
    EXPECT_EQ(SdlHost::windowScale(1600), 3);
    EXPECT_EQ(SdlHost::windowScale(4320), 3);
    EXPECT_EQ(SdlHost::windowScale(300), 1);
    EXPECT_EQ(SdlHost::windowScale(0), 1);
}

// Ends a run that did not end by itself within ten seconds, so that a broken loop fails the
// test instead of hanging it. It waits on a condition, not on the clock of the test.
class Watchdog {
public:
    Watchdog()
        : thread_([this] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, std::chrono::seconds(10), [this] { return finished_; })) {
                  fired_ = true;
                  SDL_Event quit{};
                  quit.type = SDL_QUIT;
                  SDL_PushEvent(&quit);
              }
          }) {}
    ~Watchdog() { finish(); }
    void finish() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    bool fired() const { return fired_; }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    bool fired_ = false;
    std::thread thread_;
};

using Record = std::vector<std::string>;

class RecordingView : public View {
public:
    RecordingView(const Rect& frame, Record& record) : View(frame), record_(record) {}
    void touchesBegan(const TouchSet& touches, const Event&) override { note("began", touches); }
    void touchesMoved(const TouchSet& touches, const Event&) override { note("moved", touches); }
    void touchesEnded(const TouchSet& touches, const Event&) override { note("ended", touches); }
    void touchesCancelled(const TouchSet& touches, const Event&) override {
        note("cancelled", touches);
    }

private:
    void note(const char* phase, const TouchSet& touches) {
        const Point at = touches.anyObject().locationInView(*this);
        record_.push_back(std::string(phase) + " " + std::to_string(static_cast<int>(at.x)) + "," +
                          std::to_string(static_cast<int>(at.y)));
    }
    Record& record_;
};

class RecordingDelegate : public ApplicationDelegate {
public:
    RecordingDelegate(Record& record, std::function<void()> onLaunch)
        : record_(record), onLaunch_(std::move(onLaunch)) {}
    void applicationDidFinishLaunching(Application&) override {
        record_.push_back("launched");
        if (onLaunch_) onLaunch_();
    }
    void applicationWillTerminate(Application&) override { record_.push_back("terminating"); }

private:
    Record& record_;
    std::function<void()> onLaunch_;
};

// What an interface description builds: a window with one view, and the delegate.
struct Interface {
    Interface(Record& record, std::function<void()> onLaunch)
        : record_(record), delegate(record, std::move(onLaunch)) {
        view = std::make_shared<RecordingView>(Rect(50, 25, 100, 100), record);
        window->addSubview(view);
        window->makeKeyAndVisible();
        services().application->setDelegate(&delegate);
    }
    ~Interface() { record_.push_back("released"); }

    Record& record_;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<RecordingView> view;
    RecordingDelegate delegate;
};

void push(SDL_Event event) { SDL_PushEvent(&event); }

SDL_Event mouse(Uint32 type, float x, float y) {
    // The window is 320 points wide; SDL reports the mouse in window units.
    SDL_DisplayMode display{};
    SDL_GetDesktopDisplayMode(0, &display);
    const int scale = SdlHost::windowScale(display.h);
    SDL_Event event{};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
        event.motion.x = static_cast<int>(x * scale);
        event.motion.y = static_cast<int>(y * scale);
    } else {
        event.button.button = SDL_BUTTON_LEFT;
        event.button.x = static_cast<int>(x * scale);
        event.button.y = static_cast<int>(y * scale);
    }
    return event;
}

SDL_Event key(SDL_Keycode code, Uint16 modifiers = KMOD_NONE, bool repeat = false) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = code;
    event.key.keysym.mod = modifiers;
    event.key.repeat = repeat;
    return event;
}

class SdlHostRunTest : public ::testing::Test {
protected:
    int run(std::function<void()> onLaunch) {
        Watchdog watchdog;
        // No resources and no preferences: the host fills in the rest.
        const int status = host_.run(
            [&]() -> std::shared_ptr<void> {
                return std::make_shared<Interface>(record_, std::move(onLaunch));
            },
            Services{});
        watchdog.finish();
        EXPECT_FALSE(watchdog.fired()) << "the run did not end by itself";
        return status;
    }

    ScopedEnvironment video_{"SDL_VIDEODRIVER", "dummy"};
    ScopedEnvironment audio_{"SDL_AUDIODRIVER", "dummy"};
    SdlHost host_;
    Record record_;
};

TEST_F(SdlHostRunTest, MouseIsOneFingerAndControlQEndsTheRunInOrder) {
    const int status = run([] {
        services().runLoop->performAfterDelay(0, [] {
            push(mouse(SDL_MOUSEBUTTONDOWN, 100, 50));
            push(mouse(SDL_MOUSEMOTION, 110, 60));
            push(mouse(SDL_MOUSEBUTTONUP, 110, 60));
            push(key(SDLK_s));
            push(key(SDLK_s, KMOD_NONE, true));  // a held key's repeats are no new presses
            push(key(SDLK_ESCAPE));              // no longer quits: just a key
            push(key(SDLK_q, KMOD_LCTRL));
        });
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(record_, (Record{"launched", "began 50,25", "moved 60,35", "ended 60,35",
                               "terminating", "released"}));
}

TEST_F(SdlHostRunTest, TerminationSignalEndsTheRunInOrder) {
    EXPECT_EQ(run([] { services().runLoop->performAfterDelay(0, [] { std::raise(SIGTERM); }); }),
              0);
    EXPECT_EQ(record_, (Record{"launched", "terminating", "released"}));
}

// A pending timer keeps what it will call alive (a waiting playback keeps the board); quitting
// lets go of it while the sound service it may call on its way out is still installed.
TEST_F(SdlHostRunTest, QuittingWithATimerPendingLetsGoOfItsTargetWhileTheServicesAreThere) {
    struct Witness {
        std::function<void()> onRelease;
        ~Witness() { onRelease(); }
    };
    bool released = false;
    bool soundThere = false;
    EXPECT_EQ(run([&] {
                  auto witness = std::make_shared<Witness>(Witness{[&] {
                      released = true;
                      soundThere = hasServices() && services().sound;
                  }});
                  services().runLoop->performAfterDelay(
                      60, [] {}, std::move(witness));
                  services().runLoop->performAfterDelay(0, [] { push(key(SDLK_q, KMOD_LCTRL)); });
              }),
              0);
    EXPECT_TRUE(released);
    EXPECT_TRUE(soundThere);
}

TEST_F(SdlHostRunTest, TimerWakesTheIdleHostAndControlQEndsTheRun) {
    bool fired = false;
    EXPECT_EQ(run([&] {
                  services().runLoop->performAfterDelay(0.05, [&] {
                      fired = true;
                      push(key(SDLK_q));
                      push(key(SDLK_q, KMOD_LCTRL));
                  });
              }),
              0);
    EXPECT_TRUE(fired);
    EXPECT_EQ(record_.back(), "released");
}

TEST_F(SdlHostRunTest, PostFromAnotherThreadWakesTheIdleHost) {
    std::thread poster;
    std::optional<std::thread::id> ranOn;
    run([&] {
        RunLoop& loop = *services().runLoop;
        poster = std::thread([&loop, &ranOn] {
            loop.post([&ranOn] {
                ranOn = std::this_thread::get_id();
                push(key(SDLK_q, KMOD_LCTRL));
            });
        });
    });
    poster.join();
    ASSERT_TRUE(ranOn.has_value());
    EXPECT_EQ(*ranOn, std::this_thread::get_id());
}

TEST_F(SdlHostRunTest, FirstFrameIsDrawnAndChangesAreDrawnAgain) {
    std::vector<bool> needsDisplay;
    run([&] {
        Window* window = services().application->keyWindow();
        services().runLoop->performAfterDelay(0.02, [&, window] {
            needsDisplay.push_back(window->needsDisplay());
            window->setBackgroundColor(Color::gray());
            needsDisplay.push_back(window->needsDisplay());
            services().runLoop->performAfterDelay(0.02, [&, window] {
                needsDisplay.push_back(window->needsDisplay());
                push(key(SDLK_q, KMOD_LCTRL));
            });
        });
    });
    EXPECT_EQ(needsDisplay, (std::vector<bool>{false, true, false}));
}

// Left running without an accelerometer, SDL's sensor subsystem wakes the idle host every 3 s.
TEST_F(SdlHostRunTest, WithoutAnAccelerometerSdlSensorsAreNotRunning) {
    bool sensorsRunning = true;
    EXPECT_EQ(run([&] {
                  services().runLoop->performAfterDelay(0, [&] {
                      sensorsRunning = SDL_WasInit(SDL_INIT_SENSOR) != 0;
                      push(key(SDLK_q, KMOD_LCTRL));
                  });
              }),
              0);
    EXPECT_FALSE(sensorsRunning);
}

// SDL falls back to its offscreen driver when it finds no display: an invisible window that
// SDL polls for events every millisecond. The host runs on it only when asked to.
TEST(SdlHostStartTest, DisplayLessDriversOnlyWhenAskedFor) {
    struct Case {
        const char* driver;
        const char* requested;
        bool accepted;
    };
    for (const auto& [driver, requested, accepted] : std::vector<Case>{
             {"x11", "", true},
             {"offscreen", "", false},
             {"dummy", "", false},
             {"offscreen", "x11,wayland", false},
             {"offscreen", "offscreenx", false},
             {"dummy", "dummy", true},
             {"offscreen", "x11,OffScreen", true},
         })
        EXPECT_EQ(SdlHost::acceptsVideoDriver(driver, requested), accepted)
            << driver << " with SDL_VIDEODRIVER=" << requested;
}

TEST(SdlHostStartTest, WithoutAVideoDriverTheRunFailsWithALogLine) {
    ScopedEnvironment video("SDL_VIDEODRIVER", "no-such-driver");
    std::vector<std::string> log;
    bool loaded = false;
    SdlHost host;
    const int status = host.run(
        [&]() -> std::shared_ptr<void> {
            loaded = true;
            return nullptr;
        },
        Services{.log = logInto(log)});
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(loaded);
    ASSERT_EQ(log.size(), 1u);
}

}  // namespace
}  // namespace platform
