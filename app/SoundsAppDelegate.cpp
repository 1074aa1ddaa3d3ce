#include "app/SoundsAppDelegate.h"

#include "app/AboutViewController.h"
#include "app/RootViewController.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"

void SoundsAppDelegate::applicationDidFinishLaunching(platform::Application& application) {
    // The style is set before the bar shows, so only the showing is animated.
    application.setStatusBarStyle(platform::StatusBarStyle::BlackTranslucent, false);
    application.setStatusBarHidden(false, true);
    window_->addSubview(navigationController_->view());
    window_->makeKeyAndVisible();
}

void SoundsAppDelegate::applicationWillTerminate(platform::Application&) {}

void SoundsAppDelegate::about(platform::BarButtonItem&) {
    // The back button of a pushed screen shows the title of the screen beneath it.
    navigationController_->topViewController()->setTitle("back");
    auto titleView = std::make_shared<platform::ImageView>(platform::Image::named("Wicket.png"));
    aboutViewController_->navigationItem().setTitleView(std::move(titleView));
    navigationController_->pushViewController(aboutViewController_, true);
}
