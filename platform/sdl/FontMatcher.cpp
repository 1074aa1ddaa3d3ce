#include "platform/sdl/FontMatcher.h"

#include <fontconfig/fontconfig.h>

#include <cctype>

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

FontMatcher::FontMatcher() = default;

FontMatcher::~FontMatcher() {
    if (config_) FcConfigDestroy(config_);
}

std::string FontMatcher::fontconfigPattern(const std::string& name) {
    if (name.find(':') != std::string::npos) return name;
    const auto dash = name.rfind('-');
    if (dash == std::string::npos || dash == 0) return name;
    const std::string family = spacedFamily(withoutVendorSuffix(name.substr(0, dash)));
    return family + styleProperties(withoutVendorSuffix(name.substr(dash + 1)));
}

std::string FontMatcher::fileFor(const std::string& name) {
    // Without a configuration (no fonts at all) there is no match; FontCache logs the name.
    if (!config_) config_ = FcInitLoadConfigAndFonts();
    if (!config_) return {};
    const std::string pattern = fontconfigPattern(name);
    FcPattern* request = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
    if (!request) return {};
    FcConfigSubstitute(config_, request, FcMatchPattern);
    FcDefaultSubstitute(request);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config_, request, &result);
    FcPatternDestroy(request);
    if (!match) return {};
    std::string file;
    FcChar8* path = nullptr;
    if (result == FcResultMatch && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch)
        file = reinterpret_cast<const char*>(path);
    FcPatternDestroy(match);
    return file;
}

}  // namespace platform
