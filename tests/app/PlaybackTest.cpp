#include "tests/app/BoardFixture.h"

#include "app/DBSlider.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Window.h"
#include "tests/support/TouchDriver.h"

namespace {

// Plays of a clip of 1.2 s and one of 0.5 s, in virtual time.
class PlaybackTest : public BoardFixture {
protected:
    void SetUp() override {
        addClip("Bell", 1.2);
        addClip("Horn", 0.5);
        launch();
        loopSwitch = findView<platform::Switch>();
        slider = findView<DBSlider>();
        ASSERT_TRUE(loopSwitch && slider && button("Loop") && button("Delay"));
        // Measure the clips so that the first tap already knows their lengths.
        clip("Bell")->play();
        clip("Horn")->play();
        measuredPlays = plays().size();
    }
    void turnLoopOn() {
        loopSwitch->setOn(true, false);
        board().loopSound(*loopSwitch);
    }
    void slideTo(float value) {
        slider->setValue(value);
        board().delaySound(*slider);
    }
    // Start times of the plays since set-up, relative to `origin`.
    std::vector<double> startTimes(double origin = 0) {
        std::vector<double> times;
        const auto all = plays();
        for (size_t i = measuredPlays; i < all.size(); ++i) times.push_back(all[i].second - origin);
        return times;
    }
    // The plays in the `seconds` after a tap on `row`.
    size_t startsAfterTap(int row, double seconds) {
        const size_t before = startTimes().size();
        tapRow(row);
        env.runLoop().runFor(seconds);
        return startTimes().size() - before;
    }
    static void expectTimes(const std::vector<double>& actual,
                            const std::vector<double>& expected) {
        ASSERT_EQ(actual.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-6) << i;
    }

    std::shared_ptr<platform::Switch> loopSwitch;
    std::shared_ptr<DBSlider> slider;
    size_t measuredPlays = 0;
};

TEST_F(PlaybackTest, LoopWithoutDelayRepeatsEveryDurationUntilTurnedOff) {
    turnLoopOn();
    const double t0 = env.clock().now();
    tapRow(0);
    env.runLoop().runFor(4.0);
    expectTimes(startTimes(t0), {0, 1.2, 2.4, 3.6});

    loopSwitch->setOn(false, false);
    board().loopSound(*loopSwitch);
    env.runLoop().runFor(5.0);
    EXPECT_EQ(startTimes().size(), 4u) << "turning looping off stops the next repeat";
    EXPECT_EQ(startsAfterTap(1, 3.0), 1u) << "the next tap plays once";
}

TEST_F(PlaybackTest, RepeatsKeepTheTapsOwnTimeNotWhenItWasHandled) {
    turnLoopOn();
    const double tapped = env.clock().now();
    env.clock().advanceTo(tapped + 0.001);  // the tap is handled 1 ms after the finger lifted
    {
        const platform::RunLoop::EventScope scope(env.runLoop(), tapped);
        tapRow(0);
    }
    env.runLoop().runFor(2.5);
    // The first play is asked for as the tap is handled, and stamped with the tap's time.
    expectTimes(startTimes(tapped), {0.001, 1.2, 2.4});
}

TEST_F(PlaybackTest, LoopWithDelayStartsAfterTheDelayNormallyAndAtOnceInEditMode) {
    turnLoopOn();
    slideTo(2.0f);
    double t0 = env.clock().now();
    tapRow(0);
    env.runLoop().runFor(9.0);
    expectTimes(startTimes(t0), {2.0, 5.2, 8.4});

    board().loopSound(*button("Loop"));
    board().editTable();
    turnLoopOn();
    const size_t before = startTimes().size();
    t0 = env.clock().now();
    tapRow(0);
    env.runLoop().runFor(7.0);
    auto times = startTimes(t0);
    times.erase(times.begin(), times.begin() + static_cast<long>(before));
    expectTimes(times, {0, 3.2, 6.4});
}

TEST_F(PlaybackTest, WithoutLoopATappedClipPlaysOnceAfterTheDelay) {
    slideTo(2.5f);
    const double t0 = env.clock().now();
    tapRow(1);
    env.runLoop().runFor(10.0);
    expectTimes(startTimes(t0), {2.5});
    EXPECT_FALSE(board().timer());
}

TEST_F(PlaybackTest, SwitchTurnedOnWhileTheClipWaitsMakesItLoop) {
    slideTo(1.0f);
    const double t0 = env.clock().now();
    tapRow(1);
    turnLoopOn();
    env.runLoop().runFor(4.0);
    expectTimes(startTimes(t0), {1.0, 2.5, 4.0});
}

TEST_F(PlaybackTest, SwitchTurnedOnAfterTheClipFinishedPlaysNothing) {
    tapRow(1);
    env.runLoop().runFor(1.0);
    turnLoopOn();
    env.runLoop().runFor(5.0);
    EXPECT_EQ(startTimes().size(), 1u);
}

TEST_F(PlaybackTest, LoopLabelStopsTheLoopAndTurnsTheSwitchOff) {
    turnLoopOn();
    tapRow(0);
    env.runLoop().runFor(1.3);
    board().loopSound(*button("Loop"));
    EXPECT_FALSE(loopSwitch->isOn());
    env.runLoop().runFor(5.0);
    EXPECT_EQ(startTimes().size(), 2u);

    board().loopSound(*button("Loop"));  // looping already off: it stays off
    EXPECT_FALSE(loopSwitch->isOn());
    EXPECT_EQ(startsAfterTap(1, 3.0), 1u) << "the next tap plays once";
}

TEST_F(PlaybackTest, SliderChangeStopsALoopOnlyOnceTheDelayIsAboveZero) {
    turnLoopOn();
    const double t0 = env.clock().now();
    tapRow(0);
    env.runLoop().runFor(0.5);
    slideTo(1.0f);  // delay was 0: sets it, cancels nothing
    env.runLoop().runFor(1.0);
    slideTo(3.0f);  // delay now above 0: the loop stops
    env.runLoop().runFor(10.0);
    expectTimes(startTimes(t0), {0, 1.2});
    EXPECT_TRUE(loopSwitch->isOn());
    const size_t before = startTimes().size();
    const double tapped = env.clock().now();
    tapRow(0);
    env.runLoop().runFor(7.5);
    auto times = startTimes(tapped);
    times.erase(times.begin(), times.begin() + static_cast<long>(before));
    expectTimes(times, {3.0, 7.2});  // the next tap loops, after the new delay
}

TEST_F(PlaybackTest, DelayLabelResetsTheDelayAndSliderAndCancelsAWaitingClip) {
    slideTo(3.0f);
    tapRow(1);
    board().delaySound(*button("Delay"));
    EXPECT_EQ(slider->value(), 0.0f);
    env.runLoop().runFor(10.0);
    EXPECT_TRUE(startTimes().empty());

    tapRow(1);  // delay 0: the label cancels nothing
    board().delaySound(*button("Delay"));
    env.runLoop().runUntilIdle();
    EXPECT_EQ(startTimes().size(), 1u);
}

TEST_F(PlaybackTest, SliderValueIsTheDelayUnrounded) {
    slideTo(2.7f);
    const double t0 = env.clock().now();
    tapRow(1);
    env.runLoop().runFor(3.0);
    expectTimes(startTimes(t0), {2.7});
}

TEST_F(PlaybackTest, TapOnAnotherRowReplacesTheLoop) {
    turnLoopOn();
    const double t0 = env.clock().now();
    tapRow(0);
    env.runLoop().runFor(1.0);
    tapRow(1);
    env.runLoop().runFor(1.1);
    const auto all = plays();
    std::vector<std::string> names;
    for (size_t i = measuredPlays; i < all.size(); ++i) names.push_back(all[i].first);
    EXPECT_EQ(names, (std::vector<std::string>{"Bell", "Horn", "Horn", "Horn"}));
    expectTimes(startTimes(t0), {0, 1.0, 1.5, 2.0});
}

TEST_F(PlaybackTest, LoopGoesOnWhileTheAboutScreenIsOpen) {
    turnLoopOn();
    tapRow(1);
    platform::BarButtonItem sender("About");
    interface->delegate()->about(sender);
    env.runLoop().runFor(2.1);
    EXPECT_EQ(startTimes().size(), 5u);
}

TEST_F(PlaybackTest, LoopingClipWithoutLengthOrDelayDoesNotSpin) {
    folder.writeFile("Resources/Silent.wav", "");
    restart();
    loopSwitch = findView<platform::Switch>();
    turnLoopOn();
    const auto rows = rowTitles();
    const int row = static_cast<int>(std::find(rows.begin(), rows.end(), "Silent") - rows.begin());
    sound->setRegistrationStatus((resources() / "Silent.wav").string(), -1);
    tapRow(row);
    env.runLoop().runUntilIdle();  // would never return if the clip rescheduled itself at 0
    EXPECT_FALSE(board().timer());
    EXPECT_EQ(logCount("Error -1 loading sound: Silent (0.00 secs)"), 1u);
}

}  // namespace

