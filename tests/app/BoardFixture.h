#pragma once

#include "app/MainInterface.h"
#include "app/RootViewController.h"
#include "app/SoundEffect.h"
#include "app/SoundsAppDelegate.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/table/TableView.h"
#include "tests/support/RecordingSoundService.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/UiTestEnvironment.h"
#include "tests/support/WavWriter.h"
#include "platform/foundation/Services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// A board on a temporary resource folder and preferences file, with the recording sound
// service and the log read into `log`, in virtual time. Clips are written as real WAV files of
// the given lengths.
class BoardFixture : public testing::Test {
protected:
    BoardFixture() { openPreferences(); }

    // Adds a clip to the resources; the bundle reads its folder when first asked.
    void addClip(const std::string& name, double seconds) {
        std::filesystem::create_directories(resources());
        platform::WavWriter wav(22050, 1, 16);
        wav.tone(wav.framesFor(seconds));
        ASSERT_TRUE(wav.write(resources() / (name + ".wav")));
    }

    std::filesystem::path resources() const { return folder / "Resources"; }
    std::filesystem::path preferencesFile() const { return folder / "config" / "preferences.json"; }

    // A store over the preferences file, as a new run of the application would open it.
    void openPreferences() {
        auto& defaults = platform::services().defaults;
        defaults.reset();  // the old store flushes before the new one reads the file
        defaults = std::make_shared<platform::UserDefaults>(preferencesFile(), &env.runLoop());
    }

    // Builds the interface and launches, which loads the board's view: a start of the app.
    void launch() {
        std::filesystem::create_directories(resources());
        platform::services().bundle = std::make_shared<platform::Bundle>(resources());
        interface = MainInterface::load();
        interface->delegate()->applicationDidFinishLaunching(*platform::services().application);
        env.runLoop().runUntilIdle();
    }

    // Ends the run as the host does, and starts a new one on the same files.
    void restart() {
        platform::services().defaults->synchronize();
        interface.reset();
        openPreferences();
        launch();
    }

    RootViewController& board() { return *interface->delegate()->rootViewController(); }
    platform::TableView& table() { return *board().soundTable(); }

    std::vector<std::string> soundNames() {
        std::vector<std::string> names;
        for (const auto& clip : board().sounds()) names.push_back(clip->name());
        return names;
    }
    std::vector<std::string> rowTitles();
    void tapRow(int row) {
        board().tableViewDidSelectRowAtIndexPath(table(), platform::IndexPath::forRow(row, 0));
    }
    std::shared_ptr<SoundEffect> clip(const std::string& name) {
        for (const auto& c : board().sounds())
            if (c->name() == name) return c;
        return nullptr;
    }

    // One accelerometer sample, as the sensor reports it to the board.
    void sample(double x, double y, double z) {
        board().accelerometerDidAccelerate(*platform::services().accelerometer,
                                           platform::Acceleration{x, y, z, 0});
    }
    // Rest, then a jolt: one shake.
    void shake() {
        sample(0, 0, -1);
        sample(2.5, 2.5, -1);
    }
    // The shake mode in the preferences file.
    int64_t storedShakeType() const {
        return platform::UserDefaults(preferencesFile()).integerForKey(kShakeTypeKey);
    }

    // The first view of type T in the board's view tree that `match` accepts.
    template <class T, class Match>
    std::shared_ptr<T> findView(Match match) {
        return findIn<T>(board().view(), match);
    }
    template <class T>
    std::shared_ptr<T> findView() {
        return findView<T>([](const T&) { return true; });
    }
    // The caption button with this title ("Loop", "Delay", "Show All", "Hide All").
    std::shared_ptr<platform::Button> button(const std::string& title);

    // The plays so far as (clip name, time).
    std::vector<std::pair<std::string, double>> plays() const;
    size_t logCount(const std::string& line) const {
        return static_cast<size_t>(std::count(log.begin(), log.end(), line));
    }

    template <class T, class Match>
    static std::shared_ptr<T> findIn(const std::shared_ptr<platform::View>& view, Match& match) {
        if (auto typed = std::dynamic_pointer_cast<T>(view); typed && match(*typed)) return typed;
        for (const auto& child : view->subviews())
            if (auto found = findIn<T>(child, match)) return found;
        return nullptr;
    }

    // Declared in this order so that the interface goes first, then the services (flushing the
    // preferences into the folder), and the folder last.
    platform::TempDirectory folder;
    std::vector<std::string> log;
    std::shared_ptr<platform::RecordingSoundService> sound =
        std::make_shared<platform::RecordingSoundService>();
    platform::UiTestEnvironment env{
        {.sound = sound, .log = [this](const std::string& line) { log.push_back(line); }}};
    std::shared_ptr<MainInterface> interface;
};
