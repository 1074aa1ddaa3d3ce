#include "platform/ui/StatusBar.h"

#include <algorithm>

#include "platform/ui/Application.h"
#include "platform/ui/Painter.h"

namespace platform {
namespace {

std::string clockText(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    char text[8] = {};
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

}  // namespace

StatusBar::StatusBar(WallClock wallClock) : wallClock_(std::move(wallClock)) {}

bool StatusBar::update(const Application& application, double now) {
    bool changed = false;
    const bool visible = !application.isStatusBarHidden();
    if (visible != visible_) {
        visible_ = visible;
        fadeStart_ = visible && application.statusBarAnimated()
                         ? now
                         : -std::numeric_limits<double>::infinity();
        changed = true;
    }
    const bool translucent = application.statusBarStyle() == StatusBarStyle::BlackTranslucent;
    changed = changed || (visible_ && translucent != translucent_);
    translucent_ = translucent;
    if (visible_) {
        std::string text = clockText(wallClock_());
        changed = changed || text != timeText_;
        timeText_ = std::move(text);
    }
    return changed;
}

bool StatusBar::isFading(double now) const { return visible_ && now < fadeStart_ + kFadeDuration; }

double StatusBar::secondsUntilNextMinute() const {
    const std::time_t time = wallClock_();
    std::tm local{};
    localtime_r(&time, &local);
    return 60 - std::min(local.tm_sec, 59);
}

void StatusBar::draw(Painter& painter, float width, double now) const {
    if (!visible_) return;
    const Rect bar(0, 0, width, kHeight);
    painter.save();
    painter.multiplyAlpha(
        static_cast<float>(std::clamp((now - fadeStart_) / kFadeDuration, 0.0, 1.0)));
    // The translucent style lets the content under the bar show through.
    painter.fillRect(bar, Color::white(0, translucent_ ? 0.5f : 1.0f));
    painter.drawText(timeText_, Font::boldSystemFont(12), Color::whiteColor(), bar,
                     TextAlignment::Center);
    painter.restore();
}

}  // namespace platform
