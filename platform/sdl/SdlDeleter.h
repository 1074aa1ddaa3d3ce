#pragma once

#include <SDL2/SDL.h>
#include <SDL2/SDL_ttf.h>

#include <memory>

namespace platform {

// Releases an SDL object with the call that matches its type, so that owners hold them in a
// unique_ptr (SdlPtr<SDL_Texture>) instead of pairing create and destroy calls by hand.
struct SdlDeleter {
    void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
    void operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
    void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
    void operator()(TTF_Font* font) const { TTF_CloseFont(font); }
};

template <class T>
using SdlPtr = std::unique_ptr<T, SdlDeleter>;

}  // namespace platform
