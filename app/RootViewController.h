#pragma once

#include "platform/foundation/IndexPath.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Timer.h"
#include "platform/ui/Accelerometer.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Switch.h"
#include "platform/ui/table/TableViewController.h"
#include "platform/ui/Toolbar.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class DBSlider;
class SoundEffect;

// The key under which the list order and hidden flags are stored.
inline constexpr const char* kRootObjectKey = "rootObject";
// The key of the shake mode.
inline constexpr const char* kShakeTypeKey = "shakeType";
// The reuse identifier of the list's cells.
inline constexpr const char* kCustomCellID = "CustomCell";

// The board: the list of clips, playback with loop and delay, edit mode, shake to play and the
// mute alert. It is its table's data source and delegate, the accelerometer's delegate and the
// delegate of its alerts.
//
// The board owns the catalogue `sounds` and its persisted form `configuration`. The pending
// playback (at most one) is owned by the run loop; the board only refers to it in `timer`.
class RootViewController final : public platform::TableViewController,
                                 public platform::AccelerometerDelegate,
                                 public platform::AlertViewDelegate {
public:
    using SoundList = std::vector<std::shared_ptr<SoundEffect>>;

    // The views that the interface description builds and binds to the board.
    struct Outlets {
        std::shared_ptr<platform::TableView> soundTable;
        std::shared_ptr<platform::Toolbar> optionsToolbar;
        std::shared_ptr<platform::Button> loopLabel;
        std::shared_ptr<platform::Button> delayLabel;
        std::shared_ptr<DBSlider> delaySlider;
        std::shared_ptr<platform::Switch> loopSwitch;
        std::shared_ptr<platform::Toolbar> selectionToolbar;
    };
    void connectOutlets(const Outlets& outlets);

    // View lifecycle.
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    bool shouldAutorotateToInterfaceOrientation(
        platform::InterfaceOrientation orientation) override;
    void didReceiveMemoryWarning() override;

    // The list.
    int numberOfSectionsInTableView(platform::TableView& tableView) override;
    int tableViewNumberOfRowsInSection(platform::TableView& tableView, int section) override;
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& tableView, const platform::IndexPath& indexPath) override;
    void tableViewDidSelectRowAtIndexPath(platform::TableView& tableView,
                                          const platform::IndexPath& indexPath) override;
    bool tableViewShouldIndentWhileEditingRowAtIndexPath(
        platform::TableView& tableView, const platform::IndexPath& indexPath) override;
    platform::TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(
        platform::TableView& tableView, const platform::IndexPath& indexPath) override;
    void tableViewMoveRowAtIndexPathToIndexPath(platform::TableView& tableView,
                                                const platform::IndexPath& from,
                                                const platform::IndexPath& to) override;
    void deselectCellHighlight(const platform::IndexPath& indexPath);

    // Playback options.
    void playSound(platform::Timer& timer);
    void loopSound(platform::Control& sender);
    void delaySound(platform::Control& sender);

    // Edit mode and visibility.
    void editTable();
    void showAll(platform::Control& sender);
    void hideAll(platform::Control& sender);
    void toggleSoundHide(const std::shared_ptr<SoundEffect>& sound);

    // Shake to play.
    void accelerometerDidAccelerate(platform::Accelerometer& accelerometer,
                                    const platform::Acceleration& acceleration) override;
    void changeShakeType(platform::Control& sender);

    // Mute warning.
    void showAlertIfMuted();
    void alertViewClickedButtonAtIndex(platform::AlertView& alertView, int buttonIndex) override;

    // Properties.
    const std::shared_ptr<platform::TableView>& soundTable() const { return soundTable_; }
    void setSoundTable(std::shared_ptr<platform::TableView> table) {
        soundTable_ = std::move(table);
    }
    const SoundList& sounds() const { return sounds_; }
    void setSounds(SoundList sounds) { sounds_ = std::move(sounds); }
    std::shared_ptr<platform::Timer> timer() const { return timer_.lock(); }
    void setTimer(const std::shared_ptr<platform::Timer>& timer) { timer_ = timer; }
    const std::optional<platform::PropertyList::Dictionary>& configuration() const {
        return configuration_;
    }
    void setConfiguration(std::optional<platform::PropertyList::Dictionary> configuration) {
        configuration_ = std::move(configuration);
    }
    const std::shared_ptr<platform::Timer>& muteCheckTimer() const { return muteCheckTimer_; }
    void setMuteCheckTimer(std::shared_ptr<platform::Timer> timer) {
        muteCheckTimer_ = std::move(timer);
    }
    const std::optional<platform::IndexPath>& shakeSoundIndexPath() const {
        return shakeSoundIndexPath_;
    }
    void setShakeSoundIndexPath(std::optional<platform::IndexPath> indexPath) {
        shakeSoundIndexPath_ = indexPath;
    }

    static constexpr double kShakeThreshold = 1.5;
    static constexpr int32_t kSamplesIgnoredAfterShake = 50;
    static constexpr double kAccelerometerInterval = 0.02;
    static constexpr double kToolbarSlideDuration = 0.4;
    // How late a looping play may fire and still count as on time (about one frame).
    static constexpr double kWakeUpAllowance = 0.02;

private:
    std::shared_ptr<RootViewController> self();

    // Catalogue and configuration store.
    void loadCatalogue();
    void restoreCatalogue(const platform::PropertyList& storedShakeType);
    void buildFirstCatalogue();
    void rebuildConfiguration();
    void storeConfiguration();
    platform::PropertyList::Dictionary configurationFromSounds() const;

    // The clip shown on row `row` by the list's current mode; nullptr for a row that isn't there.
    std::shared_ptr<SoundEffect> soundForRow(const platform::TableView& tableView, int row) const;
    std::vector<std::shared_ptr<SoundEffect>> shownSounds() const;

    void cancelPendingPlayback();
    void schedulePlayback(double interval, const std::shared_ptr<SoundEffect>& sound);
    void slideToolbars(const char* animationName, bool editing);
    void setAllHidden(bool hidden);
    void actOnShake();

    std::shared_ptr<platform::TableView> soundTable_;
    std::shared_ptr<platform::Toolbar> optionsToolbar_;
    std::shared_ptr<platform::Button> loopLabel_;
    std::shared_ptr<platform::Button> delayLabel_;
    std::shared_ptr<DBSlider> delaySlider_;
    std::shared_ptr<platform::Switch> loopSwitch_;
    std::shared_ptr<platform::Toolbar> selectionToolbar_;
    SoundList sounds_;
    std::weak_ptr<platform::Timer> timer_;  // the pending playback, owned by the run loop
    bool loop_ = false;
    float delay_ = 0.0f;
    std::optional<platform::PropertyList::Dictionary> configuration_;
    std::shared_ptr<platform::Timer> muteCheckTimer_;  // never scheduled
    std::optional<platform::IndexPath> shakeSoundIndexPath_;
    int32_t shakeType_ = 0;
    int32_t old_x_ = 0;
    int32_t old_y_ = 0;
    int32_t old_z_ = 0;
    int32_t timeSkipper_ = 0;
};
