#include "platform/ui/ScrollView.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/ui/Animation.h"

namespace platform {
namespace {
constexpr float kRubberBand = 0.5f;      // share of the finger's travel past an end
constexpr float kMinFlingVelocity = 50;  // points per second
constexpr float kMinDecelerationVelocity = 10;
constexpr double kDecelerationPerMillisecond = 0.998;
constexpr double kVelocityWindow = 0.1;  // seconds of finger movement that make a fling

double now() { return services().runLoop->now(); }
}  // namespace

ScrollView::ScrollView(const Rect& frame) : View(frame) {}

ScrollView::~ScrollView() {
    if (stepTimer_) stepTimer_->invalidate();
    if (isDragging()) services().runLoop->setMode(kDefaultRunLoopMode);
}

void ScrollView::setContentSize(Size size) {
    contentSize_ = size;
    setNeedsLayout();
}

float ScrollView::maxOffsetY() const { return std::max(contentHeight() - bounds().height(), 0.0f); }

float ScrollView::clampOffsetY(float y) const { return std::clamp(y, 0.0f, maxOffsetY()); }

void ScrollView::setContentOffset(Point offset, bool animated) {
    const float y = clampOffsetY(offset.y);
    if (!animated || y == contentOffset().y) {
        stopMotion();
        applyOffsetY(y);
        return;
    }
    animateOffsetTo(y, Motion::Animating);
}

void ScrollView::applyOffsetY(float y) {
    setBoundsOrigin({0, y});
    didScroll();
}

// ---- Motion ----

void ScrollView::animateOffsetTo(float y, Motion motion) {
    stopMotion();
    motion_ = motion;
    const float from = contentOffset().y;
    View::beginAnimations(motion == Motion::Bouncing ? "bounce" : "scroll");
    View::setAnimationDuration(kScrollAnimationDuration);
    // The handle dies with this view, and with it the steps.
    easedScroll_ = View::animateInSteps([this, from, y](double eased, bool finished) {
        const float offset = from + (y - from) * static_cast<float>(eased);
        if (finished) {
            motion_ = Motion::None;
            easedScroll_.reset();
        }
        // A bounce starts outside the range; everything else (and its end) stays in it.
        applyOffsetY(motion_ == Motion::Bouncing ? offset : clampOffsetY(offset));
    });
    View::commitAnimations();
}

void ScrollView::startMotion(Motion motion) {
    easedScroll_.reset();
    motion_ = motion;
    lastStep_ = now();
    if (!stepTimer_ || !stepTimer_->isValid()) scheduleStep();
}

void ScrollView::stopMotion() {
    motion_ = Motion::None;
    velocity_ = 0;
    easedScroll_.reset();
    if (stepTimer_) stepTimer_->invalidate();
    stepTimer_.reset();
}

void ScrollView::scheduleStep() {
    // The timer is invalidated when the view goes, so it may call back on `this`.
    stepTimer_ = services().runLoop->performAfterDelay(
        kAnimationFrameInterval, [this] { step(); }, {}, kCommonRunLoopModes);
}

void ScrollView::step() {
    const double time = now();
    const double elapsed = time - lastStep_;
    lastStep_ = time;
    switch (motion_) {
        case Motion::Decelerating: {
            const float y = contentOffset().y + velocity_ * static_cast<float>(elapsed);
            velocity_ *= static_cast<float>(std::pow(kDecelerationPerMillisecond, elapsed * 1000));
            const float clamped = clampOffsetY(y);
            if (clamped != y || std::abs(velocity_) < kMinDecelerationVelocity) stopMotion();
            applyOffsetY(clamped);
            break;
        }
        case Motion::AutoScrolling:
            applyOffsetY(clampOffsetY(contentOffset().y + velocity_ * static_cast<float>(elapsed)));
            didAutoScroll();  // may stop the motion
            break;
        case Motion::None:
        case Motion::Animating:  // stepped by their animation block
        case Motion::Bouncing:
            break;
    }
    if (motion_ != Motion::None)
        scheduleStep();
    else
        stepTimer_.reset();
}

void ScrollView::didAutoScroll() { stopMotion(); }

void ScrollView::setAutoScrollSpeed(float speed) {
    if (speed != 0) {
        if (motion_ != Motion::AutoScrolling) startMotion(Motion::AutoScrolling);
        velocity_ = speed;
    } else if (motion_ == Motion::AutoScrolling) {
        stopMotion();
    }
}

void ScrollView::finishBounceOrFling(float velocity) {
    const float y = contentOffset().y;
    const float clamped = clampOffsetY(y);
    if (clamped != y) {
        animateOffsetTo(clamped, Motion::Bouncing);
    } else if (std::abs(velocity) >= kMinFlingVelocity) {
        startMotion(Motion::Decelerating);
        velocity_ = velocity;
    }
}

// ---- Tracking a finger ----

bool ScrollView::beginTracking(const Touch& touch) {
    tracking_ = Tracking{touch.locationInWindow, contentOffset().y, false, {}};
    tracking_->samples.emplace_back(now(), touch.locationInWindow.y);
    if (motion_ != Motion::Decelerating && motion_ != Motion::Bouncing) return false;
    stopMotion();
    applyOffsetY(clampOffsetY(contentOffset().y));
    return true;
}

void ScrollView::addTrackingSample(const Touch& touch) {
    if (!tracking_) return;
    const double time = now();
    auto& samples = tracking_->samples;
    samples.emplace_back(time, touch.locationInWindow.y);
    std::erase_if(samples,
                  [time](const auto& sample) { return sample.first < time - kVelocityWindow; });
}

bool ScrollView::isBeyondTapSlop(const Touch& touch) const {
    if (!tracking_) return false;
    const float dx = touch.locationInWindow.x - tracking_->startInWindow.x;
    const float dy = touch.locationInWindow.y - tracking_->startInWindow.y;
    return std::hypot(dx, dy) > kTapSlop;
}

void ScrollView::startDragging(const Touch& touch) {
    if (!tracking_) return;
    tracking_->dragging = true;
    tracking_->startInWindow = touch.locationInWindow;
    tracking_->startOffsetY = contentOffset().y;
    stopMotion();
    services().runLoop->setMode(kTrackingRunLoopMode);
}

void ScrollView::dragTo(const Touch& touch) {
    if (isDragging()) applyOffsetY(dragOffsetFor(touch.locationInWindow.y));
}

void ScrollView::endTracking(bool cancelled) {
    if (!tracking_) return;
    const bool dragging = tracking_->dragging;
    const float velocity = cancelled ? 0 : flingVelocity();
    tracking_.reset();
    if (!dragging) return;
    services().runLoop->setMode(kDefaultRunLoopMode);
    finishBounceOrFling(velocity);
}

void ScrollView::stopTracking() {
    if (isDragging()) services().runLoop->setMode(kDefaultRunLoopMode);
    tracking_.reset();
}

float ScrollView::dragOffsetFor(float fingerY) const {
    const float raw = tracking_->startOffsetY - (fingerY - tracking_->startInWindow.y);
    const float max = maxOffsetY();
    if (raw < 0) return raw * kRubberBand;
    if (raw > max) return max + (raw - max) * kRubberBand;
    return raw;
}

float ScrollView::flingVelocity() const {
    const auto& samples = tracking_->samples;
    if (samples.size() < 2) return 0;
    const double elapsed = samples.back().first - samples.front().first;
    if (elapsed <= 0) return 0;
    // The content moves against the finger.
    return -static_cast<float>((samples.back().second - samples.front().second) / elapsed);
}

// ---- Touches of a plain scroll view: a drag scrolls ----

void ScrollView::touchesBegan(const TouchSet& touches, const Event&) {
    beginTracking(touches.anyObject());
}

void ScrollView::touchesMoved(const TouchSet& touches, const Event&) {
    if (!tracking_) return;
    const Touch& touch = touches.anyObject();
    addTrackingSample(touch);
    if (isDragging())
        dragTo(touch);
    else if (isBeyondTapSlop(touch))
        startDragging(touch);
}

void ScrollView::touchesEnded(const TouchSet& touches, const Event&) {
    addTrackingSample(touches.anyObject());
    endTracking(false);
}

void ScrollView::touchesCancelled(const TouchSet&, const Event&) { endTracking(true); }

}  // namespace platform
