#include "platform/sdl/FontCache.h"

#include <fontconfig/fontconfig.h>

#include <cctype>

#include "platform/foundation/Log.h"

namespace platform {
namespace {

// PostScript names carry vendor suffixes that are no part of the family or style.
std::string withoutVendorSuffix(std::string name) {
    for (const char* suffix : {"MT", "PS"}) {
        const std::string s = suffix;
        if (name.size() > s.size() && name.ends_with(s)) name.resize(name.size() - s.size());
    }
    return name;
}

// "TimesNewRoman" -> "Times New Roman": PostScript names drop the spaces of the family.
std::string spacedFamily(const std::string& family) {
    std::string spaced;
    for (size_t i = 0; i < family.size(); ++i) {
        const auto c = static_cast<unsigned char>(family[i]);
        if (i > 0 && std::isupper(c) && std::islower(static_cast<unsigned char>(family[i - 1])))
            spaced += ' ';
        spaced += family[i];
    }
    return spaced;
}

std::string styleProperties(std::string style) {
    for (auto& c : style) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string properties;
    if (style.find("black") != std::string::npos || style.find("heavy") != std::string::npos)
        properties += ":weight=black";
    else if (style.find("bold") != std::string::npos)
        properties += ":weight=bold";
    else if (style.find("medium") != std::string::npos)
        properties += ":weight=medium";
    else if (style.find("light") != std::string::npos)
        properties += ":weight=light";
    if (style.find("italic") != std::string::npos)
        properties += ":slant=italic";
    else if (style.find("oblique") != std::string::npos)
        properties += ":slant=oblique";
    return properties;
}

}  // namespace

FontCache::FontCache(Resolver resolver) : resolver_(std::move(resolver)) {
    // TTF_Init counts its callers, so each cache balances its own call in the destructor.
    ttfReady_ = TTF_Init() == 0;
    if (!ttfReady_) Log::print("Text is not available: %s", TTF_GetError());
}

FontCache::~FontCache() {
    fonts_.clear();  // the faces must close before the library does
    if (ttfReady_) TTF_Quit();
}

std::string FontCache::fontconfigPattern(const std::string& name) {
    if (name.find(':') != std::string::npos) return name;
    const auto dash = name.rfind('-');
    if (dash == std::string::npos || dash == 0) return name;
    const std::string family = spacedFamily(withoutVendorSuffix(name.substr(0, dash)));
    return family + styleProperties(withoutVendorSuffix(name.substr(dash + 1)));
}

std::string FontCache::resolveFile(const std::string& name) {
    const std::string pattern = fontconfigPattern(name);
    FcPattern* request = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
    if (!request) return {};
    FcConfigSubstitute(nullptr, request, FcMatchPattern);
    FcDefaultSubstitute(request);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, request, &result);
    FcPatternDestroy(request);
    if (!match) return {};
    std::string file;
    FcChar8* path = nullptr;
    if (result == FcResultMatch && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch)
        file = reinterpret_cast<const char*>(path);
    FcPatternDestroy(match);
    return file;
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
