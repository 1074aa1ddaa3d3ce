#pragma once

// A D-Bus session bus of one benchmark case, with the AT-SPI2 bus launcher on it, as a desktop
// session has them: assistive technology off (the launcher's default), or on (IsEnabled set
// true, as a screen reader's start-up sets it). The launcher starts its accessibility bus at
// once in both, so that whether the board connects to it can be asked of that bus.
//
// Everything runs in the given folder (the buses' sockets and the launcher's runtime folder)
// and is stopped by its process id when the object goes away. DBUS_SESSION_BUS_ADDRESS names
// the bus while the object lives, for the processes the benchmark starts after it.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <thread>

class PrivateSessionBus {
public:
    PrivateSessionBus(const std::filesystem::path& folder, bool assistiveTechnologyOn) {
        if (!startDaemon(folder)) return;
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
        launcherPid_ = ::fork();
        if (launcherPid_ == 0) {
            ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
            ::setenv("GSETTINGS_BACKEND", "memory", 1);  // not the user's settings
            silenceOutput();                             // and that of the registry it starts
            ::execl("/usr/libexec/at-spi-bus-launcher", "at-spi-bus-launcher",
                    "--launch-immediately", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ready_ = launcherPid_ > 0 && waitForLauncher() &&
                 (!assistiveTechnologyOn ||
                  sessionCall("org.a11y.Bus", "/org/a11y/bus",
                              "org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled "
                              "'<true>'"));
    }
    ~PrivateSessionBus() {
        stop(launcherPid_);
        stop(daemonPid_);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // The bus and the launcher run, and the flag is set as asked.
    bool ready() const { return ready_; }

    // Whether the process `pid` holds a connection to the accessibility bus; nullopt when the
    // bus cannot be asked.
    std::optional<bool> accessibilityBusHasClient(pid_t pid) const {
        const auto reply = output(
            "gdbus call --session --dest org.a11y.Bus --object-path "
            "/org/a11y/bus --method org.a11y.Bus.GetAddress");
        std::smatch found;
        if (!reply || !std::regex_search(*reply, found, std::regex("'([^']+)'")))
            return std::nullopt;
        const std::string bus = "gdbus call --address '" + found[1].str() +
                                "' --dest org.freedesktop.DBus --object-path "
                                "/org/freedesktop/DBus --method org.freedesktop.DBus.";
        const auto names = output(bus + "ListNames");
        if (!names) return std::nullopt;
        const std::regex uniqueName(":[0-9]+\\.[0-9]+");
        for (auto name = std::sregex_iterator(names->begin(), names->end(), uniqueName);
             name != std::sregex_iterator(); ++name) {
            const auto owner = output(bus + "GetConnectionUnixProcessID " + name->str());
            if (owner && std::regex_search(*owner, std::regex("\\b" + std::to_string(pid) + "\\b")))
                return true;
        }
        return false;
    }

private:
    bool startDaemon(const std::filesystem::path& folder) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return false;
        daemonPid_ = ::fork();
        if (daemonPid_ == 0) {
            ::close(pipeFds[0]);
            silenceOutput();
            const std::string listen = "--address=unix:path=" + (folder / "bus").string();
            const std::string print = "--print-address=" + std::to_string(pipeFds[1]);
            ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile",
                     listen.c_str(), print.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        char c = 0;
        while (daemonPid_ > 0 && ::read(pipeFds[0], &c, 1) == 1 && c != '\n') address_ += c;
        ::close(pipeFds[0]);
        return c == '\n' && !address_.empty();
    }

    // The launcher owns its name once it answers; asked of the bus itself, so that D-Bus does
    // not start a second launcher on demand.
    bool waitForLauncher() const {
        for (int tries = 0; tries < 100; ++tries) {
            const auto owned = output(
                "gdbus call --session --dest org.freedesktop.DBus --object-path "
                "/org/freedesktop/DBus --method org.freedesktop.DBus.NameHasOwner org.a11y.Bus");
            if (owned && owned->find("true") != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    static bool sessionCall(const std::string& destination, const std::string& path,
                            const std::string& methodAndArguments) {
        const std::string command = "gdbus call --session --dest " + destination +
                                    " --object-path " + path + " --method " + methodAndArguments +
                                    " >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }

    static std::optional<std::string> output(const std::string& command) {
        std::FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
        if (!pipe) return std::nullopt;
        std::string text;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
        return ::pclose(pipe) == 0 ? std::optional(text) : std::nullopt;
    }

    // In a child before exec: the buses' notes are not the benchmark's output.
    static void silenceOutput() {
        if (std::FILE* null = std::freopen("/dev/null", "w", stdout)) (void)null;
        if (std::FILE* null = std::freopen("/dev/null", "w", stderr)) (void)null;
    }

    static void stop(pid_t& pid) {
        if (pid <= 0) return;
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }

    std::string address_;
    pid_t daemonPid_ = -1;
    pid_t launcherPid_ = -1;
    bool ready_ = false;
};
