#include "platform/sdl/TextureCache.h"

#include <SDL2/SDL_image.h>

#include "platform/foundation/Log.h"

namespace platform {

TextureCache::TextureCache(SDL_Renderer* renderer) : renderer_(renderer) {}

SDL_Texture* TextureCache::texture(const std::string& path) {
    if (auto found = textures_.find(path); found != textures_.end()) return found->second.get();

    SdlPtr<SDL_Texture> texture;
    SdlPtr<SDL_Surface> surface(IMG_Load(path.c_str()));
    if (surface) texture.reset(SDL_CreateTextureFromSurface(renderer_, surface.get()));
    if (texture) {
        SDL_SetTextureBlendMode(texture.get(), SDL_BLENDMODE_BLEND);
        SDL_SetTextureScaleMode(texture.get(), SDL_ScaleModeLinear);
    } else {
        Log::print("Cannot load image %s: %s", path.c_str(), SDL_GetError());
    }
    return textures_.emplace(path, std::move(texture)).first->second.get();
}

}  // namespace platform
