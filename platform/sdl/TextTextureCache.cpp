#include "platform/sdl/TextTextureCache.h"

#include <functional>

#include "platform/foundation/Log.h"

namespace platform {

size_t TextTextureCache::KeyHash::operator()(const Key& key) const {
    size_t hash = std::hash<std::string>{}(key.text);
    hash ^= std::hash<const void*>{}(key.font) + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    hash ^= std::hash<uint32_t>{}(key.rgb) + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    return hash;
}

TextTextureCache::TextTextureCache(SDL_Renderer* renderer, size_t capacity)
    : renderer_(renderer), capacity_(capacity > 0 ? capacity : 1) {}

const TextTextureCache::Line* TextTextureCache::line(TTF_Font* font, const std::string& text,
                                                     uint32_t rgb) {
    if (!font || text.empty()) return nullptr;
    Key key{font, rgb, text};
    if (auto found = index_.find(key); found != index_.end()) {
        entries_.splice(entries_.begin(), entries_, found->second);
        return found->second->line.texture ? &found->second->line : nullptr;
    }

    if (entries_.size() >= capacity_) {
        index_.erase(entries_.back().key);
        entries_.pop_back();
    }
    entries_.push_front(Entry{key, render(font, text, rgb)});
    index_.emplace(std::move(key), entries_.begin());
    const Line& line = entries_.front().line;
    return line.texture ? &line : nullptr;
}

TextTextureCache::Line TextTextureCache::render(TTF_Font* font, const std::string& text,
                                                uint32_t rgb) {
    const SDL_Color color{static_cast<Uint8>(rgb >> 16), static_cast<Uint8>(rgb >> 8),
                          static_cast<Uint8>(rgb), 255};
    SdlPtr<SDL_Surface> surface(TTF_RenderUTF8_Blended(font, text.c_str(), color));
    Line line;
    if (surface) line.texture.reset(SDL_CreateTextureFromSurface(renderer_, surface.get()));
    if (!line.texture) {
        Log::print("Cannot render text \"%s\": %s", text.c_str(), SDL_GetError());
        return line;
    }
    ++texturesCreated_;
    SDL_SetTextureBlendMode(line.texture.get(), SDL_BLENDMODE_BLEND);
    line.width = surface->w;
    line.height = surface->h;
    return line;
}

}  // namespace platform
