#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/ui/View.h"

namespace platform {

class Timer;

// A view whose content is taller than itself and scrolls vertically. The bounds origin is the
// content offset. A finger that moves beyond the tap slop drags the content (the main run loop
// is in tracking mode meanwhile), with a rubber band past either end; on lifting, content
// beyond an end bounces back and a fling keeps scrolling, slowing down. A finger on content
// that is moving by itself stops it. Motion steps on the main run loop in common modes, every
// kAnimationFrameInterval: eased scrolling and bouncing as an animation block that steps the
// offset, deceleration and auto-scrolling on a frame timer of their own.
//
// Subclasses that classify touches themselves (a tap, a drag, something else) drive the same
// drag through the protected tracking functions, and hear of every offset change through
// didScroll().
class ScrollView : public View {
public:
    static constexpr float kTapSlop = 10;  // points a tap may wander
    static constexpr double kScrollAnimationDuration = 0.3;

    explicit ScrollView(const Rect& frame = kRectZero);
    ~ScrollView() override;

    Point contentOffset() const { return bounds().origin; }
    // Within the scrollable range; animated: eases there over kScrollAnimationDuration, and
    // contentOffset() reports the way there.
    virtual void setContentOffset(Point offset, bool animated);
    virtual Size contentSize() { return contentSize_; }
    void setContentSize(Size size);
    bool isDragging() const { return tracking_ && tracking_->dragging; }
    bool isDecelerating() const { return motion_ == Motion::Decelerating; }

    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;

protected:
    // The content's height as known now, without asking anyone (contentSize() may ask).
    virtual float contentHeight() const { return contentSize_.height; }
    // After every change of the content offset.
    virtual void didScroll() {}
    // After each step of auto-scrolling; the default stops it.
    virtual void didAutoScroll();

    float maxOffsetY() const;
    float clampOffsetY(float y) const;
    // Moves the content at once, stopping nothing.
    void applyOffsetY(float y);
    // Whether the content moves by itself (eased, decelerating, bouncing or auto-scrolling).
    bool isMoving() const { return motion_ != Motion::None; }
    void stopMotion();

    // Follows a finger that came down; returns whether it stopped content that was
    // decelerating or bouncing (such a touch is no tap).
    bool beginTracking(const Touch& touch);
    // Records where the finger is, for the speed of a fling.
    void addTrackingSample(const Touch& touch);
    bool isBeyondTapSlop(const Touch& touch) const;
    // From here on the finger drags the content.
    void startDragging(const Touch& touch);
    void dragTo(const Touch& touch);
    // The finger lifted (or was cancelled): a drag ends with a bounce or a fling.
    void endTracking(bool cancelled);
    // Forgets the finger without a bounce or a fling.
    void stopTracking();
    // Scrolls at `speed` points per second until set to 0 (or until didAutoScroll stops it).
    void setAutoScrollSpeed(float speed);

private:
    enum class Motion { None, Animating, Decelerating, Bouncing, AutoScrolling };
    struct Tracking {
        Point startInWindow;
        float startOffsetY = 0;
        bool dragging = false;
        std::vector<std::pair<double, float>> samples;  // (time, finger y)
    };

    void animateOffsetTo(float y, Motion motion);
    void startMotion(Motion motion);
    void scheduleStep();
    void step();
    void finishBounceOrFling(float velocity);
    float dragOffsetFor(float fingerY) const;
    // The content's speed, points per second, from the finger's last moves.
    float flingVelocity() const;

    Size contentSize_;
    std::optional<Tracking> tracking_;
    Motion motion_ = Motion::None;
    std::shared_ptr<Timer> stepTimer_;
    double lastStep_ = 0;
    std::shared_ptr<SteppedAnimation> easedScroll_;  // while Animating or Bouncing
    float velocity_ = 0;  // points per second of content offset, while decelerating
};

}  // namespace platform
