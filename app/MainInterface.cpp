#include "app/MainInterface.h"

#include "app/AboutViewController.h"
#include "app/DBSlider.h"
#include "app/RootViewController.h"
#include "app/SoundsAppDelegate.h"
#include "platform/foundation/Bundle.h"
#include "platform/ui/Application.h"
#include "platform/ui/Label.h"
#include "platform/foundation/Services.h"

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
std::shared_ptr<platform::View> buildBoard(const std::shared_ptr<RootViewController>& board) {
    using Main = MainInterface;
    auto view =
        std::make_shared<platform::View>(Rect(0, 0, Main::kScreenWidth, Main::kContentHeight));
    view->setBackgroundColor(Color::black());
    view->setAutoresizingMask(platform::kAutoresizingFlexibleHeight);

    RootViewController::Outlets outlets;
    outlets.soundTable =
        std::make_shared<platform::TableView>(Rect(0, 0, Main::kScreenWidth, Main::kToolbarY));
    outlets.soundTable->setDataSource(board);
    outlets.soundTable->setDelegate(board);
    view->addSubview(outlets.soundTable);

    outlets.optionsToolbar = std::make_shared<platform::Toolbar>(
        Rect(0, Main::kToolbarY, Main::kScreenWidth, Main::kToolbarHeight));
    outlets.loopSwitch = std::make_shared<platform::Switch>(
        Rect(56, (Main::kToolbarHeight - platform::Switch::kHeight) / 2, 0, 0));
    outlets.loopSwitch->addTarget(board, &RootViewController::loopSound,
                                  platform::kControlEventValueChanged);
    outlets.optionsToolbar->addSubview(outlets.loopSwitch);
    outlets.delaySlider =
        std::make_shared<DBSlider>(Rect(Main::kDelaySliderX, 10, Main::kDelaySliderWidth, 24));
    outlets.delaySlider->setMinimumValue(0);
    outlets.delaySlider->setMaximumValue(Main::kDelaySliderMaximum);
    outlets.delaySlider->addTarget(board, &RootViewController::delaySound,
                                   platform::kControlEventValueChanged);
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

    board->connectOutlets(outlets);
    return view;
}

// The About screen: name and version, how to shake, the shake-mode selector and the web site.
std::shared_ptr<platform::View> buildAbout(const std::shared_ptr<AboutViewController>& about,
                                           const std::shared_ptr<RootViewController>& board) {
    auto view = std::make_shared<platform::View>(
        Rect(0, 0, MainInterface::kScreenWidth, MainInterface::kContentHeight));
    view->setBackgroundColor(kAboutBackground);

    const std::string name = infoString("CFBundleName", "Soundboard");
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
    view->addSubview(shakeTypeControl);

    auto website = platform::Button::buttonWithType(platform::ButtonType::RoundedRect);
    website->setFrame(Rect(60, 300, 200, 40));
    website->setTitle("Visit the web site", platform::kControlStateNormal);
    website->setTitleColor(Color::rgb(0.2f, 0.3f, 0.5f), platform::kControlStateNormal);
    website->addTarget(about, &AboutViewController::goToWebsite,
                       platform::kControlEventTouchUpInside);
    view->addSubview(website);

    about->connectOutlets(shakeTypeControl);
    return view;
}
}  // namespace

std::shared_ptr<MainInterface> MainInterface::load() {
    auto interface = std::make_shared<MainInterface>();
    auto delegate = std::make_shared<SoundsAppDelegate>();

    auto board = std::make_shared<RootViewController>();
    board->setView(buildBoard(board));
    auto about = std::make_shared<AboutViewController>();
    about->setView(buildAbout(about, board));

    auto aboutItem = std::make_shared<platform::BarButtonItem>("About");
    aboutItem->setTarget(delegate, &SoundsAppDelegate::about);
    board->navigationItem().setRightBarButtonItem(aboutItem);

    delegate->setWindow(std::make_shared<platform::Window>());
    delegate->setNavigationController(std::make_shared<platform::NavigationController>(board));
    delegate->setRootViewController(board);
    delegate->setAboutViewController(about);

    platform::services().application->setDelegate(delegate.get());
    interface->delegate_ = std::move(delegate);
    return interface;
}
