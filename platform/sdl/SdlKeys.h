#pragma once

#include <SDL2/SDL.h>

#include "platform/ui/Key.h"

namespace platform {

// SDL's keyboard events in the platform's own terms, and the key the SDL host keeps for itself.
class SdlKeys {
public:
    // The key and modifiers of an SDL key press; Key::None for a key the interface never uses.
    static KeyPress translate(const SDL_KeyboardEvent& event);
    // F11: fullscreen on or off.
    static bool isFullscreenToggle(const SDL_KeyboardEvent& event);
};

}  // namespace platform
