#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class Timer;
class View;

// Every motion on screen shares one frame interval and one easing curve: view animation
// blocks, the list's scrolling, the status bar's fade.
inline constexpr double kAnimationFrameInterval = 1.0 / 60;
// Eases in and out: 0 at progress 0, 1 at progress 1 and beyond, gentle at both ends.
double animationCurve(double progress);

// One property of one view moving from one value to another: a frame (x, y, width, height) or
// an alpha.
struct PropertyAnimation {
    static constexpr int kMaxComponents = 4;
    using Values = std::array<float, kMaxComponents>;

    View* view = nullptr;  // non-owning: the view owns its animations
    int count = 0;
    Values fromModel{};         // the model value before the change
    Values fromPresentation{};  // the value on screen when the change was made
    Values from{};
    Values to{};
    double start = 0;
    double duration = 0;
    bool committed = false;

    bool isRunning(double now) const { return now < start + duration; }
    Values valueAt(double now) const;
};

// A model value that must pass through the way rather than jump to its end (a scroll offset
// decides which rows have cells): every kAnimationFrameInterval after the change, `step` gets the
// eased progress, until the block's duration has passed (the last step gets 1 and `finished`).
// Whoever holds it keeps it going; dropping it stops it.
struct SteppedAnimation {
    using Step = std::function<void(double eased, bool finished)>;

    Step step;
    double start = 0;
    double duration = 0;
    std::shared_ptr<Timer> frameTimer;

    ~SteppedAnimation();
};

// The open animation blocks, innermost last, and every animation not yet known to be over: the
// state behind View's animation-block functions. Main thread only; times are the main run
// loop's.
class AnimationContext {
public:
    static AnimationContext& current();

    void begin(const std::string& name);
    void setDuration(double seconds);
    void setBeginsFromCurrentState(bool fromCurrentState);
    void setCompletion(std::function<void()> completion);
    void commit();
    bool isInsideBlock() const { return !blocks_.empty(); }
    // Starts the animation of one property of `view` in the innermost block, from the model
    // value `from` (or from what `onScreen` shows, when the block begins from the current
    // state) to `to`. Only inside a block.
    std::shared_ptr<PropertyAnimation> animate(View& view, const PropertyAnimation* onScreen,
                                               const float* from, const float* to, int count);
    // Starts stepping a value in the innermost block; outside a block the step runs at once
    // with the end value, and nothing is returned.
    std::shared_ptr<SteppedAnimation> animateInSteps(SteppedAnimation::Step step);
    // Whether any presentation value is still moving; marks the windows of those views.
    bool areAnimationsRunning();

private:
    struct Block {
        std::string name;
        double duration;
        bool fromCurrentState = false;
        std::function<void()> completion;
        std::vector<std::weak_ptr<PropertyAnimation>> animations;
        std::vector<std::weak_ptr<SteppedAnimation>> stepped;
    };
    std::vector<Block> blocks_;
    std::vector<std::weak_ptr<PropertyAnimation>> running_;
};

}  // namespace platform
