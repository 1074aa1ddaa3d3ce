#include "platform/sdl/VideoDriverChoice.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

}  // namespace

std::optional<std::string> VideoDriverChoice::choose(const Environment& environment) {
    if (environment.requested) return std::nullopt;
    if (!environment.waylandDisplay && !environment.waylandSocketExists) return std::nullopt;
    return "wayland,x11";
}

std::optional<std::string> VideoDriverChoice::waylandSocket(
    const std::optional<std::string>& display, const std::optional<std::string>& runtimeDir) {
    const std::string name = display.value_or("wayland-0");
    if (name.front() == '/') return name;
    if (!runtimeDir) return std::nullopt;
    return *runtimeDir + "/" + name;
}

void VideoDriverChoice::apply() {
    Environment environment{.requested = variable("SDL_VIDEODRIVER"),
                            .waylandDisplay = variable("WAYLAND_DISPLAY"),
                            .runtimeDir = variable("XDG_RUNTIME_DIR")};
    if (const auto socket = waylandSocket(environment.waylandDisplay, environment.runtimeDir)) {
        std::error_code ignored;
        environment.waylandSocketExists = std::filesystem::is_socket(*socket, ignored);
    }
    if (const auto drivers = choose(environment))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers->c_str());
}

}  // namespace platform
