#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "platform/sdl/FontMatcher.h"
#include "platform/sdl/SdlDeleter.h"

namespace platform {

// Opens font faces by name at a pixel size and keeps them open for the cache's lifetime.
// Names are resolved to files once each, by default with a FontMatcher (fontconfig).
class FontCache {
public:
    // Maps a font name to a font file; an empty result means there is none.
    using Resolver = std::function<std::string(const std::string& name)>;

    // Without a resolver, the cache asks its own FontMatcher.
    explicit FontCache(Resolver resolver = {});
    ~FontCache();
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    // The face for `name` at `pixelSize` pixels per em, opened on first use. nullptr when the
    // name resolves to no file or the file does not open; that is logged once per name.
    // The face stays owned by the cache.
    TTF_Font* font(const std::string& name, int pixelSize);

private:
    const std::string& fileFor(const std::string& name);

    FontMatcher matcher_;
    Resolver resolver_;
    bool ttfReady_ = false;
    std::map<std::string, std::string> files_;  // name -> file, "" when unresolved
    std::set<std::string> failedNames_;         // names whose file would not open
    std::map<std::pair<std::string, int>, SdlPtr<TTF_Font>> fonts_;  // null: would not open
};

}  // namespace platform
