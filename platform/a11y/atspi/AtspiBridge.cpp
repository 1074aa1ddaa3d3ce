#include "platform/a11y/atspi/AtspiBridge.h"

#include <systemd/sd-bus.h>

#include <cstring>

#include "platform/a11y/AccessibleTreeBuilder.h"
#include "platform/a11y/atspi/AtspiWorker.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Window.h"

namespace platform::a11y {

// What the main thread keeps: the describer, and whether anyone listens.
struct AtspiBridge::MainSide {
    AccessibleTreeBuilder builder;
    bool enabled = false;
    // The window to describe once a reader comes, so it need not wait for the next change.
    std::weak_ptr<View> window;
};

std::unique_ptr<AtspiBridge> AtspiBridge::start(RunLoop& runLoop, std::string appName) {
    sd_bus* session = nullptr;
    const int opened = sd_bus_open_user(&session);
    if (opened < 0) {
        Log::print("Accessibility: no session bus (%s); screen readers cannot see the board",
                   std::strerror(-opened));
        return nullptr;
    }
    std::unique_ptr<AtspiBridge> bridge(new AtspiBridge(runLoop, std::move(appName)));
    const std::weak_ptr<MainSide> main = bridge->main_;
    RunLoop* loop = &runLoop;  // outlives the bridge
    // Each request runs on the main thread through the run loop; one that arrives after the
    // bridge has gone does nothing.
    const auto onMain = [main, loop](std::function<void(MainSide&)> task) {
        loop->post([main, task = std::move(task)] {
            if (const auto strong = main.lock()) task(*strong);
        });
    };
    AtspiWorker::Callbacks callbacks;
    callbacks.enabledChanged = [onMain](bool on) {
        onMain([on](MainSide& side) {
            side.enabled = on;
            // Drawn again, and so described, at the next pass.
            if (const auto window = std::dynamic_pointer_cast<Window>(side.window.lock()))
                window->setNeedsDisplayFlag(true);
        });
    };
    callbacks.requests.doAction = [onMain](uint64_t id, int action) {
        onMain([id, action](MainSide& side) { side.builder.doAction(id, action); });
    };
    callbacks.requests.setValue = [onMain](uint64_t id, double value) {
        onMain([id, value](MainSide& side) { side.builder.setCurrentValue(id, value); });
    };
    callbacks.requests.grabFocus = [onMain](uint64_t id) {
        onMain([id](MainSide& side) { side.builder.grabFocus(id); });
    };
    bridge->worker_ =
        std::make_unique<AtspiWorker>(session, bridge->appName_, std::move(callbacks));
    return bridge;
}

AtspiBridge::AtspiBridge(RunLoop&, std::string appName)
    : appName_(std::move(appName)), main_(std::make_shared<MainSide>()) {}

AtspiBridge::~AtspiBridge() {
    // The thread first: it may still call back until it has stopped.
    worker_.reset();
}

void AtspiBridge::windowChanged(Window& window, bool active, bool statusBarShown,
                                ScreenMapping screen) {
    if (!main_->enabled) {
        main_->window = window.shared_from_this();
        return;
    }
    worker_->publish(main_->builder.build(window, appName_, active, statusBarShown, screen));
}

}  // namespace platform::a11y
