#include "platform/foundation/Log.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "tests/support/RecordingPainter.h"
#include "tests/support/LogInto.h"
#include "tests/support/UiTestEnvironment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

struct AnimationTest : testing::Test {
    std::vector<std::string> log;
    UiTestEnvironment env{{.log = logInto(log)}};
    std::shared_ptr<Window> window = env.makeKeyWindow();
    std::shared_ptr<View> view = std::make_shared<View>(Rect(0, 0, 100, 100));

    void SetUp() override { window->addSubview(view); }

    // Runs the block's changes in one animation block of `seconds`.
    template <class Change>
    static void animate(double seconds, bool fromCurrentState, Change change) {
        View::beginAnimations("test");
        View::setAnimationDuration(seconds);
        View::setAnimationBeginsFromCurrentState(fromCurrentState);
        change();
        View::commitAnimations();
    }
};

TEST_F(AnimationTest, FrameMovesFromOldToNewWhileTheModelChangesAtOnce) {
    animate(1.0, false, [&] { view->setFrame({100, 0, 100, 100}); });
    EXPECT_EQ(view->frame(), (Rect{100, 0, 100, 100}));
    EXPECT_EQ(view->presentationFrame(), (Rect{0, 0, 100, 100}));
    EXPECT_TRUE(view->isAnimating());

    env.runLoop().runFor(0.25);  // ease in: less than a quarter of the way
    EXPECT_FLOAT_EQ(view->presentationFrame().x(), 15.625f);
    env.runLoop().runFor(0.25);
    EXPECT_FLOAT_EQ(view->presentationFrame().x(), 50);
    env.runLoop().runFor(0.25);  // ease out: more than three quarters
    EXPECT_FLOAT_EQ(view->presentationFrame().x(), 84.375f);
    env.runLoop().runFor(0.25);
    EXPECT_EQ(view->presentationFrame(), view->frame());
    EXPECT_FALSE(view->isAnimating());
}

TEST_F(AnimationTest, AlphaUsesTheDefaultDurationAndSkipsUnchangedValues) {
    View::beginAnimations("fade");
    view->setAlpha(0);
    View::commitAnimations();
    EXPECT_FLOAT_EQ(view->alpha(), 0);
    env.runLoop().runFor(View::kDefaultAnimationDuration / 2);
    EXPECT_FLOAT_EQ(view->presentationAlpha(), 0.5f);
    env.runLoop().runFor(View::kDefaultAnimationDuration / 2);
    EXPECT_FLOAT_EQ(view->presentationAlpha(), 0);
    EXPECT_FALSE(view->isAnimating());

    View::beginAnimations("same");
    view->setAlpha(0);
    View::commitAnimations();
    EXPECT_FALSE(view->isAnimating());
}

TEST_F(AnimationTest, BeginningFromTheCurrentStateTurnsAFadeAroundWhereItIs) {
    animate(0.2, true, [&] { view->setAlpha(0); });
    env.runLoop().runFor(0.1);
    ASSERT_FLOAT_EQ(view->presentationAlpha(), 0.5f);

    animate(0.2, true, [&] { view->setAlpha(1); });
    EXPECT_FLOAT_EQ(view->presentationAlpha(), 0.5f);  // no jump
    env.runLoop().runFor(0.1);
    EXPECT_FLOAT_EQ(view->presentationAlpha(), 0.75f);
    env.runLoop().runFor(0.1);
    EXPECT_FLOAT_EQ(view->presentationAlpha(), 1);
}

TEST_F(AnimationTest, WithoutTheCurrentStateAReversalStartsFromThePreviousModelValue) {
    animate(0.2, false, [&] { view->setAlpha(0); });
    env.runLoop().runFor(0.1);
    animate(0.2, false, [&] { view->setAlpha(1); });
    EXPECT_FLOAT_EQ(view->presentationAlpha(), 0);
    env.runLoop().runFor(0.1);
    EXPECT_FLOAT_EQ(view->presentationAlpha(), 0.5f);
}

TEST_F(AnimationTest, AChangeOutsideABlockCancelsThatPropertyOnly) {
    animate(1.0, false, [&] {
        view->setFrame({50, 50, 100, 100});
        view->setAlpha(0);
    });
    env.runLoop().runFor(0.5);
    view->setFrame({10, 10, 100, 100});
    EXPECT_EQ(view->presentationFrame(), (Rect{10, 10, 100, 100}));
    EXPECT_FLOAT_EQ(view->presentationAlpha(), 0.5f);

    // Setting the same value outside a block also stops the animation where the model is.
    view->setAlpha(0);
    EXPECT_FLOAT_EQ(view->presentationAlpha(), 0);
    EXPECT_FALSE(view->isAnimating());
}

TEST_F(AnimationTest, BlockSettingsApplyAtCommitAndNestedBlocksKeepTheirOwn) {
    View::beginAnimations("outer");
    view->setFrame({100, 0, 100, 100});
    View::setAnimationDuration(1.0);  // after the change: still applies to it
    auto other = std::make_shared<View>(Rect(0, 0, 10, 10));
    window->addSubview(other);
    View::beginAnimations("inner");
    View::setAnimationDuration(0.2);
    other->setAlpha(0);
    View::commitAnimations();
    View::commitAnimations();

    env.runLoop().runFor(0.2);
    EXPECT_FALSE(other->isAnimating());
    EXPECT_TRUE(view->isAnimating());
    env.runLoop().runFor(0.3);
    EXPECT_FLOAT_EQ(view->presentationFrame().x(), 50);
}

