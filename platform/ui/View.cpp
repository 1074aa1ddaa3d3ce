#include "platform/ui/View.h"

#include "platform/foundation/Log.h"
#include "platform/ui/Animation.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Painter.h"
#include "platform/ui/Window.h"
#include "platform/foundation/Services.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {
double now() { return services().runLoop->now(); }
}  // namespace

bool View::isRunning(const std::shared_ptr<PropertyAnimation>& animation) {
    return animation && animation->isRunning(now());
}

View::View(const Rect& frame) : frame_(frame) {}

View::~View() {
    for (auto& subview : subviews_) subview->superview_ = nullptr;
}

// ---- Geometry and appearance ----

void View::setFrame(const Rect& frame) {
    if (frame == frame_ && !isRunning(frameAnimation_)) return;
    const Rect old = frame_;
    frame_ = frame;
    const float from[] = {old.x(), old.y(), old.width(), old.height()};
    const float to[] = {frame.x(), frame.y(), frame.width(), frame.height()};
    animateProperty(frameAnimation_, from, to, 4);
    if (old.size != frame.size) {
        resizeSubviews(old.size);
        setNeedsLayout();
    }
    setNeedsDisplay();
}

void View::setBoundsOrigin(Point origin) {
    if (origin == bounds_.origin) return;
    bounds_.origin = origin;
    setNeedsDisplay();
}

void View::setAlpha(float alpha) {
    alpha = std::isnan(alpha) ? 0.0f : std::clamp(alpha, 0.0f, 1.0f);
    if (alpha == alpha_ && !isRunning(alphaAnimation_)) return;
    const float from[] = {alpha_};
    const float to[] = {alpha};
    alpha_ = alpha;
    animateProperty(alphaAnimation_, from, to, 1);
    setNeedsDisplay();
}

void View::setHidden(bool hidden) {
    if (hidden == hidden_) return;
    hidden_ = hidden;
    setNeedsDisplay();
}

void View::setBackgroundColor(Color color) {
    if (color == backgroundColor_) return;
    backgroundColor_ = color;
    setNeedsDisplay();
}

void View::setContentMode(ContentMode mode) {
    if (mode == contentMode_) return;
    contentMode_ = mode;
    setNeedsDisplay();
}

void View::setClipsToBounds(bool clips) {
    if (clips == clipsToBounds_) return;
    clipsToBounds_ = clips;
    setNeedsDisplay();
}

void View::setCornerRadius(float radius) {
    if (radius == cornerRadius_) return;
    cornerRadius_ = radius;
    setNeedsDisplay();
}

// Springs and struts: the flexible parts of each axis share the change of the parent's size in
// proportion to their current lengths (equally when those are all zero).
namespace {
struct AxisResult {
    float origin;
    float length;
};

AxisResult resizeAxis(float origin, float length, float oldParent, float newParent,
                      bool flexibleLead, bool flexibleLength, bool flexibleTrail) {
    const float delta = newParent - oldParent;
    const float lead = origin;
    const float trail = oldParent - origin - length;
    float shares[3] = {flexibleLead ? std::max(lead, 0.0f) : 0.0f,
                       flexibleLength ? std::max(length, 0.0f) : 0.0f,
                       flexibleTrail ? std::max(trail, 0.0f) : 0.0f};
    const bool flexible[3] = {flexibleLead, flexibleLength, flexibleTrail};
    float total = shares[0] + shares[1] + shares[2];
    if (total <= 0) {
        for (int i = 0; i < 3; ++i) shares[i] = flexible[i] ? 1.0f : 0.0f;
        total = shares[0] + shares[1] + shares[2];
    }
    if (total <= 0) return {origin, length};
    return {origin + delta * shares[0] / total, length + delta * shares[1] / total};
}
}  // namespace

void View::resizeSubviews(Size oldSize) {
    const Size newSize = frame_.size;
    // A subview may remove itself when resized; walk a copy.
    const auto subviews = subviews_;
    for (const auto& subview : subviews) {
        const uint32_t mask = subview->autoresizingMask_;
        if (mask == kAutoresizingNone) continue;
        const Rect f = subview->frame_;
        const auto x = resizeAxis(
            f.x(), f.width(), oldSize.width, newSize.width, mask & kAutoresizingFlexibleLeftMargin,
            mask & kAutoresizingFlexibleWidth, mask & kAutoresizingFlexibleRightMargin);
        const auto y =
            resizeAxis(f.y(), f.height(), oldSize.height, newSize.height,
                       mask & kAutoresizingFlexibleTopMargin, mask & kAutoresizingFlexibleHeight,
                       mask & kAutoresizingFlexibleBottomMargin);
        subview->setFrame({x.origin, y.origin, x.length, y.length});
    }
}

