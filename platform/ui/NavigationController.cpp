#include "platform/ui/NavigationController.h"

#include <algorithm>

#include "platform/foundation/Log.h"

namespace platform {

// The navigation controller's own view: it tells the controller when it enters or leaves a
// window, which is when the top screen appears or disappears.
class NavigationController::ContainerView final : public View {
public:
    ContainerView(const Rect& frame, NavigationController* owner) : View(frame), owner_(owner) {}
    void detach() { owner_ = nullptr; }

protected:
    void didMoveToWindow() override {
        if (owner_) owner_->windowChanged(window() != nullptr);
    }

private:
    NavigationController* owner_;  // non-owning; cleared when the controller goes
};

NavigationController::NavigationController(std::shared_ptr<ViewController> root) {
    if (!root) {
        Log::print("NavigationController: no root controller");
        return;
    }
    root->navigationController_ = this;
    controllers_.push_back(std::move(root));
}

NavigationController::~NavigationController() {
    if (auto* container = dynamic_cast<ContainerView*>(view_.get())) container->detach();
    for (const auto& controller : controllers_) controller->navigationController_ = nullptr;
    if (transition_ && transition_->from) transition_->from->navigationController_ = nullptr;
}

std::shared_ptr<ViewController> NavigationController::topViewController() const {
    return controllers_.empty() ? nullptr : controllers_.back();
}

std::shared_ptr<NavigationBar> NavigationController::navigationBar() {
    view();
    return bar_;
}

void NavigationController::loadView() {
    const float width = kDefaultViewWidth;
    auto container = std::make_shared<ContainerView>(
        Rect(0, kStatusBarHeight, width, kDefaultViewHeight + NavigationBar::kHeight), this);
    // Follows the window's size: the bar keeps its height, the content takes the rest.
    container->setAutoresizingMask(kAutoresizingFlexibleWidth | kAutoresizingFlexibleHeight);
    bar_ = std::make_shared<NavigationBar>(Rect(0, 0, width, NavigationBar::kHeight));
    bar_->setAutoresizingMask(kAutoresizingFlexibleWidth);
    content_ = std::make_shared<View>(Rect(0, NavigationBar::kHeight, width, kDefaultViewHeight));
    content_->setAutoresizingMask(kAutoresizingFlexibleWidth | kAutoresizingFlexibleHeight);
    content_->setClipsToBounds(true);
    container->addSubview(content_);
    container->addSubview(bar_);  // over the content, whose views slide beneath it

    std::vector<std::shared_ptr<NavigationItem>> items;
    for (const auto& controller : controllers_) items.push_back(controller->navigationItem_);
    bar_->setItems(std::move(items));
    std::weak_ptr<ViewController> weak = weak_from_this();
    bar_->setBackAction([weak] {
        if (auto self = weak.lock())
            static_cast<NavigationController&>(*self).popViewControllerAnimated(true);
    });
    setView(std::move(container));
    showTopView();
}

void NavigationController::showTopView() {
    const auto top = topViewController();
    if (!top) return;
    const auto topView = top->view();
    topView->setFrame(content_->bounds());
    content_->addSubview(topView);
}

void NavigationController::windowChanged(bool inWindow) {
    if (inWindow == inWindow_) return;
    inWindow_ = inWindow;
    const auto top = topViewController();
    if (!top || transition_) return;
    if (inWindow) {
        top->viewWillAppear(false);
        top->viewDidAppear(false);
    } else {
        top->viewWillDisappear(false);
        top->viewDidDisappear(false);
    }
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> controller,
                                              bool animated) {
    if (!controller) {
        Log::print("NavigationController: nothing to push");
        return;
    }
    if (std::find(controllers_.begin(), controllers_.end(), controller) != controllers_.end()) {
        Log::print("NavigationController: push ignored, the controller is already on the stack");
        return;
    }
    if (transition_) {
        // Carried out when the slide ends; one push waits at most.
        if (pendingPush_) {
            Log::print("NavigationController: push ignored, another one waits for the slide");
            return;
        }
        pendingPush_ = PendingPush{std::move(controller), animated};
        return;
    }
    const auto from = topViewController();
    controller->navigationController_ = this;
    controllers_.push_back(controller);
    if (!isViewLoaded()) return;  // the view shows the new top when it loads
    bar_->pushNavigationItem(controller->navigationItem_);
    startTransition(from, controller, true, animated);
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool animated) {
    if (transition_) {
        Log::print("NavigationController: pop ignored while a transition runs");
        return nullptr;
    }
    if (controllers_.size() < 2) return nullptr;
    auto popped = controllers_.back();
    controllers_.pop_back();
    if (!isViewLoaded()) {
        popped->navigationController_ = nullptr;
        return popped;
    }
    bar_->popNavigationItem();
    startTransition(popped, topViewController(), false, animated);
    return popped;
}

void NavigationController::startTransition(std::shared_ptr<ViewController> from,
                                           std::shared_ptr<ViewController> to, bool push,
                                           bool animated) {
    const auto toView = to->view();  // loads it, when needed, before anything appears
    const auto fromView = from->view();
    transition_ = std::make_unique<Transition>(Transition{from, to, animated, push});
    if (inWindow_) {
        from->viewWillDisappear(animated);
        to->viewWillAppear(animated);
    }

    const Rect frame = content_->bounds();
    const float shift = push ? frame.width() : -frame.width();
    if (push)
        content_->addSubview(toView);
    else
        content_->insertSubview(toView, 0);
    if (!animated) {
        toView->setFrame(frame);
        finishTransition();
        return;
    }
    // The new view comes in from the side the old one leaves by the other.
    toView->setFrame(frame.offsetBy(shift, 0));
    View::beginAnimations(push ? "pushViewController" : "popViewController");
    View::setAnimationDuration(kTransitionDuration);
    toView->setFrame(frame);
    fromView->setFrame(frame.offsetBy(-shift, 0));
    std::weak_ptr<ViewController> weak = weak_from_this();
    View::setAnimationCompletion([weak] {
        if (auto self = weak.lock()) static_cast<NavigationController&>(*self).finishTransition();
    });
    View::commitAnimations();
}

void NavigationController::finishTransition() {
    // Cleared first: the callbacks below may push or pop again.
    const auto transition = std::move(transition_);
    const auto fromView = transition->from->view();
    fromView->removeFromSuperview();
    fromView->setFrame(content_->bounds());
    if (!transition->push) transition->from->navigationController_ = nullptr;
    if (inWindow_) {
        transition->from->viewDidDisappear(transition->animated);
        transition->to->viewDidAppear(transition->animated);
    }
    if (!transition_ && pendingPush_) {
        auto pending = std::move(*pendingPush_);
        pendingPush_.reset();
        pushViewController(std::move(pending.controller), pending.animated);
    }
}

}  // namespace platform
