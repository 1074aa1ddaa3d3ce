#include "platform/sdl/SdlKeys.h"

namespace platform {
namespace {

Key keyOf(SDL_Keycode code) {
    if ((code >= SDLK_a && code <= SDLK_z) || (code >= SDLK_0 && code <= SDLK_9))
        return keyFor(static_cast<char>(code));
    switch (code) {
        case SDLK_BACKSPACE:
            return Key::Backspace;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return Key::Return;
        case SDLK_ESCAPE:
            return Key::Escape;
        case SDLK_SPACE:
            return Key::Space;
        case SDLK_UP:
            return Key::Up;
        case SDLK_DOWN:
            return Key::Down;
        case SDLK_LEFT:
            return Key::Left;
        case SDLK_RIGHT:
            return Key::Right;
        case SDLK_HOME:
            return Key::Home;
        case SDLK_END:
            return Key::End;
        case SDLK_PAGEUP:
            return Key::PageUp;
        case SDLK_PAGEDOWN:
            return Key::PageDown;
        default:
            return Key::None;
    }
}

}  // namespace

KeyPress SdlKeys::translate(const SDL_KeyboardEvent& event) {
    uint32_t modifiers = kKeyModifierNone;
    if (event.keysym.mod & KMOD_SHIFT) modifiers |= kKeyModifierShift;
    if (event.keysym.mod & KMOD_CTRL) modifiers |= kKeyModifierControl;
    if (event.keysym.mod & KMOD_ALT) modifiers |= kKeyModifierAlt;
    return {keyOf(event.keysym.sym), modifiers, event.repeat != 0};
}

bool SdlKeys::isFullscreenToggle(const SDL_KeyboardEvent& event) {
    return event.keysym.sym == SDLK_F11 && !event.repeat;
}

}  // namespace platform
