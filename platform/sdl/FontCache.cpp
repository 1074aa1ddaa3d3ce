#include "platform/sdl/FontCache.h"

#include "platform/foundation/Log.h"

namespace platform {

FontCache::FontCache(Resolver resolver) : resolver_(std::move(resolver)) {
    if (!resolver_) resolver_ = [this](const std::string& name) { return matcher_.fileFor(name); };
    // TTF_Init counts its callers, so each cache balances its own call in the destructor.
    ttfReady_ = TTF_Init() == 0;
    if (!ttfReady_) Log::print("Text is not available: %s", TTF_GetError());
}

FontCache::~FontCache() {
    fonts_.clear();  // the faces must close before the library does
    if (ttfReady_) TTF_Quit();
}

const std::string& FontCache::fileFor(const std::string& name) {
    auto found = files_.find(name);
    if (found != files_.end()) return found->second;
    std::string file = resolver_(name);
    if (file.empty()) Log::print("No font file for \"%s\"", name.c_str());
    return files_.emplace(name, std::move(file)).first->second;
}

TTF_Font* FontCache::font(const std::string& name, int pixelSize) {
    if (!ttfReady_ || pixelSize <= 0) return nullptr;
    auto key = std::make_pair(name, pixelSize);
    if (auto found = fonts_.find(key); found != fonts_.end()) return found->second.get();

    const std::string& file = fileFor(name);
    SdlPtr<TTF_Font> face;
    if (!file.empty()) {
        face.reset(TTF_OpenFont(file.c_str(), pixelSize));
        // One line per name: later sizes of a name that would not open stay quiet.
        const bool firstFailure = !face && failedNames_.insert(name).second;
        if (firstFailure)
            Log::print("Cannot open font \"%s\" (%s): %s", name.c_str(), file.c_str(),
                       TTF_GetError());
    }
    // A failure is cached too, so a missing font costs one lookup, not one per frame.
    return fonts_.emplace(std::move(key), std::move(face)).first->second.get();
}

}  // namespace platform
