#include "platform/ui/Application.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "platform/ui/Window.h"

namespace platform {
namespace {
// Never destroyed, so that windows torn down late in the process can still reach it.
std::shared_ptr<Application>& sharedApplication() {
    static auto* instance = new std::shared_ptr<Application>();
    return *instance;
}
}  // namespace

Application& Application::shared() {
    auto& application = sharedApplication();
    if (!application) application = std::make_shared<Application>();
    return *application;
}

void Application::setShared(std::shared_ptr<Application> application) {
    sharedApplication() = std::move(application);
}

void Application::setStatusBarStyle(StatusBarStyle style, bool animated) {
    statusBarStyle_ = style;
    statusBarAnimated_ = animated;
    if (keyWindow_) keyWindow_->setNeedsDisplayFlag(true);
}

void Application::setStatusBarHidden(bool hidden, bool animated) {
    statusBarHidden_ = hidden;
    statusBarAnimated_ = animated;
    if (keyWindow_) keyWindow_->setNeedsDisplayFlag(true);
}

bool Application::openURL(const Url& url) {
    if (!urlOpener_) {
        Log::print("Application: nothing can open %s", url.absoluteString().c_str());
        return false;
    }
    return urlOpener_(url.absoluteString());
}

}  // namespace platform
