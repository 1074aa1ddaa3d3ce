#include "platform/ui/Window.h"

#include "platform/ui/Application.h"
#include "platform/foundation/Services.h"

namespace platform {

Window::Window(const Rect& frame) : View(frame) {}

Window::~Window() {
    // Only the key window is known to the application.
    if (!key_ || !hasServices() || !services().application) return;
    auto& application = *services().application;
    if (application.keyWindow() == this) application.setKeyWindow(nullptr);
}

void Window::makeKeyAndVisible() {
    auto& application = *services().application;
    if (Window* previous = application.keyWindow(); previous && previous != this)
        previous->key_ = false;
    key_ = true;
    application.setKeyWindow(this);
    setHidden(false);
    needsDisplay_ = true;
}

void Window::sendTouch(TouchPhase phase, Point location, double timestamp) {
    if (phase == TouchPhase::Began) {
        if (!touchedView_.expired())
            sendTouch(TouchPhase::Cancelled, touch_.locationInWindow, timestamp);
        View* hit = hitTest(convertPointFrom(location, nullptr));
        touchedView_ = hit ? hit->weak_from_this() : std::weak_ptr<View>();
        touch_ = Touch{location, location, phase, timestamp, 1};
    } else {
        touch_.previousLocationInWindow = touch_.locationInWindow;
        touch_.locationInWindow = location;
        touch_.phase = phase;
        touch_.timestamp = timestamp;
    }
    // Held for the call: the handler may remove the view from the tree.
    const auto view = touchedView_.lock();
    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) touchedView_.reset();
    if (!view) return;

    const TouchSet touches{{touch_}};
    const Event event{timestamp};
    switch (phase) {
        case TouchPhase::Began:
            view->touchesBegan(touches, event);
            break;
        case TouchPhase::Moved:
            view->touchesMoved(touches, event);
            break;
        case TouchPhase::Ended:
            view->touchesEnded(touches, event);
            break;
        case TouchPhase::Cancelled:
            view->touchesCancelled(touches, event);
            break;
    }
}

void Window::renderTree(Painter& painter) {
    layoutIfNeeded();
    render(painter);
}

}  // namespace platform
