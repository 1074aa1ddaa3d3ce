#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>

#include "platform/sdl/SdlDeleter.h"

namespace platform {

// Rendered lines of text as textures, for one renderer. The most recently used lines are kept
// (least recently used go first once the cache is full), so a frame that shows the same text
// as the last one creates no textures. Texts are rendered opaque; callers apply alpha when
// they draw.
class TextTextureCache {
public:
    struct Line {
        SdlPtr<SDL_Texture> texture;
        int width = 0;   // pixels
        int height = 0;  // pixels
    };

    // `renderer` is not owned and must outlive the cache.
    explicit TextTextureCache(SDL_Renderer* renderer, size_t capacity = 256);

    // The line `text` in `font` and colour `rgb` (0xRRGGBB). nullptr for an empty text or when
    // rendering fails. The pointer stays valid until the next call.
    const Line* line(TTF_Font* font, const std::string& text, uint32_t rgb);

    size_t size() const { return entries_.size(); }
    // How many textures the cache has made in its life: a steady frame adds none.
    size_t texturesCreated() const { return texturesCreated_; }

private:
    struct Key {
        TTF_Font* font;
        uint32_t rgb;
        std::string text;
        friend bool operator==(const Key&, const Key&) = default;
    };
    struct KeyHash {
        size_t operator()(const Key& key) const;
    };
    struct Entry {
        Key key;
        Line line;
    };

    Line render(TTF_Font* font, const std::string& text, uint32_t rgb);

    SDL_Renderer* renderer_;  // non-owning
    size_t capacity_;
    size_t texturesCreated_ = 0;
    std::list<Entry> entries_;  // most recently used first
    std::unordered_map<Key, std::list<Entry>::iterator, KeyHash> index_;
};

}  // namespace platform
