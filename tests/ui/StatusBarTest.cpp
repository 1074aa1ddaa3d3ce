#include <gtest/gtest.h>

#include <memory>

#include "platform/sdl/OffscreenRenderer.h"
#include "platform/sdl/StatusBar.h"
#include "platform/ui/Application.h"

namespace platform {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;

int red(uint32_t pixel) { return (pixel >> 16) & 0xFF; }

class StatusBarTest : public ::testing::Test {
protected:
    // Draws the bar over a white screen so that its black and its alpha show.
    void draw(double now) {
        renderer_->render([&](Painter& p) {
            p.fillRect({0, 0, 320, 40}, Color::whiteColor());
            bar_.draw(p, 320, now);
        });
    }
    // Whether any pixel of the bar's middle third differs from the bar's own colour.
    bool hasTextPixels() const {
        const uint32_t background = renderer_->pixelAt(2, 2);
        for (int y = 0; y < 20; ++y)
            for (int x = 107; x < 213; ++x)
                if (renderer_->pixelAt(x, y) != background) return true;
        return false;
    }

    std::time_t wallClock_ = 1'700'000'000;  // hh:mm:20
    Application application_;
    StatusBar bar_{[this] { return wallClock_; }};
    std::unique_ptr<OffscreenRenderer> renderer_ = OffscreenRenderer::create({320, 40}, 1);
};

TEST_F(StatusBarTest, HiddenBarDrawsNothing) {
    application_.setStatusBarHidden(true, false);
    EXPECT_FALSE(bar_.update(application_, 0));
    draw(0);
    EXPECT_EQ(renderer_->pixelAt(160, 10), kWhite);
    EXPECT_FALSE(bar_.isVisible());
}

TEST_F(StatusBarTest, ShownBarIsTwentyPointsOfBlackWithTheTimeInTheMiddle) {
    application_.setStatusBarHidden(false, false);
    EXPECT_TRUE(bar_.update(application_, 0));
    EXPECT_FALSE(bar_.isFading(0));
    draw(0);
    EXPECT_EQ(renderer_->pixelAt(0, 0), kBlack);
    EXPECT_EQ(renderer_->pixelAt(319, 19), kBlack);
    EXPECT_EQ(renderer_->pixelAt(0, 20), kWhite);
    EXPECT_TRUE(hasTextPixels());
    EXPECT_EQ(bar_.timeText().size(), 5u);
    EXPECT_EQ(bar_.timeText()[2], ':');
}

TEST_F(StatusBarTest, AnimatedShowFadesInOverThreeTenthsOfASecond) {
    application_.setStatusBarHidden(false, true);
    ASSERT_TRUE(bar_.update(application_, 10.0));
    EXPECT_TRUE(bar_.isFading(10.0));
    draw(10.0);
    EXPECT_EQ(renderer_->pixelAt(2, 2), kWhite);
    draw(10.15);
    EXPECT_NEAR(red(renderer_->pixelAt(2, 2)), 128, 3);
    EXPECT_TRUE(bar_.isFading(10.29));
    EXPECT_FALSE(bar_.isFading(10.3));
    draw(10.3);
    EXPECT_EQ(renderer_->pixelAt(2, 2), kBlack);
}

TEST_F(StatusBarTest, UpdateReportsOnlyRealChanges) {
    application_.setStatusBarHidden(false, false);
    EXPECT_TRUE(bar_.update(application_, 0));
    EXPECT_FALSE(bar_.update(application_, 1));
    wallClock_ += 30;  // same minute still? 20 s + 30 s
    EXPECT_FALSE(bar_.update(application_, 2));
    wallClock_ += 15;  // the next minute
    EXPECT_TRUE(bar_.update(application_, 3));
    application_.setStatusBarStyle(StatusBarStyle::BlackTranslucent, false);
    EXPECT_TRUE(bar_.update(application_, 4));
    application_.setStatusBarHidden(true, false);
    EXPECT_TRUE(bar_.update(application_, 5));
    EXPECT_FALSE(bar_.update(application_, 6));
}

TEST_F(StatusBarTest, TranslucentStyleLetsHalfOfTheContentThrough) {
    application_.setStatusBarStyle(StatusBarStyle::BlackTranslucent, false);
    application_.setStatusBarHidden(false, false);
    bar_.update(application_, 0);
    draw(0);
    EXPECT_NEAR(red(renderer_->pixelAt(2, 2)), 128, 3);
}

TEST_F(StatusBarTest, NextMinuteIsCountedFromTheWallClock) {
    EXPECT_DOUBLE_EQ(bar_.secondsUntilNextMinute(), 40);
    wallClock_ += 39;
    EXPECT_DOUBLE_EQ(bar_.secondsUntilNextMinute(), 1);
    wallClock_ += 1;
    EXPECT_DOUBLE_EQ(bar_.secondsUntilNextMinute(), 60);
}

}  // namespace
}  // namespace platform
