#pragma once

#include <string>

struct _FcConfig;

namespace platform {

// Finds the font file for a font name with fontconfig.
//
// Names are fontconfig names ("Liberation Sans:bold") or PostScript-style names
// ("Arial-BoldMT"), which are read as family "Arial" in style "BoldMT". fontconfig's aliases
// then map families the machine does not have to metric-compatible ones.
//
// Each matcher loads a fontconfig configuration of its own on first use and releases it when
// it goes: the library's shared default configuration would stay allocated until the process
// ends.
class FontMatcher {
public:
    FontMatcher();
    ~FontMatcher();
    FontMatcher(const FontMatcher&) = delete;
    FontMatcher& operator=(const FontMatcher&) = delete;

    // The file fontconfig picks for `name`; empty when it picks none.
    std::string fileFor(const std::string& name);

    // The fontconfig pattern for a font name: "Arial-BoldMT" -> "Arial:weight=bold";
    // names that already are patterns pass unchanged.
    static std::string fontconfigPattern(const std::string& name);

private:
    _FcConfig* config_ = nullptr;  // owned; loaded on first use
};

}  // namespace platform
