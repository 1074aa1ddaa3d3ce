#pragma once

#include <ctime>
#include <functional>
#include <limits>
#include <string>

namespace platform {

class Application;
class Painter;

// The strip at the top of the screen: 20 points of black with the time of day (HH:MM) centred
// in white, shown while the application does not hide it. Showing it with animation fades it
// in over 0.3 s. The host asks update() once per pass of its loop and draws a frame when the
// bar changed or is fading.
class StatusBar {
public:
    using WallClock = std::function<std::time_t()>;
    static constexpr float kHeight = 20;
    static constexpr double kFadeDuration = 0.3;

    explicit StatusBar(WallClock wallClock = [] { return std::time(nullptr); });

    // Follows the application's status bar at run-loop time `now`; returns whether the bar
    // looks different from before (shown, hidden, restyled, or the minute changed).
    bool update(const Application& application, double now);
    bool isVisible() const { return visible_; }
    bool isFading(double now) const;
    // Wall-clock seconds until the time on the bar changes.
    double secondsUntilNextMinute() const;
    const std::string& timeText() const { return timeText_; }

    // Draws the bar across `width` points at the top of the painter's space.
    void draw(Painter& painter, float width, double now) const;

private:
    WallClock wallClock_;
    bool visible_ = false;
    bool translucent_ = false;
    double fadeStart_ = -std::numeric_limits<double>::infinity();
    std::string timeText_;
};

}  // namespace platform
