// The board at rest: the real host (SdlHost, as the binary runs it) with the whole interface
// on an X display, SDL's dummy audio driver and no accelerometer, left alone for 10 s. Measures
// the main thread only, from a second thread: its CPU time (the thread's own CPU clock) as a
// percentage of one core, and its wake-ups per second (voluntary context switches: each time it
// went to sleep in SDL and was woken again). The audio device's thread belongs to SDL and is
// not counted. Goal: at most 0.1 % of a core and 5 wake-ups a second.
//
// It runs on X (Xvfb when no display is set) rather than on SDL's dummy video driver, because
// the dummy driver cannot wait for events: SDL then polls for them every millisecond, and the
// figure would measure that poll instead of the board.

#include <benchmark/benchmark.h>

#include <SDL2/SDL.h>
#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "app/MainInterface.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/sdl/SdlHost.h"

namespace {
namespace fs = std::filesystem;

constexpr double kSettleSeconds = 3.0;  // launch, first frames and the status bar's slide-in
constexpr double kMeasureSeconds = 10.0;

// A virtual X display for the run when none is set; stopped when the object goes away.
class VirtualDisplay {
public:
    VirtualDisplay() {
        const char* display = std::getenv("DISPLAY");
        if (display && *display) return;
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(pipeFds[0]);
            const std::string fd = std::to_string(pipeFds[1]);
            if (std::FILE* null = std::freopen("/dev/null", "w", stderr)) (void)null;
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x1080x24",
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        // Xvfb writes the display number it chose once it accepts connections.
        char number[16] = {};
        const ssize_t got = pid_ > 0 ? ::read(pipeFds[0], number, sizeof number - 1) : -1;
        ::close(pipeFds[0]);
        if (got > 0)
            ::setenv("DISPLAY", (":" + std::string(number, strcspn(number, "\n"))).c_str(), 1);
    }
    ~VirtualDisplay() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

private:
    pid_t pid_ = -1;
};

// A private configuration folder, so the run neither reads nor changes the user's preferences.
class TemporaryConfig {
public:
    TemporaryConfig() {
        char pattern[] = "/tmp/bench_idle-XXXXXX";
        folder_ = ::mkdtemp(pattern) ? fs::path(pattern) : fs::temp_directory_path();
        ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    }
    ~TemporaryConfig() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

private:
    fs::path folder_;
};

double threadCpuSeconds(pthread_t thread) {
    clockid_t clock;
    timespec now{};
    if (pthread_getcpuclockid(thread, &clock) != 0 || clock_gettime(clock, &now) != 0) return 0;
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

long voluntarySwitches(long tid) {
    std::ifstream status("/proc/self/task/" + std::to_string(tid) + "/status");
    const std::string key = "voluntary_ctxt_switches:";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
    return 0;
}

// Gives the host's window the keyboard focus once the launch is done, as a window in front has
// on a desktop. Xvfb has no window manager, so otherwise the focus follows the pointer and the
// window may or may not have it.
void focusTheWindowAfterLaunch() {
    // Asked again a little later: X refuses the focus to a window it has not mapped yet.
    for (const double delay : {0.0, 0.5, 1.0})
        platform::services().runLoop->performAfterDelay(delay, [] {
            for (Uint32 id = 1; id < 16; ++id) {
                if (SDL_Window* window = SDL_GetWindowFromID(id)) {
                    // With no window manager the focus follows the pointer: put it inside.
                    SDL_RaiseWindow(window);
                    SDL_WarpMouseInWindow(window, 40, 40);
                    SDL_SetWindowInputFocus(window);
                    return;
                }
            }
        });
}

// Argument 1: the window has the focus; 0: focus left to the X server, as launched. Without the
// focus SDL 2.26 does not block on the X connection but sleeps 1 ms at a time in its wait.
void BM_BoardAtRestWithoutASensor(benchmark::State& state) {
    VirtualDisplay display;
    TemporaryConfig config;
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::atomic<bool> sensorFound = false;

    const pthread_t mainThread = pthread_self();
    const long mainTid = ::syscall(SYS_gettid);
    double cpu = 0;
    long wakeUps = 0;
    bool hadFocus = false;
    for (auto _ : state) {
        // Measures from beside the host, then asks it to quit as closing the window would.
        std::atomic<bool> launched = false;
        std::thread monitor([&] {
            // Counted from the launch: starting X and SDL may take a while on a busy machine.
            while (!launched) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::this_thread::sleep_for(std::chrono::duration<double>(kSettleSeconds));
            const double cpuBefore = threadCpuSeconds(mainThread);
            const long switchesBefore = voluntarySwitches(mainTid);
            std::this_thread::sleep_for(std::chrono::duration<double>(kMeasureSeconds));
            cpu = threadCpuSeconds(mainThread) - cpuBefore;
            wakeUps = voluntarySwitches(mainTid) - switchesBefore;
            // Only read, for the report: whether the window had the keyboard focus.
            hadFocus = SDL_GetKeyboardFocus() != nullptr;
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        });
        platform::Services record = platform::SdlHost::standardServices();
        record.bundle = std::make_shared<platform::Bundle>(SOUNDBOARD_RESOURCES_DIR);
        record.log = [&](const std::string& line) {
            if (line.rfind("Accelerometer: reading", 0) == 0) sensorFound = true;
        };
        platform::SdlHost host;
        const int status = host.run(
            [&] {
                launched = true;
                if (state.range(0) == 1) focusTheWindowAfterLaunch();
                return MainInterface::load();
            },
            std::move(record));
        launched = true;  // a host that failed to start never loads the interface
        monitor.join();
        if (status != 0) state.SkipWithError("the host could not start (no display?)");
    }
    if (sensorFound) state.SkipWithError("this machine has an accelerometer");

    const double cpuPercent = 100.0 * cpu / kMeasureSeconds;
    const double wakeUpsPerSecond = static_cast<double>(wakeUps) / kMeasureSeconds;
    state.counters["cpu_%"] = cpuPercent;
    state.counters["wakeups/s"] = wakeUpsPerSecond;
    std::printf(
        "window %s (focus %s at the end): main thread at rest for %.0f s: %.3f %% of a core (goal "
        "<= 0.1), %.1f "
        "wake-ups/s (goal <= 5)\n",
        state.range(0) == 1 ? "focused" : "as launched", hadFocus ? "held" : "not held",
        kMeasureSeconds, cpuPercent, wakeUpsPerSecond);
}
BENCHMARK(BM_BoardAtRestWithoutASensor)
    ->ArgName("focused")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
