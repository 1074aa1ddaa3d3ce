#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "platform/sdl/SdlDeleter.h"

namespace platform {

// Opens font faces by name at a pixel size and keeps them open for the cache's lifetime.
//
// Names are fontconfig names ("Liberation Sans:bold") or PostScript-style names
// ("Arial-BoldMT"), which are read as family "Arial" in style "BoldMT". fontconfig's aliases
// then map families the machine does not have to metric-compatible ones.
class FontCache {
public:
    // Maps a font name to a font file; an empty result means there is none.
    using Resolver = std::function<std::string(const std::string& name)>;

    // The default resolver asks fontconfig.
    explicit FontCache(Resolver resolver = resolveFile);
    ~FontCache();
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    // The face for `name` at `pixelSize` pixels per em, opened on first use. nullptr when the
    // name resolves to no file or the file does not open; that is logged once per name.
    // The face stays owned by the cache.
    TTF_Font* font(const std::string& name, int pixelSize);

    // The file fontconfig picks for `name`; empty when it picks none.
    static std::string resolveFile(const std::string& name);
    // The fontconfig pattern for a font name: "Arial-BoldMT" -> "Arial:weight=bold";
    // names that already are patterns pass unchanged.
    static std::string fontconfigPattern(const std::string& name);

private:
    const std::string& fileFor(const std::string& name);

    Resolver resolver_;
    bool ttfReady_ = false;
    std::map<std::string, std::string> files_;  // name -> file, "" when unresolved
    std::set<std::string> failedNames_;         // names whose file would not open
    std::map<std::pair<std::string, int>, SdlPtr<TTF_Font>> fonts_;  // null: would not open
};

}  // namespace platform