// ---- The tree ----

void View::addSubview(std::shared_ptr<View> view) {
    insertSubview(std::move(view), subviews_.size());
}

void View::insertSubview(std::shared_ptr<View> view, size_t index) {
    if (!view) return;
    if (view.get() == this || isDescendantOf(*view)) {
        Log::print("View: refusing to add a view inside itself");
        return;
    }
    if (view->superview_) view->removeFromSuperview();
    index = std::min(index, subviews_.size());
    View& added = *view;
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), std::move(view));
    added.setSuperview(this);
    didAddSubview(added);
    setNeedsDisplay();
}

void View::removeFromSuperview() {
    View* parent = superview_;
    if (!parent) return;
    auto it = std::find_if(parent->subviews_.begin(), parent->subviews_.end(),
                           [this](const auto& subview) { return subview.get() == this; });
    if (it == parent->subviews_.end()) return;
    // Keeps this view alive until it has left the tree, even when the parent held the last
    // reference.
    const std::shared_ptr<View> self = std::move(*it);
    parent->subviews_.erase(it);
    parent->setNeedsDisplay();
    setSuperview(nullptr);
}

void View::bringSubviewToFront(const View& view) {
    auto it = std::find_if(subviews_.begin(), subviews_.end(),
                           [&view](const auto& subview) { return subview.get() == &view; });
    if (it == subviews_.end()) return;
    std::rotate(it, it + 1, subviews_.end());
    setNeedsDisplay();
}

bool View::isDescendantOf(const View& view) const {
    for (const View* v = this; v; v = v->superview_)
        if (v == &view) return true;
    return false;
}

View* View::viewWithTag(int tag) {
    if (tag_ == tag) return this;
    for (const auto& subview : subviews_)
        if (View* found = subview->viewWithTag(tag)) return found;
    return nullptr;
}

const View* View::root() const {
    const View* v = this;
    while (v->superview_) v = v->superview_;
    return v;
}

Window* View::window() const { return dynamic_cast<Window*>(const_cast<View*>(root())); }

void View::setSuperview(View* superview) {
    Window* before = window();
    superview_ = superview;
    if (window() != before) notifyWindowChanged();
}

void View::notifyWindowChanged() {
    didMoveToWindow();
    const auto subviews = subviews_;  // the hook may change the tree
    for (const auto& subview : subviews) subview->notifyWindowChanged();
}

// ---- Coordinates ----

Point View::convertPoint(Point point, const View* to) const {
    // Up to the root's bounds space, then down to the target's.
    for (const View* v = this; v->superview_; v = v->superview_) {
        point.x += v->frame_.x() - v->bounds_.x();
        point.y += v->frame_.y() - v->bounds_.y();
    }
    if (!to) return point;
    for (const View* v = to; v->superview_; v = v->superview_) {
        point.x -= v->frame_.x() - v->bounds_.x();
        point.y -= v->frame_.y() - v->bounds_.y();
    }
    return point;
}

Point View::convertPointFrom(Point point, const View* from) const {
    if (from) return from->convertPoint(point, this);
    // `point` is in the root's bounds space.
    for (const View* v = this; v->superview_; v = v->superview_) {
        point.x -= v->frame_.x() - v->bounds_.x();
        point.y -= v->frame_.y() - v->bounds_.y();
    }
    return point;
}

Rect View::convertRect(const Rect& rect, const View* to) const {
    const Point origin = convertPoint(rect.origin, to);
    return {origin.x, origin.y, rect.width(), rect.height()};
}

// ---- Input ----

View* View::hitTest(Point point) {
    if (hidden_ || alpha_ < 0.01f || !userInteractionEnabled_ || !pointInside(point))
        return nullptr;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        View& subview = **it;
        const Point local{point.x - subview.frame_.x() + subview.bounds_.x(),
                          point.y - subview.frame_.y() + subview.bounds_.y()};
        if (View* hit = subview.hitTest(local)) return hit;
    }
    return this;
}

