#include "app/MainInterface.h"

#include "app/AboutViewController.h"
#include "app/AccessibleSoundList.h"
#include "app/DBSlider.h"
#include "app/RootViewController.h"
#include "app/SoundsAppDelegate.h"
#include "platform/foundation/Bundle.h"
#include "app/CustomCell.h"
#include "platform/ui/Accelerometer.h"
#include "platform/ui/Application.h"
#include "platform/ui/KeyCommands.h"
#include "platform/ui/Label.h"
#include "platform/foundation/Services.h"
#include "platform/ui/table/TableKeyboardFocus.h"

namespace {
using platform::Color;
using platform::Rect;

constexpr Color kCaptionColor = Color::whiteColor();
constexpr Color kAboutBackground = Color::rgb(0.13f, 0.14f, 0.17f);

std::shared_ptr<platform::Button> captionButton(const std::string& title, const Rect& frame) {
    auto button = platform::Button::buttonWithType(platform::ButtonType::Custom);
    button->setFrame(frame);
    button->setTitle(title, platform::kControlStateNormal);
    button->setTitleColor(kCaptionColor, platform::kControlStateNormal);
    button->setTitleColor(Color::lightGray(), platform::kControlStateHighlighted);
    button->titleLabel()->setFont(platform::Font::boldSystemFont(14));
    return button;
}

std::shared_ptr<platform::Label> aboutLabel(const std::string& text, const Rect& frame, float size,
                                            bool bold) {
    auto label = std::make_shared<platform::Label>(frame);
    label->setText(text);
    label->setFont(bold ? platform::Font::boldSystemFont(size) : platform::Font::systemFont(size));
    label->setTextColor(Color::whiteColor());
    label->setTextAlignment(platform::TextAlignment::Center);
    return label;
}

std::string infoString(const char* key, const std::string& fallback) {
    const auto& info = platform::services().bundle->infoDictionary();
    const auto found = info.find(key);
    return found != info.end() && found->second.string() ? *found->second.string() : fallback;
}

// The board's view: the list, the normal-mode toolbar with the loop and delay controls and
// their label buttons, and the edit-mode toolbar off screen to the left.
std::shared_ptr<platform::View> buildBoard(const std::shared_ptr<RootViewController>& board,
                                           RootViewController::Outlets& outlets) {
    using Main = MainInterface;
    auto view =
        std::make_shared<platform::View>(Rect(0, 0, Main::kScreenWidth, Main::kContentHeight));
    view->setBackgroundColor(Color::black());
    view->setAutoresizingMask(platform::kAutoresizingFlexibleHeight);

    outlets.soundTable =
        std::make_shared<platform::TableView>(Rect(0, 0, Main::kScreenWidth, Main::kToolbarY));
    outlets.soundTable->setDataSource(board);
    outlets.soundTable->setDelegate(board);
    // A taller window gives the list more rows; the toolbars stay at the bottom.
    outlets.soundTable->setAutoresizingMask(platform::kAutoresizingFlexibleHeight);
    view->addSubview(outlets.soundTable);

    outlets.optionsToolbar = std::make_shared<platform::Toolbar>(
        Rect(0, Main::kToolbarY, Main::kScreenWidth, Main::kToolbarHeight));
    outlets.loopSwitch = std::make_shared<platform::Switch>(
        Rect(56, (Main::kToolbarHeight - platform::Switch::kHeight) / 2, 0, 0));
    outlets.loopSwitch->addTarget(board, &RootViewController::loopSound,
                                  platform::kControlEventValueChanged);
    outlets.loopSwitch->setAccessibilityLabel("Loop");
    outlets.optionsToolbar->addSubview(outlets.loopSwitch);
    outlets.delaySlider =
        std::make_shared<DBSlider>(Rect(Main::kDelaySliderX, 10, Main::kDelaySliderWidth, 24));
    outlets.delaySlider->setMinimumValue(0);
    outlets.delaySlider->setMaximumValue(Main::kDelaySliderMaximum);
    outlets.delaySlider->addTarget(board, &RootViewController::delaySound,
                                   platform::kControlEventValueChanged);
    outlets.delaySlider->setAccessibilityLabel("Delay");
    outlets.optionsToolbar->addSubview(outlets.delaySlider);
    view->addSubview(outlets.optionsToolbar);

    // The label buttons lie over the toolbar and slide on their own.
    outlets.loopLabel = captionButton("Loop", Rect(0, Main::kToolbarY, 54, Main::kToolbarHeight));
    outlets.loopLabel->addTarget(board, &RootViewController::loopSound,
                                 platform::kControlEventTouchUpInside);
    view->addSubview(outlets.loopLabel);
    outlets.delayLabel =
        captionButton("Delay", Rect(156, Main::kToolbarY, 42, Main::kToolbarHeight));
    outlets.delayLabel->addTarget(board, &RootViewController::delaySound,
                                  platform::kControlEventTouchUpInside);
    view->addSubview(outlets.delayLabel);

    outlets.selectionToolbar = std::make_shared<platform::Toolbar>(
        Rect(-Main::kScreenWidth, Main::kToolbarY, Main::kScreenWidth, Main::kToolbarHeight));
    auto showAll = captionButton("Show All", Rect(76, 7, 96, 30));
    showAll->addTarget(board, &RootViewController::showAll, platform::kControlEventTouchUpInside);
    outlets.selectionToolbar->addSubview(showAll);
    auto hideAll = captionButton("Hide All", Rect(212, 7, 96, 30));
    hideAll->addTarget(board, &RootViewController::hideAll, platform::kControlEventTouchUpInside);
    outlets.selectionToolbar->addSubview(hideAll);
    view->addSubview(outlets.selectionToolbar);

    for (const auto& bottom : view->subviews())
        if (bottom != outlets.soundTable)
            bottom->setAutoresizingMask(platform::kAutoresizingFlexibleTopMargin);
    board->connectOutlets(outlets);
    return view;
}

// The About screen's controls that keys press.
struct AboutControls {
    std::shared_ptr<platform::SegmentedControl> shakeType;
    std::shared_ptr<platform::Button> website;
};

// The About screen: name and version, how to shake, the shake-mode selector and the web site.
std::shared_ptr<platform::View> buildAbout(const std::shared_ptr<AboutViewController>& about,
                                           const std::shared_ptr<RootViewController>& board,
                                           AboutControls& controls) {
    auto view = std::make_shared<platform::View>(
        Rect(0, 0, MainInterface::kScreenWidth, MainInterface::kContentHeight));
    view->setBackgroundColor(kAboutBackground);

    const std::string name = platform::services().bundle->displayName();
    const std::string version = infoString("CFBundleShortVersionString", "1.0");
    view->addSubview(aboutLabel(name, Rect(10, 24, 300, 36), 28, true));
    view->addSubview(aboutLabel("Version " + version, Rect(10, 60, 300, 22), 14, false));
    view->addSubview(
        aboutLabel("Shake the device to play a clip.", Rect(10, 118, 300, 22), 15, false));
    view->addSubview(
        aboutLabel("On a desktop, press S to shake.", Rect(10, 140, 300, 22), 15, false));
    view->addSubview(aboutLabel("When shaken, play:", Rect(10, 182, 300, 22), 15, true));

    auto shakeTypeControl = std::make_shared<platform::SegmentedControl>(
        std::vector<std::string>{"Nothing", "Last", "Random", "Sweep"}, Rect(10, 210, 300, 40));
    shakeTypeControl->addTarget(board, &RootViewController::changeShakeType,
                                platform::kControlEventValueChanged);
    shakeTypeControl->setAccessibilityLabel("When shaken, play");
    view->addSubview(shakeTypeControl);

    auto website = platform::Button::buttonWithType(platform::ButtonType::RoundedRect);
    website->setFrame(Rect(60, 300, 200, 40));
    website->setTitle("Visit the web site", platform::kControlStateNormal);
    website->setTitleColor(Color::rgb(0.2f, 0.3f, 0.5f), platform::kControlStateNormal);
    website->addTarget(about, &AboutViewController::goToWebsite,
                       platform::kControlEventTouchUpInside);
    view->addSubview(website);

    // A taller window spreads the content over the extra height.
    view->setAutoresizingMask(platform::kAutoresizingFlexibleHeight);
    for (const auto& content : view->subviews())
        content->setAutoresizingMask(platform::kAutoresizingFlexibleTopMargin |
                                     platform::kAutoresizingFlexibleBottomMargin);
    about->connectOutlets(shakeTypeControl);
    controls = {shakeTypeControl, website};
    return view;
}

// The board's keys. Each does what a finger does on the same control.
void bindBoardKeys(platform::KeyCommands& keys, const std::shared_ptr<RootViewController>& board,
                   const RootViewController::Outlets& outlets, platform::TableKeyboardFocus& list) {
    using platform::Key;
    using platform::KeyCommands;
    const std::weak_ptr<platform::TableView> table = outlets.soundTable;
    auto* focus = &list;  // owned by the interface, as the bindings are
    keys.add(board, Key::Up, [focus] { focus->moveBy(-1); });
    keys.add(board, Key::Down, [focus] { focus->moveBy(1); });
    keys.add(board, Key::PageUp, [focus] { focus->movePage(-1); });
    keys.add(board, Key::PageDown, [focus] { focus->movePage(1); });
    keys.add(board, Key::Home, [focus] { focus->moveToFirst(); });
    keys.add(board, Key::End, [focus] { focus->moveToLast(); });
    keys.add(board, Key::Return, [focus] { focus->tapFocusedRow(); });
    // Space taps the row; in edit mode it touches the row's check mark instead.
    keys.add(board, Key::Space, [focus, table] {
        const auto list = table.lock();
        if (!list || !list->isEditing()) return focus->tapFocusedRow();
        focus->moveBy(0);
        if (auto cell = std::dynamic_pointer_cast<CustomCell>(focus->focusedCell()))
            KeyCommands::tap(cell->checkButton())();
    });
    for (int digit = 1; digit <= 9; ++digit)
        keys.add(board, platform::keyFor(static_cast<char>('0' + digit)), [focus, digit] {
            if (focus->focusRow(digit - 1)) focus->tapFocusedRow();
        });
    keys.add(board, Key::Up, platform::kKeyModifierAlt, [focus] { focus->moveFocusedRowBy(-1); });
    keys.add(board, Key::Down, platform::kKeyModifierAlt, [focus] { focus->moveFocusedRowBy(1); });

    keys.add(board, platform::keyFor('l'), KeyCommands::toggle(outlets.loopSwitch));
    keys.add(board, Key::Left, KeyCommands::step(outlets.delaySlider, -1));
    keys.add(board, Key::Right, KeyCommands::step(outlets.delaySlider, 1));
    keys.add(board, Key::Backspace, KeyCommands::tap(outlets.delayLabel));
    const std::weak_ptr<RootViewController> weakBoard = board;
    keys.add(board, platform::keyFor('e'), KeyCommands::trigger([weakBoard] {
                 auto strong = weakBoard.lock();
                 return strong ? strong->navigationItem().leftBarButtonItem() : nullptr;
             }));
    keys.add(board, platform::keyFor('a'), KeyCommands::trigger([weakBoard] {
                 auto strong = weakBoard.lock();
                 return strong ? strong->navigationItem().rightBarButtonItem() : nullptr;
             }));
}

// The About screen's keys.
void bindAboutKeys(platform::KeyCommands& keys, const std::shared_ptr<AboutViewController>& about,
                   const AboutControls& controls,
                   const std::shared_ptr<platform::NavigationController>& navigation) {
    using platform::Key;
    using platform::KeyCommands;
    keys.add(about, Key::Left, KeyCommands::stepSegment(controls.shakeType, -1));
    keys.add(about, Key::Right, KeyCommands::stepSegment(controls.shakeType, 1));
    keys.add(about, platform::keyFor('w'), KeyCommands::tap(controls.website));
    // The back button, whatever view the bar shows for it at the time.
    const std::weak_ptr<platform::NavigationController> weak = navigation;
    const auto back = [weak] {
        const auto strong = weak.lock();
        if (!strong) return;
        KeyCommands::tap(
            std::dynamic_pointer_cast<platform::Control>(strong->navigationBar()->leftView()))();
    };
    keys.add(about, Key::Escape, back);
    keys.add(about, Key::Left, platform::kKeyModifierAlt, back);
}
}  // namespace

