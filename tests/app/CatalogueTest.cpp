#include "tests/app/BoardFixture.h"

#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Services.h"

namespace {
using platform::PropertyList;

class CatalogueTest : public BoardFixture {
protected:
    void addClips(std::initializer_list<const char*> names) {
        for (const char* name : names) addClip(name, 0.5);
    }
    // The configuration as the preferences file holds it.
    std::optional<PropertyList> storedConfiguration() {
        platform::UserDefaults reader(preferencesFile());
        return reader.objectForKey(kRootObjectKey);
    }
    std::vector<std::string> strings(const PropertyList::Dictionary& configuration,
                                     const char* key) {
        std::vector<std::string> values;
        for (const auto& value : *configuration.at(key).array())
            values.push_back(value.string() ? *value.string()
                                            : std::to_string(value.integerValue()));
        return values;
    }
    void store(PropertyList configuration, int64_t shakeType) {
        auto& defaults = *platform::services().defaults;
        defaults.setObject(std::move(configuration), kRootObjectKey);
        defaults.setObject(PropertyList(shakeType), kShakeTypeKey);
        defaults.synchronize();
    }
};

TEST_F(CatalogueTest, FirstRunListsEveryClipInFileNameOrderShownWithShakeModeZero) {
    addClips({"Gong", "Bell", "Door Bell", "Laser.v2"});
    launch();
    EXPECT_EQ(soundNames(), (std::vector<std::string>{"Bell", "Door Bell", "Gong", "Laser.v2"}));
    const auto& configuration = *board().configuration();
    EXPECT_EQ(strings(configuration, "name"), soundNames());
    EXPECT_EQ(strings(configuration, "hidden"), (std::vector<std::string>{"0", "0", "0", "0"}));
    EXPECT_EQ(strings(configuration, "path").front(), (resources() / "Bell.wav").string());
    EXPECT_EQ(storedShakeType(), 0) << "the first run stores the shake mode at once";
    EXPECT_FALSE(storedConfiguration()) << "the configuration is only registered, not stored";
    EXPECT_TRUE(sound->calls().empty()) << "loading opens no clip";
}

TEST_F(CatalogueTest, EmptyResourceFolderGivesAnEmptyListAndThreeEmptyArrays) {
    launch();
    EXPECT_TRUE(board().sounds().empty());
    for (const char* key : {"name", "hidden", "path"})
        EXPECT_TRUE(board().configuration()->at(key).array()->empty()) << key;
}

TEST_F(CatalogueTest, RestoringRunKeepsStoredOrderAndFlagsSkipsRemovedAndIgnoresAddedClips) {
    addClips({"Bell", "Gong", "Horn", "Drum"});
    store(PropertyList::Dictionary{{"name", PropertyList::Array{"Horn", "Gone", "Bell", "Gong"}},
                                   {"hidden", PropertyList::Array{1, 0, 1, 0}},
                                   {"path", PropertyList::Array{"/old/Horn.wav", "/old/Gone.wav",
                                                                "/old/Bell.wav", "/old/Gong.wav"}}},
          2);
    launch();
    EXPECT_EQ(soundNames(), (std::vector<std::string>{"Horn", "Bell", "Gong"}));
    EXPECT_TRUE(clip("Horn")->hidden());
    EXPECT_TRUE(clip("Bell")->hidden()) << "each clip keeps the flag of its own stored index";
    EXPECT_FALSE(clip("Gong")->hidden());
    EXPECT_EQ(clip("Bell")->path(), (resources() / "Bell.wav").string())
        << "found again by name, not by the stored path";
    EXPECT_EQ(storedShakeType(), 2);
    shake();
    env.runLoop().runFor(1.0);
    EXPECT_EQ(plays().size(), 1u) << "the restored random mode plays the one shown clip";
}

TEST_F(CatalogueTest, OnlyOneOfTheTwoKeysStoredMeansAFirstRun) {
    addClips({"Bell", "Gong"});
    store(PropertyList::Dictionary{{"name", PropertyList::Array{"Gong"}},
                                   {"hidden", PropertyList::Array{1}},
                                   {"path", PropertyList::Array{"x"}}},
          3);
    platform::services().defaults->removeObjectForKey(kShakeTypeKey);
    launch();
    EXPECT_EQ(soundNames(), (std::vector<std::string>{"Bell", "Gong"}));
    EXPECT_EQ(storedShakeType(), 0);
}

TEST_F(CatalogueTest, MalformedStoredConfigurationLoadsWithoutFailing) {
    addClips({"Bell", "Gong", "Horn", "passwd"});
    // Flags shorter than names, a flag of the wrong type, a name that is no string, and names
    // that try to leave the resource folder.
    store(
        PropertyList::Dictionary{{"name", PropertyList::Array{"Gong", 42, "../Resources/Bell",
                                                              "../../etc/passwd", "Horn", "Bell"}},
                                 {"hidden", PropertyList::Array{"yes", 1, 1}},
                                 {"path", "not an array"}},
        1);
    launch();
    EXPECT_EQ(soundNames(), (std::vector<std::string>{"Gong", "Horn", "Bell"}));
    EXPECT_FALSE(clip("Gong")->hidden()) << "an unreadable flag counts as shown";
    EXPECT_FALSE(clip("Horn")->hidden()) << "a missing flag counts as shown";
    EXPECT_EQ(storedShakeType(), 1);

    // A configuration of the wrong type altogether is a first run.
    restart();
    store(PropertyList("garbage"), 2);
    restart();
    EXPECT_EQ(soundNames(), (std::vector<std::string>{"Bell", "Gong", "Horn", "passwd"}));
}

TEST_F(CatalogueTest, StoredEmptyListWithShakeModeRestoresBoth) {
    addClips({"Bell"});
    store(PropertyList::Dictionary{{"name", PropertyList::Array{}},
                                   {"hidden", PropertyList::Array{}},
                                   {"path", PropertyList::Array{}}},
          3);
    launch();
    EXPECT_TRUE(board().sounds().empty());
    EXPECT_EQ(storedShakeType(), 3) << "kept, not replaced by a first run's 0";
}

TEST_F(CatalogueTest, LeavingEditModeRebuildsAndStoresTheConfiguration) {
    addClips({"Bell", "Drum", "Gong", "Horn"});
    launch();
    board().editTable();
    board().tableViewMoveRowAtIndexPathToIndexPath(table(), platform::IndexPath::forRow(2, 0),
                                                   platform::IndexPath::forRow(0, 0));
    clip("Horn")->setHidden(true);
    board().editTable();

    const auto& configuration = *board().configuration();
    EXPECT_EQ(strings(configuration, "name"),
              (std::vector<std::string>{"Gong", "Bell", "Drum", "Horn"}));
    EXPECT_EQ(strings(configuration, "hidden"), (std::vector<std::string>{"0", "0", "0", "1"}));
    // Stored and flushed at once, so the change survives a run that ends right here.
    const auto stored = storedConfiguration();
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored->dictionary(), configuration);

