#pragma once

#include <string>
#include <unordered_map>

#include "platform/sdl/SdlDeleter.h"

namespace platform {

// The decoded images of one renderer, keyed by file path: each PNG is read once and kept as a
// texture for the cache's lifetime (a board uses a handful of small images).
class TextureCache {
public:
    // `renderer` is not owned and must outlive the cache.
    explicit TextureCache(SDL_Renderer* renderer);

    // The texture of the image at `path`, loaded on first use with alpha blending on. nullptr
    // when the file does not load; that is logged once per path.
    SDL_Texture* texture(const std::string& path);

private:
    SDL_Renderer* renderer_;                                         // non-owning
    std::unordered_map<std::string, SdlPtr<SDL_Texture>> textures_;  // null: would not load
};

}  // namespace platform