MainInterface::MainInterface() = default;

MainInterface::~MainInterface() = default;

std::shared_ptr<MainInterface> MainInterface::load() {
    auto interface = std::make_shared<MainInterface>();
    auto delegate = std::make_shared<SoundsAppDelegate>();

    auto board = std::make_shared<RootViewController>();
    RootViewController::Outlets outlets;
    board->setView(buildBoard(board, outlets));
    auto about = std::make_shared<AboutViewController>();
    AboutControls aboutControls;
    about->setView(buildAbout(about, board, aboutControls));

    auto aboutItem = std::make_shared<platform::BarButtonItem>("About");
    aboutItem->setTarget(delegate, &SoundsAppDelegate::about);
    board->navigationItem().setRightBarButtonItem(aboutItem);

    auto window = std::make_shared<platform::Window>();
    auto navigation = std::make_shared<platform::NavigationController>(board);
    interface->keyCommands_ = std::make_shared<platform::KeyCommands>(navigation);
    interface->listFocus_ = std::make_unique<platform::TableKeyboardFocus>(outlets.soundTable);
    bindBoardKeys(*interface->keyCommands_, board, outlets, *interface->listFocus_);
    interface->accessibleList_ =
        std::make_shared<AccessibleSoundList>(board, *interface->listFocus_);
    outlets.soundTable->setAccessibilityContent(interface->accessibleList_);
    bindAboutKeys(*interface->keyCommands_, about, aboutControls, navigation);
    // A desktop has no accelerometer to shake: S makes the device feel a shake.
    interface->keyCommands_->addEverywhere(platform::keyFor('s'),
                                           [] { platform::services().accelerometer->jolt(); });
    window->setKeyHandler([keys = std::weak_ptr(interface->keyCommands_),
                           target = window.get()](const platform::KeyPress& press) {
        const auto strong = keys.lock();
        return strong && strong->handle(press, *target);
    });
    delegate->setWindow(std::move(window));
    delegate->setNavigationController(std::move(navigation));
    delegate->setRootViewController(board);
    delegate->setAboutViewController(about);

    platform::services().application->setDelegate(delegate.get());
    interface->delegate_ = std::move(delegate);
    return interface;
}
