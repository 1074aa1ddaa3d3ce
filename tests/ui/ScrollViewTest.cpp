#include "platform/ui/ScrollView.h"

#include <gtest/gtest.h>

#include "platform/ui/Window.h"
#include "tests/support/TouchDriver.h"
#include "tests/support/UiTestEnvironment.h"

namespace platform {
namespace {

// A plain scroll view, 200 points high over 500 points of content, filling a window's top.
struct ScrollViewTest : testing::Test {
    UiTestEnvironment env;
    std::shared_ptr<Window> window = env.makeKeyWindow();
    std::shared_ptr<ScrollView> scroll = std::make_shared<ScrollView>(Rect(0, 0, 320, 200));

    ScrollViewTest() {
        scroll->setContentSize({320, 500});
        window->addSubview(scroll);
    }
};

TEST_F(ScrollViewTest, ADragScrollsInTrackingModeAndContentPastAnEndBouncesBack) {
    TouchDriver::down(*window, {160, 150});
    TouchDriver::move(*window, {160, 130});  // beyond the tap slop: the drag starts here
    TouchDriver::move(*window, {160, 30});
    EXPECT_TRUE(scroll->isDragging());
    EXPECT_EQ(env.runLoop().mode(), kTrackingRunLoopMode);
    EXPECT_FLOAT_EQ(scroll->contentOffset().y, 100);

    // Pulled 300 points further: 200 to the end, then half of the rest.
    TouchDriver::move(*window, {160, -270});
    EXPECT_FLOAT_EQ(scroll->contentOffset().y, 350);
    env.runLoop().runFor(0.5);  // a finger at rest
    TouchDriver::up(*window, {160, -270});
    EXPECT_EQ(env.runLoop().mode(), kDefaultRunLoopMode);
    env.runLoop().runFor(ScrollView::kScrollAnimationDuration + 0.05);
    EXPECT_FLOAT_EQ(scroll->contentOffset().y, 300);
}

TEST_F(ScrollViewTest, AFlingGlidesOnSlowingDownAndAFingerStopsIt) {
    TouchDriver::drag(*window, {160, 190}, {160, 110}, 4);  // 80 points in 4 frames, lifted
    const float released = scroll->contentOffset().y;
    EXPECT_TRUE(scroll->isDecelerating());
    env.runLoop().runFor(0.1);
    const float gliding = scroll->contentOffset().y;
    EXPECT_GT(gliding, released);
    TouchDriver::down(*window, {160, 100});
    EXPECT_FALSE(scroll->isDecelerating());
    env.runLoop().runFor(0.5);
    EXPECT_EQ(scroll->contentOffset().y, gliding);
    TouchDriver::up(*window, {160, 100});
    EXPECT_EQ(scroll->contentOffset().y, gliding);
}

}  // namespace
}  // namespace platform
