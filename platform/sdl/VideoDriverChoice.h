#pragma once

#include <optional>
#include <string>

namespace platform {

// Which of SDL's video drivers the board asks for. SDL 2.26 tries X11 before Wayland, so on a
// Wayland session that also runs XWayland (DISPLAY and WAYLAND_DISPLAY both set) it would draw
// through XWayland: scaled up and blurred at an output scale of 2, and without the compositor's
// own touch and keyboard handling. The board asks for Wayland first wherever a Wayland
// compositor runs, keeping X11 as the fallback should the connection fail; SDL_VIDEODRIVER,
// when the user sets it, always wins.
struct VideoDriverChoice {
    // What the choice reads from the environment.
    struct Environment {
        std::optional<std::string> requested{};       // SDL_VIDEODRIVER
        std::optional<std::string> waylandDisplay{};  // WAYLAND_DISPLAY
        std::optional<std::string> runtimeDir{};      // XDG_RUNTIME_DIR
        // Whether the compositor's socket (waylandSocket() of the above) exists.
        bool waylandSocketExists = false;
    };

    // The drivers to ask for, in order and separated by commas as SDL reads them; nothing when
    // SDL's own choice stands (the user chose, or no Wayland compositor runs).
    static std::optional<std::string> choose(const Environment& environment);

    // Where a Wayland client connects: WAYLAND_DISPLAY ("wayland-0" when unset) in
    // XDG_RUNTIME_DIR, or WAYLAND_DISPLAY itself when it is an absolute path. Nothing without
    // a runtime folder for a relative name.
    static std::optional<std::string> waylandSocket(const std::optional<std::string>& display,
                                                    const std::optional<std::string>& runtimeDir);

    // Reads the process's environment and sets SDL's video driver hint before SDL starts.
    // The hint is set at normal priority, below SDL_VIDEODRIVER.
    static void apply();
};

}  // namespace platform
