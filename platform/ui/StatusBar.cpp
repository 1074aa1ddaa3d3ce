#include "platform/ui/StatusBar.h"

#include <algorithm>
#include <utility>

#include "platform/ui/Application.h"
#include "platform/ui/Painter.h"
#include "platform/ui/View.h"

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

StatusBar::StatusBar(WallClock wallClock)
    : wallClock_(std::move(wallClock)), fade_(std::make_shared<View>()) {}

StatusBar::~StatusBar() = default;

bool StatusBar::update(const Application& application) {
    bool changed = std::exchange(*fadeEnded_, false);
    const bool visible = !application.isStatusBarHidden();
    if (visible != visible_) {
        visible_ = visible;
        fade_->setAlpha(0);
        if (visible && application.statusBarAnimated()) {
            View::beginAnimations("statusBarFade");
            View::setAnimationDuration(kFadeDuration);
            fade_->setAlpha(1);
            // The last frame of the fade is drawn once it is over.
            View::setAnimationCompletion([ended = fadeEnded_] { *ended = true; });
            View::commitAnimations();
        } else {
            fade_->setAlpha(1);
        }
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

bool StatusBar::isFading() const { return visible_ && fade_->isAnimating(); }

double StatusBar::secondsUntilNextMinute() const {
    const std::time_t time = wallClock_();
    std::tm local{};
    localtime_r(&time, &local);
    return 60 - std::min(local.tm_sec, 59);
}

void StatusBar::draw(Painter& painter, float width) const {
    if (!visible_) return;
    const Rect bar(0, 0, width, kHeight);
    painter.save();
    painter.multiplyAlpha(fade_->presentationAlpha());
    // The translucent style lets the content under the bar show through.
    painter.fillRect(bar, Color::white(0, translucent_ ? 0.5f : 1.0f));
    painter.drawText(timeText_, Font::boldSystemFont(12), Color::whiteColor(), bar,
                     TextAlignment::Center);
    painter.restore();
}

}  // namespace platform
