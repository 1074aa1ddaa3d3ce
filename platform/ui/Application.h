#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {

class Application;
class Url;
class Window;

class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationDidFinishLaunching(Application& application) = 0;
    virtual void applicationWillTerminate(Application& application) = 0;
};

enum class StatusBarStyle { Default = 0, BlackOpaque = 2, BlackTranslucent = 1 };

// The running application: its delegate, its key window, the status bar, and URLs handed to
// the desktop. One per process, held by the installed services (Services::application).
class Application {
public:
    using UrlOpener = std::function<bool(const std::string& url)>;

    // Non-owning: the interface description owns the delegate.
    void setDelegate(ApplicationDelegate* delegate) { delegate_ = delegate; }
    ApplicationDelegate* delegate() const { return delegate_; }

    void setKeyWindow(Window* window) { keyWindow_ = window; }
    Window* keyWindow() const { return keyWindow_; }

    void setStatusBarStyle(StatusBarStyle style, bool animated);
    StatusBarStyle statusBarStyle() const { return statusBarStyle_; }
    void setStatusBarHidden(bool hidden, bool animated);
    bool isStatusBarHidden() const { return statusBarHidden_; }
    // Whether the last status bar change asked for animation (the host fades the bar in).
    bool statusBarAnimated() const { return statusBarAnimated_; }

    // Opens a web address outside the application; the host installs the opener.
    bool openURL(const Url& url);
    void setUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }

private:
    ApplicationDelegate* delegate_ = nullptr;
    Window* keyWindow_ = nullptr;
    StatusBarStyle statusBarStyle_ = StatusBarStyle::Default;
    bool statusBarHidden_ = true;
    bool statusBarAnimated_ = false;
    UrlOpener urlOpener_;
};

}  // namespace platform
