#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <string>

namespace platform {

class Application;
class Painter;
class View;

// The strip at the top of the screen: 20 points of black with the time of day (HH:MM) centred
// in white, shown while the application does not hide it. Showing it with animation fades it
// in over kFadeDuration, as a view animation block on the main run loop's clock (so the fade
// counts among View::areAnimationsRunning()). The host asks update() once per pass of its loop
// and draws a frame when the bar changed or animations run.
class StatusBar {
public:
    using WallClock = std::function<std::time_t()>;
    static constexpr float kHeight = 20;
    static constexpr double kFadeDuration = 0.3;

    explicit StatusBar(WallClock wallClock = [] { return std::time(nullptr); });
    ~StatusBar();
    StatusBar(const StatusBar&) = delete;
    StatusBar& operator=(const StatusBar&) = delete;

    // Follows the application's status bar; returns whether the bar looks different from
    // before (shown, hidden, restyled, the minute changed, or its fade just ended).
    bool update(const Application& application);
    bool isVisible() const { return visible_; }
    bool isFading() const;
    // Wall-clock seconds until the time on the bar changes.
    double secondsUntilNextMinute() const;

    // Draws the bar across `width` points at the top of the painter's space.
    void draw(Painter& painter, float width) const;

private:
    WallClock wallClock_;
    bool visible_ = false;
    bool translucent_ = false;
    // Carries the bar's opacity through the animation blocks; never in a window.
    std::shared_ptr<View> fade_;
    std::shared_ptr<bool> fadeEnded_ = std::make_shared<bool>(false);
    std::string timeText_;
};

}  // namespace platform
