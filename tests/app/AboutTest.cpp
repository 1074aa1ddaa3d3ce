#include "tests/app/BoardFixture.h"

#include "app/AboutViewController.h"
#include "platform/foundation/Url.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/foundation/Services.h"

namespace {

class AboutTest : public BoardFixture {
protected:
    void SetUp() override {
        addClip("Bell", 0.5);
        launch();
    }
    AboutViewController& about() { return *interface->delegate()->aboutViewController(); }
    platform::NavigationController& navigation() {
        return *interface->delegate()->navigationController();
    }
    std::shared_ptr<platform::SegmentedControl> shakeControl() {
        auto any = [](const platform::SegmentedControl&) { return true; };
        return BoardFixture::findIn<platform::SegmentedControl>(about().view(), any);
    }
    void openAbout() {
        platform::BarButtonItem sender("About");
        interface->delegate()->about(sender);
        env.runLoop().runFor(1.0);
    }
    void goBack() {
        navigation().popViewControllerAnimated(true);
        env.runLoop().runFor(1.0);
    }
};

TEST_F(AboutTest, LaunchShowsTheStackWithTheBoardAndAnAnimatedStatusBar) {
    auto& app = *platform::services().application;
    EXPECT_EQ(app.statusBarStyle(), platform::StatusBarStyle::BlackTranslucent);
    EXPECT_FALSE(app.isStatusBarHidden());
    EXPECT_TRUE(app.statusBarAnimated());
    EXPECT_EQ(app.keyWindow(), interface->delegate()->window().get());
    EXPECT_EQ(navigation().topViewController().get(), &board());
    EXPECT_TRUE(navigation().view()->isDescendantOf(*interface->delegate()->window()));
}

TEST_F(AboutTest, AboutPushesTheSameControllerWithAFreshTitleImageEachTime) {
    openAbout();
    EXPECT_EQ(navigation().topViewController().get(), &about());
    auto firstTitle = about().navigationItem().titleView();
    ASSERT_TRUE(std::dynamic_pointer_cast<platform::ImageView>(firstTitle));
    goBack();
    EXPECT_EQ(navigation().topViewController().get(), &board());
    openAbout();
    EXPECT_EQ(navigation().topViewController().get(), &about());
    EXPECT_NE(about().navigationItem().titleView(), firstTitle);
    EXPECT_EQ(logCount("Saving Config"), 2u);
    EXPECT_FALSE(about().shouldAutorotateToInterfaceOrientation(
        platform::InterfaceOrientation::LandscapeLeft));
    EXPECT_TRUE(
        about().shouldAutorotateToInterfaceOrientation(platform::InterfaceOrientation::Portrait));
}

TEST_F(AboutTest, AboutAskedForDuringTheBackSlideOpensWhenTheSlideEnds) {
    openAbout();
    navigation().popViewControllerAnimated(true);
    env.runLoop().runFor(platform::NavigationController::kTransitionDuration / 2);
    platform::BarButtonItem sender("About");
    interface->delegate()->about(sender);
    env.runLoop().runFor(1.0);
    EXPECT_EQ(navigation().topViewController().get(), &about());
    EXPECT_TRUE(about().view()->isDescendantOf(*interface->delegate()->window()));
    EXPECT_EQ(navigation().navigationBar()->backButtonTitle(), "back");
    goBack();
    EXPECT_EQ(navigation().topViewController().get(), &board());
    EXPECT_NE(board().title(), "back");
}

TEST_F(AboutTest, SegmentedControlShowsTheStoredModeAndChangesItThroughTheBoard) {
    openAbout();
    auto control = shakeControl();
    ASSERT_TRUE(control);
    EXPECT_EQ(control->selectedSegmentIndex(), 0) << "first run";
    EXPECT_EQ(control->numberOfSegments(), 4);

    control->setSelectedSegmentIndex(2);
    control->sendActionsForControlEvents(platform::kControlEventValueChanged);
    EXPECT_EQ(platform::services().defaults->integerForKey(kShakeTypeKey), 2);
    goBack();
    openAbout();
    EXPECT_EQ(shakeControl()->selectedSegmentIndex(), 2);

    restart();
    openAbout();
    EXPECT_EQ(shakeControl()->selectedSegmentIndex(), 2) << "after a restart";
}

TEST_F(AboutTest, WebsiteOpensOutsideTheApplication) {
    std::vector<std::string> opened;
    platform::services().application->setUrlOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    openAbout();
    about().goToWebsite(*shakeControl());
    EXPECT_EQ(opened, std::vector<std::string>{kWEBSITE});
}

TEST_F(AboutTest, MuteAlertShowsItsTextsAndLogsThePressedButton) {
    board().showAlertIfMuted();
    auto alert = platform::UiTestEnvironment::visibleAlert(*interface->delegate()->window());
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Mute");
    EXPECT_EQ(alert->message(), "You have muted your device, so no sounds will be heard");
    EXPECT_EQ(alert->numberOfButtons(), 1);
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "OK");
    alert->clickButtonAtIndex(0);
    env.runLoop().runFor(1.0);
    EXPECT_EQ(logCount("OK pressed"), 1u);
    EXPECT_FALSE(platform::UiTestEnvironment::visibleAlert(*interface->delegate()->window()));

    board().alertViewClickedButtonAtIndex(*alert, 1);
    EXPECT_EQ(logCount("Other button pressed"), 1u);
}

TEST_F(AboutTest, TerminationWritesNothing) {
    const auto before = std::filesystem::last_write_time(preferencesFile());
    interface->delegate()->applicationWillTerminate(*platform::services().application);
    platform::services().defaults->synchronize();
    EXPECT_EQ(std::filesystem::last_write_time(preferencesFile()), before);
}

}  // namespace
