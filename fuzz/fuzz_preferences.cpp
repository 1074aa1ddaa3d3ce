// Fuzzes the preferences file: its bytes are loaded by the preferences store and then by the
// board's catalogue, against a resource folder of a dozen clips. Besides the sanitizers'
// findings, it checks what a user would notice: every clip on the board is one of the
// resources, and after an edit mode the stored configuration describes the board in three
// arrays of equal length and reads back from disk unchanged.
#include "app/MainInterface.h"
#include "app/RootViewController.h"
#include "app/SoundEffect.h"
#include "fuzz/FuzzEnvironment.h"
#include "platform/foundation/Services.h"
#include "platform/audio/SystemSoundService.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/RecordingSoundService.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/UiTestEnvironment.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {
using platform::PropertyList;

size_t arrayLength(const PropertyList::Dictionary& configuration, const char* key) {
    const auto found = configuration.find(key);
    const auto* array = found == configuration.end() ? nullptr : found->second.array();
    if (!array) fuzz::fail("the configuration has no array under \"%s\"", key);
    return array->size();
}

void checkCatalogue(const RootViewController& board) {
    const std::string folder = fuzz::resourceFolder().string() + "/";
    for (const auto& sound : board.sounds()) {
        const std::string& path = sound->path();
        const bool inFolder = path.compare(0, folder.size(), folder) == 0 &&
                              path.find('/', folder.size()) == std::string::npos;
        if (!inFolder) fuzz::fail("a clip outside the resources: %s", path.c_str());
    }
}

void checkStoredConfiguration(const RootViewController& board, const std::filesystem::path& file) {
    if (!board.configuration()) fuzz::fail("no configuration after edit mode");
    const auto& configuration = *board.configuration();
    const size_t names = arrayLength(configuration, "name");
    if (arrayLength(configuration, "hidden") != names ||
        arrayLength(configuration, "path") != names)
        fuzz::fail("the configuration's arrays differ in length");
    if (names != board.sounds().size()) fuzz::fail("the configuration does not list every clip");

    // Only a store that could save is expected to hand the configuration back.
    if (!platform::services().defaults->synchronize()) return;
    const platform::UserDefaults reopened(file);
    const auto stored = reopened.objectForKey(kRootObjectKey);
    if (!stored || *stored != PropertyList(configuration))
        fuzz::fail("the stored configuration does not read back as saved");
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::resourceFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The folder outlives the services: the preferences flush into it when they go.
    const platform::TempDirectory config;
    const auto file = config.writeFile("preferences.json",
                                       std::string_view(reinterpret_cast<const char*>(data), size));
    platform::UiTestEnvironment environment({
        .bundle = std::make_shared<platform::Bundle>(fuzz::resourceFolder()),
        .sound = std::make_shared<platform::RecordingSoundService>(),
        .log = fuzz::quietLog(),
    });
    platform::services().defaults =
        std::make_shared<platform::UserDefaults>(file, &environment.runLoop());

    {
        const auto interface = fuzz::launchInterface();
        RootViewController& board = fuzz::board(*interface);
        checkCatalogue(board);
        // Into edit mode and out again: leaving it rebuilds and stores the configuration.
        board.editTable();
        board.editTable();
        checkStoredConfiguration(board, file);
    }
    return 0;
}
