#include <gtest/gtest.h>

#include "platform/sdl/TouchInput.h"
#include "platform/ui/WindowLayout.h"

namespace platform {
namespace {

TEST(WindowLayoutTest, PortraitFillsTheWidthAndLandscapeCentresTheScreen) {
    struct Case {
        float width, height;
        float scale, pointsHeight, originX;
    };
    const Case cases[] = {
        {320, 480, 1, 480, 0},                                            // the size it opens at
        {640, 960, 2, 480, 0},                                            // the same at scale 2
        {360, 720, 1.125f, 640, 0},                                       // a phone: more rows
        {720, 1440, 2.25f, 640, 0},                                       // the same phone's pixels
        {320, 400, 1, 400, 0},                                            // the smallest window
        {1280, 800, 800 / 480.0f, 480, (1280 - 320 * 800 / 480.0f) / 2},  // landscape desktop
        {600, 700, 700 / 480.0f, 480, (600 - 320 * 700 / 480.0f) / 2},    // near-square
        {0, 0, 1, 480, 0},                                                // not yet sized
    };
    for (const auto& c : cases) {
        const auto layout = WindowLayout::forPixels(c.width, c.height);
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        EXPECT_FLOAT_EQ(layout.scale, c.scale);
        EXPECT_FLOAT_EQ(layout.points.width, 320);
        EXPECT_FLOAT_EQ(layout.points.height, c.pointsHeight);
        EXPECT_NEAR(layout.origin.x, c.originX, 1e-3);
        EXPECT_EQ(layout.origin.y, 0);
    }
}

TEST(WindowLayoutTest, ClicksBesideTheCentredScreenLandOutsideIt) {
    const auto layout = WindowLayout::forPixels(1280, 800);
    TouchInput input(WindowLayout::kScreen, 1);
    input.setGeometry({1280, 800}, layout.scale, layout.origin);
    SDL_Event click{};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_LEFT;
    click.button.x = 640;  // the middle of the window is the middle of the screen
    click.button.y = 400;
    const auto middle = input.translate(click);
    ASSERT_TRUE(middle.has_value());
    EXPECT_NEAR(middle->location.x, 160, 1e-3);
    EXPECT_NEAR(middle->location.y, 240, 1e-3);
    EXPECT_LT(layout.pointAt({10, 400}).x, 0) << "the left margin is not on the screen";
}

}  // namespace
}  // namespace platform
