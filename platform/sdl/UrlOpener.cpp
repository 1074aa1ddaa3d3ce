#include "platform/sdl/UrlOpener.h"

#include <SDL2/SDL.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/foundation/Log.h"

namespace platform {

UrlOpener::UrlOpener(std::string program) : program_(std::move(program)) {}

bool UrlOpener::acceptable(const std::string& url) const {
    if (!url.empty() && url.front() != '-' && url.find('\0') == std::string::npos) return true;
    Log::print("Not opening the address \"%s\"", url.c_str());
    return false;
}

bool UrlOpener::open(const std::string& url) const {
    if (!acceptable(url)) return false;
    if (SDL_OpenURL(url.c_str()) == 0) return true;
    return launch(url);
}

bool UrlOpener::launch(const std::string& url) const {
    if (!acceptable(url)) return false;
    // Everything the child needs is prepared before fork: after it, only calls that are
    // safe in a copy of a threaded process are made.
    std::string program = program_;
    std::string argument = url;
    char* argv[] = {program.data(), argument.data(), nullptr};

    // The grandchild reports a failed exec through this pipe; a successful exec closes it.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        Log::print("Cannot start %s: %s", program_.c_str(), std::strerror(errno));
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        // The middle process exits at once so that the helper is adopted by init, which
        // reaps it whenever it ends; this process only has to reap the middle one.
        close(report[0]);
        const pid_t helper = fork();
        if (helper == 0) {
            execvp(argv[0], argv);
            const int error = errno;
            (void)!write(report[1], &error, sizeof error);
            _exit(127);
        }
        _exit(helper < 0 ? 1 : 0);
    }
    close(report[1]);
    int error = child < 0 ? errno : 0;
    if (child > 0) {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        ssize_t got = 0;
        while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
        }
        if (got != static_cast<ssize_t>(sizeof error)) error = 0;
        // The middle process could not fork the helper.
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) error = EAGAIN;
    }
    close(report[0]);
    if (error != 0) {
        Log::print("Cannot start %s: %s", program_.c_str(), std::strerror(error));
        return false;
    }
    return true;
}

}  // namespace platform
