#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/NavigationBar.h"
#include "platform/ui/ViewController.h"

namespace platform {

// A stack of screens under a navigation bar. It owns the controllers on its stack; a popped
// controller lives on only if someone else holds it. Its view sits under the 20-point status
// bar: the bar on top, the top controller's view below it.
//
// Lifecycle: when the view enters a window the top controller appears (viewWillAppear, then
// viewDidAppear, not animated). A push loads the new controller's view, then sends
// viewWillDisappear to the old top and viewWillAppear to the new one, slides the new view in
// from the right over kTransitionDuration and, when the slide is over, sends viewDidDisappear
// and viewDidAppear. A pop does the reverse. Without animation all four calls happen at once.
// A push asked for while a slide runs is carried out when the slide ends (one waits at most);
// a pop asked for then is refused with a log line. Appearance calls are made only while the
// view is in a window.
class NavigationController : public ViewController {
public:
    static constexpr double kTransitionDuration = 0.35;
    static constexpr float kStatusBarHeight = 20;

    explicit NavigationController(std::shared_ptr<ViewController> root);
    ~NavigationController() override;

    void pushViewController(std::shared_ptr<ViewController> controller, bool animated);
    // Returns the popped controller; nullptr when only the root is left or a slide runs.
    std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);
    std::shared_ptr<ViewController> topViewController() const;
    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const {
        return controllers_;
    }
    // Loads the view when needed.
    std::shared_ptr<NavigationBar> navigationBar();
    bool isTransitioning() const { return transition_ != nullptr; }

    void loadView() override;

private:
    struct Transition {
        std::shared_ptr<ViewController> from;
        std::shared_ptr<ViewController> to;
        bool animated = false;
        bool push = true;
    };
    class ContainerView;

    void windowChanged(bool inWindow);
    void showTopView();
    void startTransition(std::shared_ptr<ViewController> from, std::shared_ptr<ViewController> to,
                         bool push, bool animated);
    void finishTransition();

    std::vector<std::shared_ptr<ViewController>> controllers_;
    std::shared_ptr<NavigationBar> bar_;
    std::shared_ptr<View> content_;  // holds the top controller's view
    bool inWindow_ = false;
    struct PendingPush {
        std::shared_ptr<ViewController> controller;
        bool animated = false;
    };

    std::unique_ptr<Transition> transition_;
    std::optional<PendingPush> pendingPush_;
};

}  // namespace platform