bool View::pointInside(Point point) const { return bounds().contains(point); }

// A plain view does not handle touches: it hands them to its superview.
void View::touchesBegan(const TouchSet& touches, const Event& event) {
    if (superview_) superview_->touchesBegan(touches, event);
}

void View::touchesMoved(const TouchSet& touches, const Event& event) {
    if (superview_) superview_->touchesMoved(touches, event);
}

void View::touchesEnded(const TouchSet& touches, const Event& event) {
    if (superview_) superview_->touchesEnded(touches, event);
}

void View::touchesCancelled(const TouchSet& touches, const Event& event) {
    if (superview_) superview_->touchesCancelled(touches, event);
}

// ---- Layout and drawing ----

void View::setNeedsLayout() {
    needsLayout_ = true;
    setNeedsDisplay();
}

void View::layoutIfNeeded() {
    if (needsLayout_) {
        needsLayout_ = false;
        layoutSubviews();
    }
    // Layout may add or remove views: walk by index, holding each child while it lays out,
    // rather than copying the list on every frame.
    for (size_t i = 0; i < subviews_.size(); ++i) {
        const std::shared_ptr<View> subview = subviews_[i];
        subview->layoutIfNeeded();
    }
}

void View::setNeedsDisplay() {
    if (Window* w = window()) w->setNeedsDisplayFlag(true);
}

void View::render(Painter& painter) {
    if (hidden_) return;
    const float alpha = presentationAlpha();
    if (alpha <= 0) return;
    const Rect frame = presentationFrame();
    const Rect visible{bounds_.x(), bounds_.y(), frame.width(), frame.height()};

    painter.save();
    painter.translate(frame.x() - bounds_.x(), frame.y() - bounds_.y());
    painter.multiplyAlpha(alpha);
    if (clipsToBounds_) painter.clipTo(visible);
    draw(painter);
    for (size_t i = 0; i < subviews_.size(); ++i) {
        View& subview = *subviews_[i];
        // Outside a clipping view nothing of a subview shows unless its own subviews reach
        // back in, which a clipping or childless subview cannot.
        if (clipsToBounds_ && !subview.presentationFrame().intersects(visible) &&
            (subview.clipsToBounds_ || subview.subviews_.empty()))
            continue;
        subview.render(painter);
    }
    painter.restore();
}

void View::draw(Painter& painter) {
    if (backgroundColor_.isClear()) return;
    if (cornerRadius_ > 0)
        painter.fillRoundedRect(bounds(), cornerRadius_, backgroundColor_);
    else
        painter.fillRect(bounds(), backgroundColor_);
}

// ---- Animation ----

Rect View::presentationFrame() const {
    if (!isRunning(frameAnimation_)) return frame_;
    const auto v = frameAnimation_->valueAt(now());
    return {v[0], v[1], v[2], v[3]};
}

float View::presentationAlpha() const {
    if (!isRunning(alphaAnimation_)) return alpha_;
    return alphaAnimation_->valueAt(now())[0];
}

bool View::isAnimating() const { return isRunning(frameAnimation_) || isRunning(alphaAnimation_); }

void View::animateProperty(std::shared_ptr<PropertyAnimation>& slot, const float* from,
                           const float* to, int count) {
    auto& context = AnimationContext::current();
    if (!context.isInsideBlock()) {
        slot.reset();
        return;
    }
    slot = context.animate(*this, isRunning(slot) ? slot.get() : nullptr, from, to, count);
}

void View::beginAnimations(const std::string& name) { AnimationContext::current().begin(name); }

void View::setAnimationDuration(double seconds) {
    AnimationContext::current().setDuration(seconds);
}

void View::setAnimationBeginsFromCurrentState(bool fromCurrentState) {
    AnimationContext::current().setBeginsFromCurrentState(fromCurrentState);
}

void View::setAnimationCompletion(std::function<void()> completion) {
    AnimationContext::current().setCompletion(std::move(completion));
}

void View::commitAnimations() { AnimationContext::current().commit(); }

std::shared_ptr<SteppedAnimation> View::animateInSteps(
    std::function<void(double eased, bool finished)> step) {
    return AnimationContext::current().animateInSteps(std::move(step));
}

bool View::areAnimationsRunning() { return AnimationContext::current().areAnimationsRunning(); }

}  // namespace platform
