#include "app/RootViewController.h"

#include "app/CustomCell.h"
#include "app/DBSlider.h"
#include "app/SoundEffect.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/foundation/Services.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

using platform::IndexPath;
using platform::PropertyList;

namespace {
constexpr const char* kNameKey = "name";
constexpr const char* kHiddenKey = "hidden";
constexpr const char* kPathKey = "path";

// Normal-mode and edit-mode x of the four views that slide when edit mode changes.
struct SlidePositions {
    float optionsToolbar, loopLabel, delayLabel, selectionToolbar;
};
constexpr SlidePositions kNormalPositions{0, 0, 156, -320};
constexpr SlidePositions kEditPositions{320, 328, 480, 0};

// A sample cut to a whole number towards zero. Readings beyond the 32-bit range saturate and
// NaN counts as 0, so a broken sensor cannot cause undefined behaviour.
int32_t truncateSample(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

int32_t saturatedInt32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

const PropertyList::Array* arrayForKey(const PropertyList::Dictionary& dictionary,
                                       const char* key) {
    const auto found = dictionary.find(key);
    return found == dictionary.end() ? nullptr : found->second.array();
}

// A stored hidden flag: a number or boolean, non-zero meaning hidden. A missing or unreadable
// flag counts as shown.
bool storedFlag(const PropertyList::Array* flags, size_t index) {
    if (!flags || index >= flags->size()) return false;
    const PropertyList& flag = (*flags)[index];
    return flag.isNumber() && flag.boolValue();
}
}  // namespace

std::shared_ptr<RootViewController> RootViewController::self() {
    return std::static_pointer_cast<RootViewController>(shared_from_this());
}

void RootViewController::connectOutlets(const Outlets& outlets) {
    setSoundTable(outlets.soundTable);
    setTableView(outlets.soundTable);
    optionsToolbar_ = outlets.optionsToolbar;
    loopLabel_ = outlets.loopLabel;
    delayLabel_ = outlets.delayLabel;
    delaySlider_ = outlets.delaySlider;
    loopSwitch_ = outlets.loopSwitch;
    selectionToolbar_ = outlets.selectionToolbar;
}

// ---- Construction and lifecycle ----

void RootViewController::viewDidLoad() {
    auto editButton = editButtonItem();
    navigationItem().setLeftBarButtonItem(editButton);
    editButton->setStyle(platform::BarButtonItemStyle::Plain);
    editButton->setTarget(self(), &RootViewController::editTable);

    if (soundTable_) {
        soundTable_->setBackgroundColor(platform::Color::black());
        soundTable_->setAllowsSelectionDuringEditing(true);
    }

    loop_ = false;
    delay_ = 0.0f;
    setShakeSoundIndexPath(std::nullopt);

    srandom(static_cast<unsigned>(time(nullptr)));

    auto& accelerometer = *platform::services().accelerometer;
    accelerometer.setUpdateInterval(kAccelerometerInterval);
    accelerometer.setDelegate(self());

    old_z_ = old_y_ = old_x_ = timeSkipper_ = 0;

    if (selectionToolbar_) {
        // The marks show what show-all and hide-all give every clip.
        auto checkedMark =
            std::make_shared<platform::ImageView>(platform::Image::named("checked.png"));
        checkedMark->setFrame({52, 14, 20, 20});
        selectionToolbar_->addSubview(checkedMark);
        auto uncheckedMark =
            std::make_shared<platform::ImageView>(platform::Image::named("unchecked.png"));
        uncheckedMark->setFrame({190, 15, 18, 18});
        selectionToolbar_->addSubview(uncheckedMark);
    }

    loadCatalogue();
}

void RootViewController::viewWillAppear(bool animated) {
    TableViewController::viewWillAppear(animated);
    // Set on every appearance: opening the About screen renames the board "back".
    setTitle(platform::services().bundle->name().value_or(""));
}

void RootViewController::viewDidAppear(bool animated) {
    TableViewController::viewDidAppear(animated);
}

void RootViewController::viewWillDisappear(bool /*animated*/) {}

void RootViewController::viewDidDisappear(bool /*animated*/) { storeConfiguration(); }

bool RootViewController::shouldAutorotateToInterfaceOrientation(
    platform::InterfaceOrientation orientation) {
    return orientation == platform::InterfaceOrientation::Portrait;
}

void RootViewController::didReceiveMemoryWarning() {
    TableViewController::didReceiveMemoryWarning();
}

// ---- Catalogue and configuration store ----

void RootViewController::loadCatalogue() {
    auto& defaults = *platform::services().defaults;
    configuration_.reset();
    // A stored value that is not a dictionary counts as absent.
    if (auto stored = defaults.objectForKey(kRootObjectKey); stored && stored->dictionary())
        configuration_ = std::move(*stored->dictionary());

    const auto storedShakeType = defaults.objectForKey(kShakeTypeKey);
    if (configuration_ && storedShakeType)
        restoreCatalogue(*storedShakeType);
    else
        buildFirstCatalogue();

    defaults.registerDefaults({{kRootObjectKey, PropertyList(*configuration_)}});
    defaults.synchronize();
}

void RootViewController::restoreCatalogue(const PropertyList& storedShakeType) {
    const auto* names = arrayForKey(*configuration_, kNameKey);
    const auto* flags = arrayForKey(*configuration_, kHiddenKey);
    SoundList sounds;
    sounds.reserve(names ? names->size() : 0);
    if (names) {
        auto& bundle = *platform::services().bundle;
        for (size_t i = 0; i < names->size(); ++i) {
            // Clips are found again by name: a clip no longer among the resources, or a name
            // that is not a plain file name, is skipped.
            const std::string* name = (*names)[i].string();
            if (!name) continue;
            const auto path = bundle.pathForResource(*name, "wav");
            if (!path) continue;
            auto sound = SoundEffect::soundEffectWithContentsOfFile(path);
            sound->setHidden(storedFlag(flags, i));
            sounds.push_back(std::move(sound));
        }
    }
    setSounds(std::move(sounds));
    shakeType_ = saturatedInt32(storedShakeType.integerValue());
}

void RootViewController::buildFirstCatalogue() {
    const auto paths = platform::services().bundle->pathsForResourcesOfType("wav");
    SoundList sounds;
    sounds.reserve(paths.size());
    for (const auto& path : paths)
        sounds.push_back(SoundEffect::soundEffectWithContentsOfFile(path));
    setSounds(std::move(sounds));
    setConfiguration(configurationFromSounds());
    shakeType_ = 0;
    platform::services().defaults->setObject(PropertyList(0), kShakeTypeKey);
}

PropertyList::Dictionary RootViewController::configurationFromSounds() const {
    PropertyList::Array names, flags, paths;
    names.reserve(sounds_.size());
    flags.reserve(sounds_.size());
    paths.reserve(sounds_.size());
    for (const auto& sound : sounds_) {
        names.emplace_back(sound->name());
        flags.emplace_back(sound->hidden() ? 1 : 0);
        paths.emplace_back(sound->path());
    }
    return {
        {kNameKey, std::move(names)}, {kHiddenKey, std::move(flags)}, {kPathKey, std::move(paths)}};
}

void RootViewController::rebuildConfiguration() {
    setConfiguration(configurationFromSounds());
    // Stored at once as well, so that a reorder or hide survives a run that ends before the
    // board's view next disappears.
    auto& defaults = *platform::services().defaults;
    defaults.setObject(PropertyList(*configuration_), kRootObjectKey);
    defaults.synchronize();
}

void RootViewController::storeConfiguration() {
    if (configuration_)
        platform::services().defaults->setObject(PropertyList(*configuration_), kRootObjectKey);
    platform::Log::print("Saving Config");
}

// ---- The list ----

std::vector<std::shared_ptr<SoundEffect>> RootViewController::shownSounds() const {
    std::vector<std::shared_ptr<SoundEffect>> shown;
    for (const auto& sound : sounds_)
        if (!sound->hidden()) shown.push_back(sound);
    return shown;
}

std::shared_ptr<SoundEffect> RootViewController::soundForRow(const platform::TableView& tableView,
                                                             int row) const {
    if (row < 0) return nullptr;
    const auto index = static_cast<size_t>(row);
    if (tableView.isEditing()) return index < sounds_.size() ? sounds_[index] : nullptr;
    for (const auto& sound : sounds_) {
        if (sound->hidden()) continue;
        if (row-- == 0) return sound;
    }
    return nullptr;
}

int RootViewController::numberOfSectionsInTableView(platform::TableView&) { return 1; }

int RootViewController::tableViewNumberOfRowsInSection(platform::TableView& tableView, int) {
    if (tableView.isEditing()) return static_cast<int>(sounds_.size());
    return static_cast<int>(shownSounds().size());
}

std::shared_ptr<platform::TableViewCell> RootViewController::tableViewCellForRowAtIndexPath(
    platform::TableView& tableView, const IndexPath& indexPath) {
    const auto sound = soundForRow(tableView, indexPath.row);
    auto cell = std::dynamic_pointer_cast<CustomCell>(
        tableView.dequeueReusableCellWithIdentifier(kCustomCellID));
    if (!cell) cell = CustomCell::create(platform::kRectZero, kCustomCellID);
    cell->setSound(sound);

    const bool hidden = sound && sound->hidden();
    if (tableView.isEditing()) {
        cell->checkButton()->setHidden(false);
        cell->titleLabel()->setTextColor(hidden ? platform::Color::gray()
                                                : platform::Color::black());
        cell->checkButton()->setImage(
            platform::Image::named(hidden ? "unchecked.png" : "checked.png"),
            platform::kControlStateNormal);
    } else {
        cell->titleLabel()->setTextColor(platform::Color::black());
        cell->checkButton()->setHidden(true);
    }
    cell->setShowsReorderControl(true);
    cell->titleLabel()->setText(sound ? sound->name() : std::string());
    return cell;
}

void RootViewController::tableViewDidSelectRowAtIndexPath(platform::TableView& tableView,
                                                          const IndexPath& indexPath) {
    const auto sound = soundForRow(tableView, indexPath.row);
    if (!sound) return;

    tableView.scrollToRowAtIndexPath(indexPath, platform::TableViewScrollPosition::Middle, true);
    if (auto selected = soundTable_->indexPathForSelectedRow())
        soundTable_->deselectRowAtIndexPath(*selected, false);
    soundTable_->selectRowAtIndexPath(indexPath, true, platform::TableViewScrollPosition::Middle);
    setShakeSoundIndexPath(indexPath);

    // In edit mode the clip plays at once; repeats still wait for the delay.
    const double startDelay = tableView.isEditing() ? 0.0 : static_cast<double>(delay_);
    if (auto pending = timer(); pending && pending->isValid()) cancelPendingPlayback();
    schedulePlayback(startDelay, sound);

    // The highlight lasts until the first play has ended, as far as the duration is known now.
    platform::services().runLoop->performAfterDelay(
        startDelay + sound->duration(), [this, indexPath] { deselectCellHighlight(indexPath); },
        self());
}

bool RootViewController::tableViewShouldIndentWhileEditingRowAtIndexPath(platform::TableView&,
                                                                         const IndexPath&) {
    return true;
}

platform::TableViewCellEditingStyle RootViewController::tableViewEditingStyleForRowAtIndexPath(
    platform::TableView&, const IndexPath&) {
    return platform::TableViewCellEditingStyle::None;
}

void RootViewController::tableViewMoveRowAtIndexPathToIndexPath(platform::TableView&,
                                                                const IndexPath& from,
                                                                const IndexPath& to) {
    if (from.row < 0 || to.row < 0 || static_cast<size_t>(from.row) >= sounds_.size() ||
        static_cast<size_t>(to.row) >= sounds_.size())
        return;
    auto sound = sounds_[static_cast<size_t>(from.row)];
    sounds_.erase(sounds_.begin() + from.row);
    sounds_.insert(sounds_.begin() + to.row, std::move(sound));
}

void RootViewController::deselectCellHighlight(const IndexPath& indexPath) {
    soundTable_->deselectRowAtIndexPath(indexPath, true);
}

// ---- Playback options ----

void RootViewController::cancelPendingPlayback() {
    if (auto pending = timer()) pending->invalidate();
    timer_.reset();
}

void RootViewController::schedulePlayback(double interval,
                                          const std::shared_ptr<SoundEffect>& sound) {
    setTimer(platform::Timer::scheduledTimer(
        interval, self(), [this](platform::Timer& firing) { playSound(firing); }, sound));
}

void RootViewController::playSound(platform::Timer& firing) {
    const auto sound = firing.userInfo<SoundEffect>();
    if (!sound) return;
    sound->play();

    if (auto pending = timer(); pending && pending->isValid())
        cancelPendingPlayback();
    else
        timer_.reset();

    if (!loop_) return;
    const double interval = sound->duration() + static_cast<double>(delay_);
    // A clip without length and without delay would repeat on every pass of the run loop.
    if (!(interval > 0.0)) return;
    // A play a little late (the run loop's wake-up delay, up to a frame, or the time a tap took
    // to be handled) counts from when it was due, so that such delays do not add up over a long
    // loop and the first repeat keeps the tap's own time. A play held back longer (a drag on the
    // list keeps default-mode timers waiting) counts from when it actually sounded, so the next
    // one still leaves the whole clip and the delay after it.
    const double late = platform::services().runLoop->now() - firing.dueTime();
    const bool absorbed = late > 0.0 && late <= kWakeUpAllowance && late < interval;
    schedulePlayback(absorbed ? interval - late : interval, sound);
}

void RootViewController::loopSound(platform::Control& sender) {
    if (loop_ && timer()) cancelPendingPlayback();
    if (&sender == loopLabel_.get()) {
        loop_ = false;
        if (loopSwitch_) loopSwitch_->setOn(false, true);
        return;
    }
    loop_ = !loop_;
}

void RootViewController::delaySound(platform::Control& sender) {
    if (delay_ > 0.0f && timer()) cancelPendingPlayback();
    if (&sender == delayLabel_.get()) {
        delay_ = 0.0f;
        if (delaySlider_) delaySlider_->setValue(0.0f);
        return;
    }
    if (delaySlider_) delay_ = delaySlider_->value();
}

// ---- Edit mode and visibility ----

void RootViewController::slideToolbars(const char* animationName, bool editing) {
    const SlidePositions& to = editing ? kEditPositions : kNormalPositions;
    platform::View::beginAnimations(animationName);
    platform::View::setAnimationDuration(kToolbarSlideDuration);
    const std::pair<platform::View*, float> moves[] = {
        {optionsToolbar_.get(), to.optionsToolbar},
        {loopLabel_.get(), to.loopLabel},
        {delayLabel_.get(), to.delayLabel},
        {selectionToolbar_.get(), to.selectionToolbar}};
    for (const auto& [view, x] : moves)
        if (view) view->setFrame(view->frame().withX(x));
    platform::View::commitAnimations();
}

void RootViewController::editTable() {
    std::vector<IndexPath> hiddenRows;
    for (size_t i = 0; i < sounds_.size(); ++i)
        if (sounds_[i]->hidden()) hiddenRows.push_back(IndexPath::forRow(static_cast<int>(i), 0));

    if (soundTable_->isEditing()) {
        soundTable_->setEditing(false, true);
        setEditing(false, true);
        soundTable_->deleteRowsAtIndexPaths(hiddenRows, platform::TableViewRowAnimation::Top);
        slideToolbars("showOptionsToolbar", false);
        rebuildConfiguration();
    } else {
        soundTable_->setEditing(true, true);
        setEditing(true, true);
        slideToolbars("showSelectionToolbar", true);
    }
    soundTable_->reloadData();
    platform::Log::print("end");
}

void RootViewController::setAllHidden(bool hidden) {
    for (const auto& sound : sounds_) sound->setHidden(hidden);
    soundTable_->reloadData();
}

void RootViewController::showAll(platform::Control&) {
    platform::Log::print("Show All");
    setAllHidden(false);
}

void RootViewController::hideAll(platform::Control&) {
    platform::Log::print("Hide All");
    setAllHidden(true);
}

void RootViewController::toggleSoundHide(const std::shared_ptr<SoundEffect>& sound) {
    platform::Log::print("Toggled");
    if (sound) sound->setHidden(!sound->hidden());
}

// ---- Shake to play ----

void RootViewController::accelerometerDidAccelerate(platform::Accelerometer&,
                                                    const platform::Acceleration& acceleration) {
    const int32_t x = truncateSample(acceleration.x);
    const int32_t y = truncateSample(acceleration.y);
    const int32_t z = truncateSample(acceleration.z);
    // Differences in 64 bits and squares in double: exact for real readings, and free of
    // overflow for saturated ones.
    const double dx = static_cast<double>(static_cast<int64_t>(x) - old_x_);
    const double dy = static_cast<double>(static_cast<int64_t>(y) - old_y_);
    const double dz = static_cast<double>(static_cast<int64_t>(z) - old_z_);
    const double movement =
        static_cast<double>(std::sqrt(static_cast<float>(dx * dx + dy * dy + dz * dz)));

    if (timeSkipper_ == 0 && movement > kShakeThreshold) {
        platform::Log::print("Shaking");
        actOnShake();
        timeSkipper_ = kSamplesIgnoredAfterShake;
    } else if (timeSkipper_ > 0) {
        --timeSkipper_;
    }
    old_x_ = x;
    old_y_ = y;
    old_z_ = z;
}

void RootViewController::actOnShake() {
    switch (shakeType_) {
        case 0:  // silent
            break;
        case 1: {  // replay the remembered row while it still exists
            const int row = shakeSoundIndexPath_ ? shakeSoundIndexPath_->row : 0;
            if (row + 1 > soundTable_->numberOfRowsInSection(0))
                setShakeSoundIndexPath(std::nullopt);
            if (const auto remembered = shakeSoundIndexPath_)
                tableViewDidSelectRowAtIndexPath(*soundTable_, *remembered);
            break;
        }
        case 2: {  // a random row; an empty list plays nothing
            const int rows = soundTable_->numberOfRowsInSection(0);
            if (rows <= 0) break;
            const long drawn = random();
            tableViewDidSelectRowAtIndexPath(*soundTable_,
                                             IndexPath::forRow(static_cast<int>(drawn % rows), 0));
            break;
        }
        case 3:  // sweep from row 1 down; each tap cancels the one before
            for (int row = 1; row < soundTable_->numberOfRowsInSection(0); ++row)
                tableViewDidSelectRowAtIndexPath(*soundTable_, IndexPath::forRow(row, 0));
            break;
        default:
            platform::Log::print("Shake: default");
            break;
    }
}

void RootViewController::changeShakeType(platform::Control& sender) {
    const auto* control = dynamic_cast<platform::SegmentedControl*>(&sender);
    if (!control) return;
    shakeType_ = control->selectedSegmentIndex();
    platform::services().defaults->setObject(PropertyList(shakeType_), kShakeTypeKey);
}

// ---- Mute warning ----

void RootViewController::showAlertIfMuted() {
    auto alert = std::make_shared<platform::AlertView>(
        "Mute", "You have muted your device, so no sounds will be heard", self(), "OK");
    // The window keeps the alert while it is on screen.
    alert->show();
}

void RootViewController::alertViewClickedButtonAtIndex(platform::AlertView&, int buttonIndex) {
    platform::Log::print(buttonIndex == 0 ? "OK pressed" : "Other button pressed");
}