    restart();
    EXPECT_EQ(soundNames(), (std::vector<std::string>{"Gong", "Bell", "Drum", "Horn"}));
    EXPECT_TRUE(clip("Horn")->hidden());
}

TEST_F(CatalogueTest, OpeningAboutStoresTheConfigurationAndLogsIt) {
    addClips({"Bell", "Gong"});
    launch();
    clip("Gong")->setHidden(true);  // reaches the configuration only at the end of edit mode
    platform::BarButtonItem sender("About");
    interface->delegate()->about(sender);
    env.runLoop().runFor(1.0);
    EXPECT_EQ(logCount("Saving Config"), 1u);
    platform::services().defaults->synchronize();
    const auto stored = storedConfiguration();
    ASSERT_TRUE(stored);
    EXPECT_EQ(strings(*stored->dictionary(), "hidden"), (std::vector<std::string>{"0", "0"}));
}

TEST_F(CatalogueTest, ClipSkippedAtLoadLeavesTheConfigurationAtTheNextEditModeEnd) {
    addClips({"Bell"});
    store(PropertyList::Dictionary{{"name", PropertyList::Array{"Gone", "Bell"}},
                                   {"hidden", PropertyList::Array{0, 1}},
                                   {"path", PropertyList::Array{"a", "b"}}},
          0);
    launch();
    EXPECT_EQ(strings(*board().configuration(), "name"),
              (std::vector<std::string>{"Gone", "Bell"}));
    board().editTable();
    board().editTable();
    EXPECT_EQ(strings(*board().configuration(), "name"), std::vector<std::string>{"Bell"});
}

}  // namespace
