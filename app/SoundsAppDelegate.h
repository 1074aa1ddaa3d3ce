#pragma once

#include "platform/ui/Application.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Window.h"

#include <memory>

class AboutViewController;
class RootViewController;

// The application's delegate: shows the navigation stack with the board at its root, and
// pushes the About screen on request. The interface description creates and connects the
// four objects it holds.
class SoundsAppDelegate final : public platform::ApplicationDelegate {
public:
    void applicationDidFinishLaunching(platform::Application& application) override;
    // Nothing is saved here: the board stores its configuration when its view disappears.
    void applicationWillTerminate(platform::Application& application) override;

    // Opens the About screen.
    void about(platform::BarButtonItem& sender);

    const std::shared_ptr<platform::Window>& window() const { return window_; }
    void setWindow(std::shared_ptr<platform::Window> window) { window_ = std::move(window); }
    const std::shared_ptr<platform::NavigationController>& navigationController() const {
        return navigationController_;
    }
    void setNavigationController(std::shared_ptr<platform::NavigationController> controller) {
        navigationController_ = std::move(controller);
    }
    const std::shared_ptr<RootViewController>& rootViewController() const {
        return rootViewController_;
    }
    void setRootViewController(std::shared_ptr<RootViewController> controller) {
        rootViewController_ = std::move(controller);
    }
    const std::shared_ptr<AboutViewController>& aboutViewController() const {
        return aboutViewController_;
    }
    void setAboutViewController(std::shared_ptr<AboutViewController> controller) {
        aboutViewController_ = std::move(controller);
    }

private:
    std::shared_ptr<platform::Window> window_;
    std::shared_ptr<platform::NavigationController> navigationController_;
    std::shared_ptr<RootViewController> rootViewController_;
    std::shared_ptr<AboutViewController> aboutViewController_;
};