TEST_F(AnimationTest, AutoresizedSubviewsAnimateWithTheirParent) {
    auto child = std::make_shared<View>(Rect(0, 0, 100, 10));
    child->setAutoresizingMask(kAutoresizingFlexibleWidth);
    view->addSubview(child);
    animate(1.0, false, [&] { view->setFrame({0, 0, 200, 100}); });
    EXPECT_FLOAT_EQ(child->frame().width(), 200);
    env.runLoop().runFor(0.5);
    EXPECT_FLOAT_EQ(child->presentationFrame().width(), 150);
}

TEST_F(AnimationTest, RunningAnimationsKeepTheWindowDrawingUntilTheirEnd) {
    EXPECT_FALSE(View::areAnimationsRunning());
    animate(0.4, false, [&] { view->setFrame({0, 40, 100, 100}); });
    window->setNeedsDisplayFlag(false);
    EXPECT_TRUE(View::areAnimationsRunning());
    EXPECT_TRUE(window->needsDisplay());

    // The host draws and clears the flag; the end of the animation marks it once more, so
    // the final position is drawn even if nobody asks in between.
    env.runLoop().runFor(0.2);
    window->setNeedsDisplayFlag(false);
    env.runLoop().runFor(0.2);
    EXPECT_TRUE(window->needsDisplay());
    EXPECT_FALSE(View::areAnimationsRunning());
}

TEST_F(AnimationTest, AnimationsDieWithTheirView) {
    animate(0.4, false, [&] { view->setAlpha(0.2f); });
    std::weak_ptr<View> weak = view;
    view->removeFromSuperview();
    view.reset();
    EXPECT_TRUE(weak.expired());  // neither the block nor the end timer keeps it
    EXPECT_FALSE(View::areAnimationsRunning());
    env.runLoop().runFor(1.0);
}

TEST_F(AnimationTest, RenderingDrawsPresentationValues) {
    view->setBackgroundColor(Color::whiteColor());
    animate(1.0, false, [&] {
        view->setFrame({100, 0, 100, 100});
        view->setAlpha(0);
    });
    env.runLoop().runFor(0.5);
    RecordingPainter painter;
    window->renderTree(painter);
    ASSERT_EQ(painter.fills().size(), 1u);
    EXPECT_EQ(painter.fills()[0].rect, (Rect{50, 0, 100, 100}));
    EXPECT_FLOAT_EQ(painter.fills()[0].alpha, 0.5f);

    env.runLoop().runFor(0.5);
    painter.clear();
    window->renderTree(painter);
    EXPECT_TRUE(painter.fills().empty());  // faded out: not drawn
}

TEST_F(AnimationTest, ZeroDurationAndStrayCallsChangeAtOnce) {
    View::setAnimationDuration(5);  // no block: ignored
    View::commitAnimations();
    EXPECT_EQ(log.size(), 1u);

    animate(0, false, [&] { view->setAlpha(0.3f); });
    EXPECT_FALSE(view->isAnimating());
    EXPECT_FLOAT_EQ(view->presentationAlpha(), 0.3f);
}

TEST_F(AnimationTest, ACompletionRunsOnceWhenTheBlockEndsEvenIfNothingMoved) {
    std::vector<std::string> ran;
    animate(0.4, false, [&] {
        view->setAlpha(0.5f);
        View::setAnimationCompletion([&] { ran.push_back("fade"); });
    });
    animate(0.2, false, [&] { View::setAnimationCompletion([&] { ran.push_back("empty"); }); });
    env.runLoop().runFor(0.2);
    EXPECT_EQ(ran, std::vector<std::string>{"empty"});
    env.runLoop().runFor(0.2);
    EXPECT_EQ(ran, (std::vector<std::string>{"empty", "fade"}));
    env.runLoop().runFor(1.0);
    EXPECT_EQ(ran.size(), 2u);
}

TEST_F(AnimationTest, SteppedValuesMoveEveryFrameUntilTheEndOrUntilDropped) {
    std::vector<double> steps;
    View::beginAnimations("steps");
    View::setAnimationDuration(0.045);
    auto handle = View::animateInSteps([&](double eased, bool finished) {
        steps.push_back(eased);
        EXPECT_EQ(finished, eased == 1.0);
    });
    View::commitAnimations();
    EXPECT_TRUE(steps.empty());  // nothing moves inside the call
    env.runLoop().runFor(1.0);
    ASSERT_EQ(steps.size(), 3u);  // at 1/60 and 2/60 s, and at 3/60 s, past the end
    EXPECT_TRUE(steps[0] > 0 && steps[0] < steps[1] && steps[1] < 1);
    EXPECT_EQ(steps[2], 1.0);

    steps.clear();
    View::beginAnimations("dropped");
    handle = View::animateInSteps([&](double eased, bool) { steps.push_back(eased); });
    View::commitAnimations();
    env.runLoop().runFor(0.02);
    handle.reset();
    env.runLoop().runFor(1.0);
    EXPECT_EQ(steps.size(), 1u);
}

}  // namespace
}  // namespace platform
