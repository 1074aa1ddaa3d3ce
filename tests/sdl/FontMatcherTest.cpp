#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/sdl/FontMatcher.h"
#include "platform/ui/Font.h"

namespace platform {
namespace {

std::string fileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

TEST(FontMatcherPatternTest, PostScriptNamesBecomeFamilyAndStyle) {
    EXPECT_EQ(FontMatcher::fontconfigPattern("Arial-BoldMT"), "Arial:weight=bold");
    EXPECT_EQ(FontMatcher::fontconfigPattern("Helvetica-Oblique"), "Helvetica:slant=oblique");
    EXPECT_EQ(FontMatcher::fontconfigPattern("TimesNewRomanPS-BoldItalicMT"),
              "Times New Roman:weight=bold:slant=italic");
    EXPECT_EQ(FontMatcher::fontconfigPattern("Arial-Black"), "Arial:weight=black");
    EXPECT_EQ(FontMatcher::fontconfigPattern("Times-Roman"), "Times");
}

TEST(FontMatcherPatternTest, FontconfigNamesAndPlainFamiliesPassUnchanged) {
    EXPECT_EQ(FontMatcher::fontconfigPattern("Liberation Sans:bold"), "Liberation Sans:bold");
    EXPECT_EQ(FontMatcher::fontconfigPattern("Arial"), "Arial");
    EXPECT_EQ(FontMatcher::fontconfigPattern("-Bold"), "-Bold");
}

TEST(FontMatcherTest, ArialBoldResolvesToLiberationSansBold) {
    FontMatcher matcher;
    EXPECT_EQ(fileName(matcher.fileFor("Arial-BoldMT")), "LiberationSans-Bold.ttf");
    EXPECT_EQ(fileName(matcher.fileFor(Font::boldSystemFont(18).name)), "LiberationSans-Bold.ttf");
    EXPECT_EQ(fileName(matcher.fileFor(Font::systemFont(18).name)), "LiberationSans-Regular.ttf");
}

TEST(FontMatcherTest, UnknownFamilyFallsBackToSomeFace) {
    // fontconfig always offers its best match; text then shows in a default face.
    EXPECT_FALSE(FontMatcher().fileFor("No Such Family Anywhere").empty());
}

}  // namespace
}  // namespace platform
