#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/LogInto.h"
#include "tests/support/TempDirectory.h"
#include "platform/foundation/Services.h"

namespace platform {
namespace {

class BundleTest : public ::testing::Test {
protected:
    std::string resource(const std::string& fileName) const {
        return (temp_.path() / "Resources" / fileName).string();
    }
    void addFiles(const std::vector<std::string>& fileNames) {
        for (const auto& fileName : fileNames) temp_.writeFile("Resources/" + fileName, "x");
    }

    TempDirectory temp_;
    std::vector<std::string> log_;
    ScopedServices services_{{.log = logInto(log_)}};
};

TEST_F(BundleTest, ListsResourcesOfOneTypeInByteOrder) {
    addFiles({"zebra.wav", "a.b.wav", "Z.wav", "Door Bell.wav", "\xC3\x89mile.wav", "notes.txt",
              "wav", "Upper.WAV", ".wav", "nested/inner.wav", "folder.wav/inside.txt"});
    const Bundle bundle(temp_ / "Resources");
    EXPECT_EQ(
        bundle.pathsForResourcesOfType("wav"),
        (std::vector<std::string>{resource("Door Bell.wav"), resource("Z.wav"), resource("a.b.wav"),
                                  resource("zebra.wav"), resource("\xC3\x89mile.wav")}));
    EXPECT_EQ(bundle.pathsForResourcesOfType("txt"),
              std::vector<std::string>{resource("notes.txt")});
    EXPECT_EQ(bundle.pathsForResourcesOfType("b.wav"), std::vector<std::string>{});
    EXPECT_TRUE(log_.empty());
}

TEST_F(BundleTest, FindsResourcesByNameAndType) {
    addFiles({"Door Bell.wav", "a.b.wav", "README", "Upper.WAV", "nested/inner.wav"});
    const Bundle bundle(temp_ / "Resources");
    EXPECT_EQ(bundle.pathForResource("Door Bell", "wav"), resource("Door Bell.wav"));
    EXPECT_EQ(bundle.pathForResource("a.b", "wav"), resource("a.b.wav"));
    EXPECT_EQ(bundle.pathForResource("README", ""), resource("README"));
    EXPECT_EQ(bundle.pathForResource("Door Bell", "WAV"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("Upper", "wav"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("missing", "wav"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("nested", ""), std::nullopt) << "folders are no resources";
}

TEST_F(BundleTest, UnsafeNamesNeverLeaveTheFolder) {
    // ".wav", "..wav" and "...wav" are what "", "." and ".." with type "wav" would name.
    addFiles({"clip.wav", "nested/inner.wav", ".wav", "..wav", "...wav"});
    temp_.writeFile("outside.wav", "x");
    const Bundle bundle(temp_ / "Resources");
    std::vector<std::string> names{"", ".", "..", "../outside", "nested/inner", "/clip", "./clip"};
    names.push_back(std::string("clip\0x", 6));
    for (const auto& name : names) {
        EXPECT_EQ(bundle.pathForResource(name, "wav"), std::nullopt) << name;
    }
    EXPECT_EQ(bundle.pathForResource("..", ""), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("clip", "wav/../../outside.wav"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("clip", std::string("wav\0", 4)), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("clip", "wav"), resource("clip.wav"));
}

TEST_F(BundleTest, ListingIsReadOnceAndKept) {
    addFiles({"first.wav"});
    const Bundle bundle(temp_ / "Resources");
    ASSERT_TRUE(bundle.pathForResource("first", "wav"));
    addFiles({"later.wav"});
    EXPECT_EQ(bundle.pathForResource("later", "wav"), std::nullopt);
    EXPECT_EQ(bundle.pathsForResourcesOfType("wav").size(), 1u);
}

TEST_F(BundleTest, MissingFolderIsAnEmptyBundle) {
    const Bundle bundle(temp_ / "absent");
    EXPECT_TRUE(bundle.pathsForResourcesOfType("wav").empty());
    EXPECT_EQ(bundle.pathForResource("clip", "wav"), std::nullopt);
    EXPECT_TRUE(bundle.infoDictionary().empty());
    EXPECT_EQ(log_.size(), 1u) << "one line for the listing, none for the absent Info.json";
}

TEST_F(BundleTest, InfoDictionaryComesFromInfoJson) {
    temp_.writeFile("Resources/Info.json", R"({"CFBundleName": "Soundboard", "Build": 12})");
    const Bundle bundle(temp_ / "Resources");
    EXPECT_EQ(bundle.infoDictionary(),
              (PropertyList::Dictionary{{"CFBundleName", "Soundboard"}, {"Build", 12}}));
    EXPECT_TRUE(log_.empty());
}

TEST_F(BundleTest, UnusableInfoJsonGivesAnEmptyDictionaryAndOneLogLine) {
    for (const char* text : {"{\"CFBundleName\": ", "[\"CFBundleName\"]", ""}) {
        log_.clear();
        temp_.writeFile("Resources/Info.json", text);
        const Bundle bundle(temp_ / "Resources");
        EXPECT_TRUE(bundle.infoDictionary().empty()) << text;
        EXPECT_TRUE(bundle.infoDictionary().empty()) << "read once";
        EXPECT_EQ(log_.size(), 1u) << text;
    }
}

TEST_F(BundleTest, LocalizedDictionaryFollowsTheUserLocale) {
    temp_.writeFile("Resources/Info.json", R"({"CFBundleName": "Soundboard", "Version": "1.0"})");
    temp_.writeFile("Resources/de.lproj/InfoPlist.json", R"({"CFBundleName": "Geräuschbrett"})");
    temp_.writeFile("Resources/fr_CA.lproj/InfoPlist.json", R"({"CFBundleName": "Table CA"})");
    temp_.writeFile("Resources/en.lproj/InfoPlist.json", R"({"CFBundleName": "Sound Board"})");
    const auto nameFor = [&](const char* all, const char* messages, const char* lang) {
        ScopedEnvironment a("LC_ALL", all), m("LC_MESSAGES", messages), l("LANG", lang);
        const Bundle bundle(temp_ / "Resources");
        const PropertyList* name = bundle.objectForInfoDictionaryKey("CFBundleName");
        EXPECT_EQ(*bundle.objectForInfoDictionaryKey("Version"), PropertyList("1.0"));
        return name ? *name->string() : std::string("<none>");
    };
    EXPECT_EQ(nameFor(nullptr, nullptr, "de_DE.UTF-8"), "Geräuschbrett");
    EXPECT_EQ(nameFor(nullptr, nullptr, "fr_CA.UTF-8"), "Table CA");
    EXPECT_EQ(nameFor(nullptr, nullptr, "fr_FR.UTF-8"), "Sound Board");
    EXPECT_EQ(nameFor(nullptr, "de_AT", "fr_CA"), "Geräuschbrett");
    EXPECT_EQ(nameFor("fr_CA", "de_AT", "de_DE"), "Table CA");
    EXPECT_EQ(nameFor("", "", "de"), "Geräuschbrett") << "empty variables are skipped";
    EXPECT_EQ(nameFor(nullptr, nullptr, nullptr), "Sound Board");
}

TEST_F(BundleTest, LocalizedDictionaryIsEmptyWithoutLocalizations) {
    temp_.writeFile("Resources/Info.json", R"({"CFBundleName": "Soundboard"})");
    ScopedEnvironment lang("LANG", "de_DE.UTF-8"), all("LC_ALL", nullptr);
    const Bundle bundle(temp_ / "Resources");
    EXPECT_TRUE(bundle.localizedInfoDictionary().empty());
    EXPECT_EQ(*bundle.objectForInfoDictionaryKey("CFBundleName"), PropertyList("Soundboard"));
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("Missing"), nullptr);
}

TEST(BundleLocaleTest, LocalizationsGoFromSpecificToEnglish) {
    using List = std::vector<std::string>;
    EXPECT_EQ(Bundle::localizationsForLocale("de_DE.UTF-8"), (List{"de_DE", "de", "en"}));
    EXPECT_EQ(Bundle::localizationsForLocale("de_DE.ISO-8859-15@euro"),
              (List{"de_DE", "de", "en"}));
    EXPECT_EQ(Bundle::localizationsForLocale("sr_RS@latin"), (List{"sr_RS", "sr", "en"}));
    EXPECT_EQ(Bundle::localizationsForLocale("fr"), (List{"fr", "en"}));
    EXPECT_EQ(Bundle::localizationsForLocale("en_GB.UTF-8"), (List{"en_GB", "en"}));
    EXPECT_EQ(Bundle::localizationsForLocale("C.UTF-8"), List{"en"});
    EXPECT_EQ(Bundle::localizationsForLocale("POSIX"), List{"en"});
    EXPECT_EQ(Bundle::localizationsForLocale(""), List{"en"});
    EXPECT_EQ(Bundle::localizationsForLocale("../../etc"), List{"en"});
    EXPECT_EQ(Bundle::localizationsForLocale("/tmp/x"), List{"en"}) << "a folder outside";
}

TEST_F(BundleTest, ExecutableFindsResourcesBesideItThenInItsShareFolder) {
    // A build tree keeps "Resources" beside the program; an install keeps the clips in
    // <prefix>/share/soundboard, found from <prefix>/bin however the prefix was moved.
    temp_.writeFile("prefix/share/soundboard/Bell.wav", "x");
    const auto installed = Bundle::forExecutableFolder(temp_ / "prefix/bin");
    EXPECT_EQ(installed->pathsForResourcesOfType("wav"),
              std::vector<std::string>{(temp_ / "prefix/share/soundboard/Bell.wav").string()});

    temp_.writeFile("prefix/bin/Resources/Horn.wav", "x");
    EXPECT_EQ(Bundle::forExecutableFolder(temp_ / "prefix/bin")->resourcePath(),
              temp_ / "prefix/bin/Resources")
        << "the build tree's folder comes first";
    EXPECT_TRUE(log_.empty());
}

TEST_F(BundleTest, ExecutableWithoutResourcesGetsAnEmptyBundleAndOneLogLine) {
    const auto bundle = Bundle::forExecutableFolder(temp_ / "bin");
    EXPECT_TRUE(bundle->pathsForResourcesOfType("wav").empty());
    EXPECT_TRUE(bundle->infoDictionary().empty());
    EXPECT_FALSE(bundle->hasFolder());
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_NE(log_[0].find("share/soundboard"), std::string::npos) << log_[0];
}

}  // namespace
}  // namespace platform
