#pragma once

#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Touch.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class AccessibleContent;  // platform/a11y
class Painter;
class Window;
struct PropertyAnimation;
struct SteppedAnimation;

enum AutoresizingMask : uint32_t {
    kAutoresizingNone = 0,
    kAutoresizingFlexibleLeftMargin = 1 << 0,
    kAutoresizingFlexibleWidth = 1 << 1,
    kAutoresizingFlexibleRightMargin = 1 << 2,
    kAutoresizingFlexibleTopMargin = 1 << 3,
    kAutoresizingFlexibleHeight = 1 << 4,
    kAutoresizingFlexibleBottomMargin = 1 << 5,
};

enum class ContentMode { ScaleToFill = 0, Center = 4 };

// A rectangle of the retained view tree. A parent owns its subviews; superview() is a plain
// back pointer that the parent clears when it lets a subview go.
//
// Animation: between beginAnimations() and commitAnimations(), changes of frame and alpha set
// the model value at once and animate the presentation value (what is drawn) over the block's
// duration on the main run loop's clock. Tests read the model values.
class View : public std::enable_shared_from_this<View> {
public:
    explicit View(const Rect& frame = kRectZero);
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    Rect frame() const { return frame_; }
    virtual void setFrame(const Rect& frame);
    // Bounds: origin is the scroll offset of the content, size follows the frame.
    Rect bounds() const { return {bounds_.x(), bounds_.y(), frame_.width(), frame_.height()}; }
    void setBoundsOrigin(Point origin);
    Point center() const { return {frame_.midX(), frame_.midY()}; }

    float alpha() const { return alpha_; }
    void setAlpha(float alpha);
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    Color backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(Color color);
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    uint32_t autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(uint32_t mask) { autoresizingMask_ = mask; }
    ContentMode contentMode() const { return contentMode_; }
    void setContentMode(ContentMode mode);
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool clips);
    // Rounds the corners of the background fill (0: square).
    float cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(float radius);
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // For assistive technology: the name of a view that shows none of its own (a switch beside
    // its caption); empty: the view's own text names it.
    const std::string& accessibilityLabel() const { return accessibilityLabel_; }
    void setAccessibilityLabel(std::string label) { accessibilityLabel_ = std::move(label); }
    // What describes the view's content in place of its subviews (a list's rows, from its
    // data); not owned.
    std::shared_ptr<AccessibleContent> accessibilityContent() const {
        return accessibilityContent_.lock();
    }
    void setAccessibilityContent(std::weak_ptr<AccessibleContent> content) {
        accessibilityContent_ = std::move(content);
    }

    // The tree.
    View* superview() const { return superview_; }
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    void addSubview(std::shared_ptr<View> view);
    void insertSubview(std::shared_ptr<View> view, size_t index);
    void removeFromSuperview();
    void bringSubviewToFront(const View& view);
    bool isDescendantOf(const View& view) const;
    View* viewWithTag(int tag);
    Window* window() const;

    // Coordinates: from this view's bounds to another view's (nullptr: the window's).
    Point convertPoint(Point point, const View* to) const;
    Point convertPointFrom(Point point, const View* from) const;
    Rect convertRect(const Rect& rect, const View* to) const;

    // Input. hitTest takes a point in this view's bounds and returns the deepest visible,
    // interactive view under it.
    virtual View* hitTest(Point point);
    virtual bool pointInside(Point point) const;
    virtual void touchesBegan(const TouchSet& touches, const Event& event);
    virtual void touchesMoved(const TouchSet& touches, const Event& event);
    virtual void touchesEnded(const TouchSet& touches, const Event& event);
    virtual void touchesCancelled(const TouchSet& touches, const Event& event);

    // Layout runs before drawing when requested, and when the frame's size changes (which also
    // applies the subviews' autoresizing masks).
    virtual void layoutSubviews() {}
    void setNeedsLayout();
    void layoutIfNeeded();
    // Marks the window for redrawing.
    void setNeedsDisplay();

    // Drawing: render() draws this view and its subtree with presentation values; draw() is
    // the view's own content in its bounds' coordinates (the default fills the background).
    // Subviews wholly outside a clipping view's bounds are not drawn at all.
    void render(Painter& painter);
    virtual void draw(Painter& painter);

    // Presentation values: what is on screen while an animation runs.
    Rect presentationFrame() const;
    float presentationAlpha() const;
    bool isAnimating() const;

    // Animation blocks; nest like a stack, the innermost open block takes the changes. The
    // block's duration and begins-from-current-state setting apply to all of its changes when
    // it is committed; its name only identifies it. An animation starts when its change is
    // made, eases in and out, and starts from the previous model value, or from the value on
    // screen when the block begins from the current state. A change made outside any block
    // cancels the animation of that property. Main thread only.
    static void beginAnimations(const std::string& name);
    static void setAnimationDuration(double seconds);
    static void setAnimationBeginsFromCurrentState(bool fromCurrentState);
    // Runs once on the run loop when the block's duration has passed (also when the block
    // changed nothing): the place for work that waits for the end of the motion.
    static void setAnimationCompletion(std::function<void()> completion);
    static void commitAnimations();
    // For a model value that must pass through the way rather than jump (a scroll offset):
    // inside a block, `step` gets the eased progress every frame until the block's duration
    // has passed, the last time with 1 and `finished`. The caller holds the result; dropping
    // it stops the steps. Outside a block the step runs at once with 1.
    static std::shared_ptr<SteppedAnimation> animateInSteps(
        std::function<void(double eased, bool finished)> step);
    // Whether any view's presentation value is still moving; also keeps the windows of those
    // views marked for drawing. Each committed block schedules a run-loop timer at its end that
    // marks the windows once more, so the final values are drawn, and runs its completion.
    static bool areAnimationsRunning();
    static constexpr double kDefaultAnimationDuration = 0.2;

protected:
    // Called on every view of a subtree whose window changed (added to or removed from one).
    virtual void didMoveToWindow() {}
    // Called on the parent after `subview` was added or inserted.
    virtual void didAddSubview(View&) {}

private:
    static bool isRunning(const std::shared_ptr<PropertyAnimation>& animation);
    // Starts, or cancels outside a block, the animation of one property; returns the
    // animation in `slot` when one runs afterwards.
    void animateProperty(std::shared_ptr<PropertyAnimation>& slot, const float* from,
                         const float* to, int count);
    void resizeSubviews(Size oldSize);
    void setSuperview(View* superview);
    void notifyWindowChanged();
    const View* root() const;

    Rect frame_;
    Rect bounds_;
    float alpha_ = 1;
    bool hidden_ = false;
    Color backgroundColor_ = Color::clear();
    bool opaque_ = true;
    uint32_t autoresizingMask_ = kAutoresizingNone;
    ContentMode contentMode_ = ContentMode::ScaleToFill;
    bool clipsToBounds_ = false;
    float cornerRadius_ = 0;
    bool userInteractionEnabled_ = true;
    bool needsLayout_ = true;
    int tag_ = 0;
    std::string accessibilityLabel_;
    // Not owned.
    std::weak_ptr<AccessibleContent> accessibilityContent_;
    View* superview_ = nullptr;  // non-owning
    std::vector<std::shared_ptr<View>> subviews_;
    // Shared with the open animation block and the end-of-animation timer, which hold them
    // weakly; only the view owns them.
    std::shared_ptr<PropertyAnimation> frameAnimation_;
    std::shared_ptr<PropertyAnimation> alphaAnimation_;
};

}  // namespace platform
