// The board at rest: the real `soundboard` binary, launched in a process of its own as a user
// launches it, on an X display (Xvfb when no display is set) with SDL's dummy audio driver and no
// accelerometer, left alone for 10 s after a 3 s launch. Measures the board's threads from
// outside: their CPU time (the scheduler's run time in /proc) as a percentage of one core, and
// their wake-ups per second (voluntary context switches: each time one went to sleep and was
// woken again), for the main thread and the accessibility bridge's thread. The audio device's
// thread belongs to SDL and is not counted. Goal: at most 0.1 % of a core and 5 wake-ups a
// second on the main thread; with assistive technology off, no bridge waking and no connection
// to the accessibility bus.
//
// Without a session bus, two cases: the window as launched (on a display without a window
// manager it takes the keyboard focus when it appears, as a new window does on a desktop), and
// the window after another one took the focus from it (a second board, launched a moment later).
// On a private session bus with the AT-SPI2 launcher, two more: assistive technology off, and on.
//
// Each case starts its own X server and its own board: SDL keeps state from one start to the
// next in a process, and a board that finds no display must not be measured in its place.

#include <benchmark/benchmark.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "bench/PrivateSessionBus.h"

namespace {
namespace fs = std::filesystem;

constexpr double kSettleSeconds = 3.0;  // launch, first frames and the status bar's slide-in
constexpr double kMeasureSeconds = 10.0;
constexpr double kHolderDelaySeconds = 1.5;               // the board's window is up by then
constexpr const char* kBridgeThreadName = "a11y-bridge";  // as the bridge names its thread

// A virtual X display for the run when none is set; stopped, and DISPLAY unset again, when the
// object goes away.
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
        // Xvfb writes the display number it chose, then a newline in a second write, once it
        // accepts connections. The pipe stays open until the newline came: Xvfb gives up when
        // that second write fails, and SDL would then find no display.
        std::string number;
        char c = 0;
        while (pid_ > 0 && ::read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(pipeFds[0]);
        if (c == '\n' && !number.empty()) {
            ::setenv("DISPLAY", (":" + number).c_str(), 1);
            started_ = true;
        }
    }
    ~VirtualDisplay() {
        if (started_) ::unsetenv("DISPLAY");
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

private:
    pid_t pid_ = -1;
    bool started_ = false;
};

// A private folder for one board's configuration (so a run neither reads nor changes the
// user's preferences) and its log.
class TemporaryFolder {
public:
    TemporaryFolder() {
        char pattern[] = "/tmp/bench_idle-XXXXXX";
        if (::mkdtemp(pattern)) path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// One `soundboard` process with its own configuration folder, its error output in `log` there.
// Asked to quit (SIGTERM, which it handles as closing the window) when the object goes away.
class Board {
public:
    explicit Board(const TemporaryFolder& folder) : log_(folder.path() / "log") {
        pid_ = ::fork();
        if (pid_ != 0) return;
        ::setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);  // no session bus of the user's
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        ::setenv("SDL_VIDEODRIVER", "x11", 1);
        if (std::FILE* log = std::freopen(log_.c_str(), "w", stderr)) (void)log;
        ::execl(SOUNDBOARD_BINARY, SOUNDBOARD_BINARY, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ~Board() { stop(); }
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    pid_t pid() const { return pid_; }
    bool running() {
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) != 0) pid_ = -1;  // ended, and reaped
        return pid_ > 0;
    }
    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    std::string log() const {
        std::ifstream file(log_);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

private:
    fs::path log_;
    pid_t pid_ = -1;
};

// One thread's figures so far: seconds on a CPU (the scheduler's run time) and voluntary
// context switches.
struct ThreadFigures {
    double cpuSeconds = 0;
    long switches = 0;

    static std::optional<ThreadFigures> of(pid_t pid, pid_t thread) {
        const fs::path task =
            fs::path("/proc") / std::to_string(pid) / "task" / std::to_string(thread);
        ThreadFigures figures;
        long long nanoseconds = 0;
        if (!(std::ifstream(task / "schedstat") >> nanoseconds)) return std::nullopt;
        figures.cpuSeconds = static_cast<double>(nanoseconds) * 1e-9;
        std::ifstream status(task / "status");
        const std::string key = "voluntary_ctxt_switches:";
        for (std::string line; std::getline(status, line);)
            if (line.rfind(key, 0) == 0) figures.switches = std::stol(line.substr(key.size()));
        return figures;
    }
};

// The thread of `pid` with the name `name`, if there is one.
std::optional<pid_t> threadNamed(pid_t pid, const std::string& name) {
    std::error_code error;
    for (const auto& task :
         fs::directory_iterator(fs::path("/proc") / std::to_string(pid) / "task", error)) {
        std::string comm;
        std::getline(std::ifstream(task.path() / "comm"), comm);
        if (comm == name) return std::stoi(task.path().filename().string());
    }
    return std::nullopt;
}

// What a thread did over the measured seconds.
struct Rates {
    double cpuPercent = 0;
    double wakeUpsPerSecond = 0;

    static Rates between(const ThreadFigures& before, const ThreadFigures& after) {
        return {100.0 * (after.cpuSeconds - before.cpuSeconds) / kMeasureSeconds,
                static_cast<double>(after.switches - before.switches) / kMeasureSeconds};
    }
};

// Whether the X window with the keyboard focus belongs to `pid`; nullopt when xdotool cannot say.
std::optional<bool> hasFocus(pid_t pid) {
    std::FILE* xdotool = ::popen("xdotool getwindowfocus getwindowpid 2>/dev/null", "r");
    if (!xdotool) return std::nullopt;
    long owner = 0;
    const bool read = std::fscanf(xdotool, "%ld", &owner) == 1;
    const int status = ::pclose(xdotool);
    if (!read || status != 0) return std::nullopt;
    return owner == pid;
}

void sleepFor(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// The board's main thread and its accessibility bridge's thread over the measured seconds,
// which begin now; `error` says why there are no figures.
struct AtRest {
    Rates main;
    std::optional<Rates> bridge;  // none when the board started no bridge thread
    std::string error;
};

AtRest measureAtRest(Board& board) {
    const pid_t pid = board.pid();
    const auto bridgeThread = threadNamed(pid, kBridgeThreadName);
    const auto figuresNow = [pid](std::optional<pid_t> thread) {
        return thread ? ThreadFigures::of(pid, *thread) : std::nullopt;
    };
    const auto mainBefore = figuresNow(pid);
    const auto bridgeBefore = figuresNow(bridgeThread);
    sleepFor(kMeasureSeconds);
    const auto mainAfter = figuresNow(pid);
    const auto bridgeAfter = figuresNow(bridgeThread);
    AtRest rest;
    const std::string log = board.log();
    if (!mainBefore || !mainAfter || !board.running())
        rest.error = "the board did not run: " + log;
    else if (log.find("Accelerometer: reading") != std::string::npos)
        rest.error = "this machine has an accelerometer";
    if (!rest.error.empty()) return rest;
    rest.main = Rates::between(*mainBefore, *mainAfter);
    if (bridgeBefore && bridgeAfter) rest.bridge = Rates::between(*bridgeBefore, *bridgeAfter);
    return rest;
}

std::string describeFocus(std::optional<bool> focused) {
    return !focused ? "unknown" : *focused ? "held" : "not held";
}

std::string describeBridge(const std::optional<Rates>& bridge) {
    if (!bridge) return "no bridge thread";
    char text[96];
    std::snprintf(text, sizeof text, "bridge thread %.3f %% of a core, %.1f wake-ups/s",
                  bridge->cpuPercent, bridge->wakeUpsPerSecond);
    return text;
}

// Without a session bus, as on a desktop without D-Bus or a kiosk: the board starts no
// accessibility bridge. Argument 0: the window as launched; 1: after a second board took the
// focus.
void BM_BoardAtRestWithoutASensor(benchmark::State& state) {
    const bool focusTaken = state.range(0) == 1;
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");  // the boards find none in their runtime folders
    AtRest rest;
    std::optional<bool> focused;
    for (auto _ : state) {
        VirtualDisplay display;
        TemporaryFolder boardFolder;
        TemporaryFolder holderFolder;
        Board board(boardFolder);
        std::optional<Board> holder;
        if (focusTaken) {
            sleepFor(kHolderDelaySeconds);
            holder.emplace(holderFolder);
        }
        sleepFor(kSettleSeconds - (focusTaken ? kHolderDelaySeconds : 0));
        rest = measureAtRest(board);
        focused = hasFocus(board.pid());
        if (!rest.error.empty()) {
            state.SkipWithError(rest.error.c_str());
            return;
        }
    }
    state.counters["cpu_%"] = rest.main.cpuPercent;
    state.counters["wakeups/s"] = rest.main.wakeUpsPerSecond;
    std::printf(
        "no session bus, window %s (focus %s at the end): main thread at rest for %.0f s: "
        "%.3f %% of a core (goal <= 0.1), %.1f wake-ups/s (goal <= 5); %s\n",
        focusTaken ? "after another window took the focus" : "as launched",
        describeFocus(focused).c_str(), kMeasureSeconds, rest.main.cpuPercent,
        rest.main.wakeUpsPerSecond, describeBridge(rest.bridge).c_str());
}
BENCHMARK(BM_BoardAtRestWithoutASensor)
    ->ArgName("focus_taken")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// On a session bus with the AT-SPI2 launcher, as in a desktop session. Argument 0: assistive
// technology off (the board watches the flag and connects nowhere else); 1: on (the board
// serves its tree on the accessibility bus, and no reader asks anything).
void BM_BoardAtRestOnASessionBus(benchmark::State& state) {
    const bool assistiveTechnologyOn = state.range(0) == 1;
    AtRest rest;
    std::optional<bool> focused;
    std::optional<bool> connected;
    for (auto _ : state) {
        VirtualDisplay display;
        TemporaryFolder busFolder;
        PrivateSessionBus bus(busFolder.path(), assistiveTechnologyOn);
        if (!bus.ready()) {
            state.SkipWithError(
                "no private session bus with the AT-SPI2 launcher (packages dbus-daemon, "
                "at-spi2-core, libglib2.0-bin)");
            return;
        }
        TemporaryFolder boardFolder;
        Board board(boardFolder);
        sleepFor(kSettleSeconds);
        rest = measureAtRest(board);
        focused = hasFocus(board.pid());
        connected = bus.accessibilityBusHasClient(board.pid());
        if (!rest.error.empty()) {
            state.SkipWithError(rest.error.c_str());
            return;
        }
    }
    state.counters["cpu_%"] = rest.main.cpuPercent;
    state.counters["wakeups/s"] = rest.main.wakeUpsPerSecond;
    state.counters["bridge_wakeups/s"] = rest.bridge ? rest.bridge->wakeUpsPerSecond : -1;
    std::printf(
        "session bus, assistive technology %s (focus %s at the end): main thread at rest for "
        "%.0f s: %.3f %% of a core, %.1f wake-ups/s; %s; connected to the accessibility bus: "
        "%s\n",
        assistiveTechnologyOn ? "on" : "off", describeFocus(focused).c_str(), kMeasureSeconds,
        rest.main.cpuPercent, rest.main.wakeUpsPerSecond, describeBridge(rest.bridge).c_str(),
        !connected   ? "unknown"
        : *connected ? "yes"
                     : "no");
}
BENCHMARK(BM_BoardAtRestOnASessionBus)
    ->ArgName("assistive_technology_on")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
