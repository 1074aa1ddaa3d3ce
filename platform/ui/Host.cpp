#include "platform/ui/Host.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Accelerometer.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Application.h"
#include "platform/ui/ImageCache.h"
#include "platform/ui/Painter.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform {
namespace {

// Waits longer than a day are cut to a day: hosts take milliseconds as an int.
constexpr double kLongestWait = 24 * 60 * 60;

Window* keyWindow() { return services().application->keyWindow(); }

}  // namespace

Services Host::withInterfaceDefaults(Services record) {
    if (!record.application) record.application = std::make_shared<Application>();
    if (!record.accelerometer) record.accelerometer = std::make_shared<Accelerometer>();
    if (!record.images) record.images = std::make_shared<ImageCache>();
    if (!record.animations) record.animations = std::make_shared<AnimationContext>();
    return record;
}

Host::~Host() {
    if (!interface_) return;
    interface_.reset();
    if (hasServices())
        services().application->setDelegate(nullptr);  // it belonged to the interface
}

void Host::launch(const LoadInterface& loadInterface) {
    interface_ = loadInterface ? loadInterface() : nullptr;
    Application& application = *services().application;
    if (auto* delegate = application.delegate())
        delegate->applicationDidFinishLaunching(application);
}

void Host::pressKey(const KeyPress& press) {
    if (press.key == keyFor('q') && (press.modifiers & kKeyModifierControl) && !press.repeat) {
        quit();
        return;
    }
    if (!press.repeat && pressBegins_) pressBegins_();
    if (Window* window = keyWindow()) window->sendKey(press);
}

void Host::touch(TouchPhase phase, Point location) {
    if (phase == TouchPhase::Began && pressBegins_) pressBegins_();
    if (Window* window = keyWindow()) window->sendTouch(phase, location, services().runLoop->now());
}

WindowLayout Host::resize(float width, float height) {
    const auto layout = WindowLayout::forPixels(width, height);
    if (Window* window = keyWindow())
        window->setFrame({0, 0, layout.points.width, layout.points.height});
    exposed_ = true;
    return layout;
}

bool Host::frameNeeded() {
    const Window* window = keyWindow();
    const bool barChanged = statusBar_.update(*services().application);
    // The bar's fade is one of the animations.
    animating_ = View::areAnimationsRunning();
    return exposed_ || barChanged || animating_ || (window && window->needsDisplay());
}

void Host::drawFrame(Painter& painter) {
    Window* window = keyWindow();
    if (window) {
        painter.save();
        window->renderTree(painter);
        painter.restore();
    }
    // The bar lies over the content, in the screen's own coordinates.
    statusBar_.draw(painter, WindowLayout::kScreen.width);
    if (window) window->setNeedsDisplayFlag(false);
    exposed_ = false;
}

int Host::waitTimeoutMs() const {
    const RunLoop& runLoop = *services().runLoop;
    const auto barChangesIn =
        statusBar_.isVisible() ? std::optional(statusBar_.secondsUntilNextMinute()) : std::nullopt;
    return waitTimeoutMs(runLoop.nextFireTime(), runLoop.now(), animating_, barChangesIn);
}

int Host::waitTimeoutMs(std::optional<double> nextFireTime, double now, bool animating,
                        std::optional<double> statusBarChangesIn) {
    double wait = std::numeric_limits<double>::infinity();
    if (nextFireTime) wait = std::min(wait, *nextFireTime - now);
    if (animating) wait = std::min(wait, kAnimationFrameInterval);
    if (statusBarChangesIn) wait = std::min(wait, *statusBarChangesIn);
    if (std::isinf(wait)) return -1;
    // Rounded up: waking a little early would find the timer not yet due and spin.
    return static_cast<int>(std::ceil(std::clamp(wait, 0.0, kLongestWait) * 1000));
}

void Host::end() {
    Application& application = *services().application;
    if (auto* delegate = application.delegate()) delegate->applicationWillTerminate(application);
    if (auto& defaults = services().defaults) defaults->synchronize();
    interface_.reset();
    application.setDelegate(nullptr);  // it belonged to the interface
}

}  // namespace platform
