#include "tests/app/BoardFixture.h"

#include "platform/sensors/AccelerometerFeed.h"
#include "platform/ui/SegmentedControl.h"

#include <cmath>
#include <limits>

namespace {
using platform::Acceleration;
using platform::IndexPath;

class ShakeTest : public BoardFixture {
protected:
    void SetUp() override {
        for (const char* name : {"A", "B", "C", "D", "E"}) addClip(name, 0.2);
        launch();
    }
    // Lets the shake's playback happen and the 50 ignored samples pass, at rest.
    void settle() {
        for (int i = 0; i < 60; ++i) sample(0, 0, -1);
        env.runLoop().runFor(2.0);
    }
    void setMode(int mode) {
        platform::SegmentedControl control({"0", "1", "2", "3"});
        control.setSelectedSegmentIndex(mode);
        board().changeShakeType(control);
    }
    std::vector<std::string> played() {
        std::vector<std::string> names;
        for (const auto& [name, time] : plays()) names.push_back(name);
        return names;
    }
};

TEST_F(ShakeTest, MovementAboveOnePointFiveOfTheTruncatedSamplesIsAShake) {
    struct Case {
        Acceleration from, to;
        bool shake;
    };
    const Case cases[] = {
        {{0, 0, -1}, {0, 0, -1}, false},               // at rest
        {{0, 0, -1}, {1, 1, 0}, true},                 // sqrt 3
        {{0, 0, -1}, {1, 0, 0}, false},                // sqrt 2
        {{0, -1, 0}, {0, 1, 0}, true},                 // 2
        {{0.1, 0.1, -0.98}, {0.9, 0.9, -0.2}, false},  // within the same whole numbers
        {{0, 0, -1.3}, {0, 0, 0.98}, false},           // -1 to 0
    };
    for (const auto& c : cases) {
        log.clear();
        settle();
        sample(c.from.x, c.from.y, c.from.z);
        sample(c.to.x, c.to.y, c.to.z);
        EXPECT_EQ(logCount("Shaking"), c.shake ? 1u : 0u)
            << c.from.x << "," << c.from.y << "," << c.from.z << " -> " << c.to.x << "," << c.to.y
            << "," << c.to.z;
    }
}

TEST_F(ShakeTest, FiftySamplesAfterAShakeAreIgnored) {
    shake();
    for (int i = 0; i < 25; ++i) {  // a hard jerk every other sample for 50 samples
        sample(0, 0, -1);
        sample(3, 3, -1);
    }
    EXPECT_EQ(logCount("Shaking"), 1u);
    sample(0, 0, -1);  // the 51st sample after the shake counts again
    EXPECT_EQ(logCount("Shaking"), 2u);
}

TEST_F(ShakeTest, SilentModeLogsAndPlaysNothingAndLeavesALoopAlone) {
    EXPECT_EQ(storedShakeType(), 0) << "the first run's mode";
    shake();
    settle();
    EXPECT_EQ(logCount("Shaking"), 1u);
    EXPECT_TRUE(plays().empty());
}

TEST_F(ShakeTest, ReplayModeTapsTheRememberedRowWhileItExists) {
    setMode(1);
    shake();
    settle();
    EXPECT_TRUE(plays().empty()) << "nothing remembered yet";

    tapRow(4);
    settle();
    shake();
    settle();
    EXPECT_EQ(played(), (std::vector<std::string>{"E", "E"}));

    // Fewer rows now: the remembered row is gone and forgotten.
    board().editTable();
    board().hideAll(*button("Hide All"));
    board().showAll(*button("Show All"));
    clip("A")->setHidden(true);
    board().editTable();
    shake();
    settle();
    EXPECT_FALSE(board().shakeSoundIndexPath());
    EXPECT_EQ(played().size(), 2u);
}

TEST_F(ShakeTest, RandomModePicksARowOfTheCurrentModeAndAnEmptyListPlaysNothing) {
    setMode(2);
    clip("A")->setHidden(true);
    for (int i = 0; i < 20; ++i) {
        shake();
        settle();
    }
    ASSERT_EQ(played().size(), 20u);
    for (const auto& name : played()) EXPECT_NE(name, "A") << "hidden clips are not rows";

    for (const auto& c : board().sounds()) c->setHidden(true);
    shake();
    settle();
    EXPECT_EQ(played().size(), 20u);
}

TEST_F(ShakeTest, SweepModeTapsRowsOneToLastSoTheLastOnePlays) {
    setMode(3);
    shake();
    settle();
    EXPECT_EQ(played(), std::vector<std::string>{"E"});
    EXPECT_EQ(board().shakeSoundIndexPath(), IndexPath::forRow(4, 0));

    for (const char* name : {"C", "D", "E"}) clip(name)->setHidden(true);
    shake();
    settle();
    EXPECT_EQ(played().back(), "B") << "with two rows: row 1";

    clip("B")->setHidden(true);
    shake();
    settle();
    EXPECT_EQ(played().size(), 2u) << "with one row: nothing";
}

TEST_F(ShakeTest, UnknownModesLogDefaultAndPlayNothing) {
    for (int mode : {7, -1}) {
        setMode(mode);
        log.clear();
        shake();
        settle();
        EXPECT_EQ(log, (std::vector<std::string>{"Shaking", "Shake: default"}));
    }
    EXPECT_TRUE(plays().empty());
}

TEST_F(ShakeTest, ChosenModeIsUsedAtOnceAndAfterARestart) {
    setMode(3);
    shake();
    settle();
    EXPECT_EQ(played(), (std::vector<std::string>{"E"})) << "a sweep ends on the last row";
    platform::BarButtonItem sender("About");
    interface->delegate()->about(sender);  // stores the configuration, as opening About does
    env.runLoop().runFor(1.0);
    restart();
    shake();
    settle();
    EXPECT_EQ(played(), (std::vector<std::string>{"E", "E"}));
}

TEST_F(ShakeTest, ShakeKeyWithoutASensorShakesAtMostOnceASecondAndThenLetsTheLoopSleep) {
    setMode(3);  // each shake plays the last row, E
    auto feed = platform::AccelerometerFeed::start(nullptr);
    env.runLoop().runFor(3.0);
    const auto press = [&](double thenWait) {
        platform::services().accelerometer->jolt();
        env.runLoop().runFor(thenWait);
    };
    press(0.5);
    press(0.6);  // within a second of the first shake: ignored
    press(3.0);  // 1.1 s after it: shakes again
    EXPECT_EQ(played(), (std::vector<std::string>{"E", "E"}));
    EXPECT_FALSE(env.runLoop().nextFireTime()) << "at rest nothing is left to wake the loop";

    press(3.0);
    EXPECT_EQ(played().size(), 3u);
}

TEST_F(ShakeTest, BrokenSamplesTruncateWithoutUndefinedBehaviour) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    sample(nan, nan, nan);  // NaN counts as 0: no movement from rest at 0
    EXPECT_EQ(logCount("Shaking"), 0u);
    sample(inf, -inf, 1e300);
    EXPECT_EQ(logCount("Shaking"), 1u);
    settle();
    sample(-1e300, inf, -inf);
    sample(inf, -inf, inf);
    EXPECT_EQ(logCount("Shaking"), 2u);
}

}  // namespace
