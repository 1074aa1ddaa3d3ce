#include "platform/ui/Application.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "platform/ui/Window.h"

namespace platform {
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
