#include "platform/ui/Animation.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/ui/View.h"

#include <algorithm>
#include <cmath>

namespace platform {
namespace {
double now() { return services().runLoop->now(); }

// The next frame of a stepped animation; the timer dies with the animation, and the animation
// lives through its own step even when the step lets go of it.
void scheduleFrame(const std::shared_ptr<SteppedAnimation>& animation) {
    std::weak_ptr<SteppedAnimation> weak = animation;
    animation->frameTimer = services().runLoop->performAfterDelay(
        kAnimationFrameInterval,
        [weak] {
            const auto animation = weak.lock();
            if (!animation) return;
            const double progress =
                animation->duration > 0 ? (now() - animation->start) / animation->duration : 1.0;
            const bool finished = progress >= 1;
            if (!finished) scheduleFrame(animation);
            animation->step(animationCurve(progress), finished);
        },
        {}, kCommonRunLoopModes);
}
}  // namespace

SteppedAnimation::~SteppedAnimation() {
    if (frameTimer) frameTimer->invalidate();
}

double animationCurve(double progress) {
    progress = std::clamp(progress, 0.0, 1.0);
    return progress * progress * (3 - 2 * progress);
}

PropertyAnimation::Values PropertyAnimation::valueAt(double time) const {
    const double eased = animationCurve(duration > 0 ? (time - start) / duration : 1.0);
    Values result{};
    for (int i = 0; i < count; ++i)
        result[i] = static_cast<float>(from[i] + (to[i] - from[i]) * eased);
    return result;
}

AnimationContext& AnimationContext::current() {
    static AnimationContext context;
    return context;
}

void AnimationContext::begin(const std::string& name) {
    blocks_.push_back({name, View::kDefaultAnimationDuration, false, {}, {}, {}});
}

void AnimationContext::setDuration(double seconds) {
    if (blocks_.empty()) return;
    blocks_.back().duration = std::isfinite(seconds) ? std::max(seconds, 0.0) : 0.0;
}

void AnimationContext::setBeginsFromCurrentState(bool fromCurrentState) {
    if (blocks_.empty()) return;
    blocks_.back().fromCurrentState = fromCurrentState;
}

void AnimationContext::setCompletion(std::function<void()> completion) {
    if (blocks_.empty()) return;
    blocks_.back().completion = std::move(completion);
}

std::shared_ptr<PropertyAnimation> AnimationContext::animate(View& view,
                                                             const PropertyAnimation* onScreen,
                                                             const float* from, const float* to,
                                                             int count) {
    auto& block = blocks_.back();
    const double time = now();
    auto animation = std::make_shared<PropertyAnimation>();
    animation->view = &view;
    animation->count = count;
    const auto shown = onScreen ? onScreen->valueAt(time) : PropertyAnimation::Values{};
    for (int i = 0; i < count; ++i) {
        animation->fromModel[i] = from[i];
        animation->fromPresentation[i] = onScreen ? shown[i] : from[i];
        animation->to[i] = to[i];
    }
    animation->from = block.fromCurrentState ? animation->fromPresentation : animation->fromModel;
    animation->start = time;
    animation->duration = block.duration;
    block.animations.push_back(animation);
    running_.push_back(animation);
    return animation;
}

std::shared_ptr<SteppedAnimation> AnimationContext::animateInSteps(SteppedAnimation::Step step) {
    if (blocks_.empty()) {
        step(1.0, true);
        return nullptr;
    }
    auto animation = std::make_shared<SteppedAnimation>();
    animation->step = std::move(step);
    animation->start = now();
    blocks_.back().stepped.push_back(animation);
    return animation;
}

void AnimationContext::commit() {
    if (blocks_.empty()) {
        Log::print("View: commitAnimations without beginAnimations");
        return;
    }
    auto block = std::move(blocks_.back());
    blocks_.pop_back();

    // The block's settings may have changed after its changes were made; they apply to all.
    std::vector<std::weak_ptr<PropertyAnimation>> started;
    for (const auto& weak : block.animations) {
        auto animation = weak.lock();
        if (!animation) continue;  // cancelled, or its view is gone
        animation->duration = block.duration;
        animation->from =
            block.fromCurrentState ? animation->fromPresentation : animation->fromModel;
        animation->committed = true;
        animation->view->setNeedsDisplay();
        started.push_back(animation);
    }
    for (const auto& weak : block.stepped) {
        if (auto animation = weak.lock()) {
            animation->duration = block.duration;
            scheduleFrame(animation);
        }
    }
    if (started.empty() && !block.completion) return;
    std::erase_if(running_, [](const auto& weak) { return weak.expired(); });
    // At the end the final values are drawn once more, then the completion runs, also when
    // the block changed nothing.
    services().runLoop->performAfterDelay(
        block.duration,
        [started = std::move(started), completion = std::move(block.completion)] {
            for (const auto& weak : started)
                if (auto animation = weak.lock()) animation->view->setNeedsDisplay();
            if (completion) completion();
        },
        {}, kCommonRunLoopModes);
}

bool AnimationContext::areAnimationsRunning() {
    const double time = now();
    std::erase_if(running_, [time](const std::weak_ptr<PropertyAnimation>& weak) {
        const auto animation = weak.lock();
        return !animation || (animation->committed && !animation->isRunning(time));
    });
    for (const auto& weak : running_) weak.lock()->view->setNeedsDisplay();
    return !running_.empty();
}

}  // namespace platform