TEST_F(PlaybackTest, ARepeatHeldBackByADragSetsTheNextOneFromWhenItPlayed) {
    turnLoopOn();
    slideTo(2.0f);
    const double t0 = env.clock().now();
    tapRow(0);  // plays at 2.0; repeats due every 3.2 s
    env.runLoop().runFor(5.19);

    // A wake-up 15 ms late is absorbed: the repeat after it keeps the 3.2 s grid.
    env.runLoop().setMode(platform::kTrackingRunLoopMode);
    env.runLoop().runFor(0.025);
    env.runLoop().setMode(platform::kDefaultRunLoopMode);
    env.runLoop().runFor(3.3);

    // A finger drags the list across the repeat due at 11.6; it plays when the drag ends.
    auto& window = *interface->delegate()->window();
    const platform::Point start{160, 150};
    platform::TouchDriver::down(window, start);
    env.runLoop().runFor(0.05);
    platform::TouchDriver::move(window, {start.x, start.y + 40});
    env.runLoop().runFor(4.0);
    platform::TouchDriver::up(window, {start.x, start.y + 40});
    const double released = env.clock().now() - t0;
    env.runLoop().runFor(4.0);

    const auto times = startTimes(t0);
    ASSERT_EQ(times.size(), 5u) << testing::PrintToString(times) << " released " << released;
    EXPECT_NEAR(times[1], 5.215, 1e-6);
    EXPECT_NEAR(times[2], 8.4, 1e-6) << "a small wake-up delay does not shift the loop";
    EXPECT_NEAR(times[3], released, 1e-6) << "the held-back repeat plays when the drag ends";
    EXPECT_NEAR(times[4], released + 3.2, 1e-6) << "the next comes a full period later";
}
