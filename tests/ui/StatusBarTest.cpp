#include "platform/ui/StatusBar.h"

#include "platform/ui/Application.h"
#include "platform/ui/View.h"
#include "tests/support/RecordingPainter.h"
#include "tests/support/UiTestEnvironment.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

class StatusBarTest : public ::testing::Test {
protected:
    // The bar's background fill as drawn now, or nothing when it draws nothing.
    std::optional<RecordingPainter::Fill> drawBar() {
        painter_ = RecordingPainter();
        bar_.draw(painter_, 320);
        if (painter_.fills().empty()) return std::nullopt;
        return painter_.fills().front();
    }

    UiTestEnvironment env_;
    std::time_t wallClock_ = 1'700'000'000;  // hh:mm:20
    Application application_;
    StatusBar bar_{[this] { return wallClock_; }};
    RecordingPainter painter_;
};

TEST_F(StatusBarTest, HiddenBarDrawsNothing) {
    application_.setStatusBarHidden(true, false);
    EXPECT_FALSE(bar_.update(application_));
    EXPECT_FALSE(drawBar());
    EXPECT_TRUE(painter_.texts().empty());
    EXPECT_FALSE(bar_.isVisible());
}

TEST_F(StatusBarTest, ShownBarIsTwentyPointsOfBlackWithTheTimeInTheMiddle) {
    application_.setStatusBarHidden(false, false);
    EXPECT_TRUE(bar_.update(application_));
    EXPECT_FALSE(bar_.isFading());
    const auto bar = drawBar();
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->rect, Rect(0, 0, 320, 20));
    EXPECT_EQ(bar->color, Color::white(0, 1));
    EXPECT_EQ(bar->alpha, 1);
    ASSERT_EQ(painter_.texts().size(), 1u);
    const auto& time = painter_.texts().front();
    EXPECT_EQ(time.box, Rect(0, 0, 320, 20));
    EXPECT_EQ(time.alignment, TextAlignment::Center);
    EXPECT_EQ(time.color, Color::whiteColor());
    EXPECT_EQ(time.text.size(), 5u);
    EXPECT_EQ(time.text[2], ':');
}

TEST_F(StatusBarTest, AnimatedShowFadesInAsAnAnimationAndRedrawsItsEnd) {
    application_.setStatusBarHidden(false, true);
    ASSERT_TRUE(bar_.update(application_));
    EXPECT_TRUE(bar_.isFading());
    EXPECT_TRUE(View::areAnimationsRunning());
    EXPECT_EQ(drawBar()->alpha, 0);
    env_.runLoop().runFor(StatusBar::kFadeDuration / 2);
    EXPECT_NEAR(drawBar()->alpha, 0.5, 0.02);
    EXPECT_FALSE(bar_.update(application_));
    env_.runLoop().runFor(StatusBar::kFadeDuration / 2);
    EXPECT_FALSE(bar_.isFading());
    EXPECT_EQ(drawBar()->alpha, 1);
    EXPECT_TRUE(bar_.update(application_));  // the end of the fade is drawn once more
    EXPECT_FALSE(bar_.update(application_));
}

TEST_F(StatusBarTest, UpdateReportsOnlyRealChanges) {
    application_.setStatusBarHidden(false, false);
    EXPECT_TRUE(bar_.update(application_));
    EXPECT_FALSE(bar_.update(application_));
    wallClock_ += 30;  // same minute still? 20 s + 30 s
    EXPECT_FALSE(bar_.update(application_));
    wallClock_ += 15;  // the next minute
    EXPECT_TRUE(bar_.update(application_));
    application_.setStatusBarStyle(StatusBarStyle::BlackTranslucent, false);
    EXPECT_TRUE(bar_.update(application_));
    application_.setStatusBarHidden(true, false);
    EXPECT_TRUE(bar_.update(application_));
    EXPECT_FALSE(bar_.update(application_));
}

TEST_F(StatusBarTest, TranslucentStyleLetsHalfOfTheContentThrough) {
    application_.setStatusBarStyle(StatusBarStyle::BlackTranslucent, false);
    application_.setStatusBarHidden(false, false);
    bar_.update(application_);
    EXPECT_EQ(drawBar()->color, Color::white(0, 0.5f));
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
