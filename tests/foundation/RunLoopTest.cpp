#include "platform/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace platform {
namespace {

struct RunLoopTest : testing::Test {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    RunLoop loop{clock};
    std::vector<std::string> fired;

    std::shared_ptr<Timer> schedule(double interval, std::string name,
                                    RunLoopModes modes = kDefaultRunLoopMode) {
        return Timer::scheduledTimer(
            loop, interval, nullptr, [this, name](Timer&) { fired.push_back(name); }, nullptr,
            modes);
    }
};

TEST_F(RunLoopTest, ZeroIntervalFiresOnTheNextPassNeverInsideTheSchedulingCall) {
    schedule(0, "outer");
    EXPECT_TRUE(fired.empty());

    // A timer scheduled while another fires waits for a later pass, even when already due.
    Timer::scheduledTimer(
        loop, 0, nullptr,
        [this](Timer&) {
            fired.push_back("first");
            schedule(0, "scheduled inside");
            EXPECT_EQ(fired.back(), "first");
        },
        nullptr);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(fired, (std::vector<std::string>{"outer", "first"}));
    loop.runOnce();
    EXPECT_EQ(fired.back(), "scheduled inside");
}

TEST_F(RunLoopTest, TimersFireAtTheirOwnTimesInOrder) {
    schedule(2.0, "two");
    schedule(0.5, "half");
    schedule(2.0, "two again");
    std::vector<double> times;
    Timer::scheduledTimer(
        loop, 1.25, nullptr, [&](Timer&) { times.push_back(clock->now()); }, nullptr);

    loop.runFor(1.0);
    EXPECT_EQ(fired, std::vector<std::string>{"half"});
    loop.runFor(1.0);
    EXPECT_EQ(fired, (std::vector<std::string>{"half", "two", "two again"}));
    EXPECT_EQ(times, std::vector<double>{1.25});
    EXPECT_DOUBLE_EQ(clock->now(), 2.0);
}

TEST_F(RunLoopTest, InvalidatedTimerNeverFiresAndReportsInvalid) {
    auto timer = schedule(1.0, "cancelled");
    EXPECT_TRUE(timer->isValid());
    timer->invalidate();
    EXPECT_FALSE(timer->isValid());
    loop.runFor(2.0);
    EXPECT_TRUE(fired.empty());
    EXPECT_FALSE(loop.nextFireTime().has_value());
}

TEST_F(RunLoopTest, FiredTimerIsInvalidAndHandsItsUserInfoToTheAction) {
    auto info = std::make_shared<std::string>("clip");
    std::string seen;
    bool validDuringFire = true;
    auto timer = Timer::scheduledTimer(
        loop, 0.1, nullptr,
        [&](Timer& t) {
            seen = *t.userInfo<std::string>();
            validDuringFire = t.isValid();
        },
        info);
    loop.runFor(0.1);
    EXPECT_EQ(seen, "clip");
    EXPECT_FALSE(validDuringFire);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(RunLoopTest, ScheduledTimerOwnsItsTargetUntilItFiresOrIsInvalidated) {
    auto target = std::make_shared<int>(7);
    std::weak_ptr<int> watch = target;
    auto weakTimer = std::weak_ptr<Timer>(schedule(1.0, "x"));
    Timer::scheduledTimer(
        loop, 1.0, std::move(target), [](Timer&) {}, nullptr);
    EXPECT_FALSE(watch.expired());
    loop.runFor(1.0);
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(weakTimer.expired()) << "the run loop gives a fired timer up";

    auto second = std::make_shared<int>(8);
    watch = second;
    auto timer = Timer::scheduledTimer(
        loop, 1.0, std::move(second), [](Timer&) {}, nullptr);
    timer->invalidate();
    EXPECT_TRUE(watch.expired());
}

TEST_F(RunLoopTest, DefaultModeTimersWaitWhileTrackingAndFireAfterwards) {
    schedule(0.1, "board");
    schedule(0.1, "animation", kCommonRunLoopModes);
    loop.setMode(kTrackingRunLoopMode);
    loop.runFor(1.0);
    EXPECT_EQ(fired, std::vector<std::string>{"animation"});
    EXPECT_FALSE(loop.nextFireTime().has_value());

    loop.setMode(kDefaultRunLoopMode);
    loop.runUntilIdle();
    EXPECT_EQ(fired, (std::vector<std::string>{"animation", "board"}));
}

TEST_F(RunLoopTest, DelayedCallRunsOnceAfterItsDelay) {
    int calls = 0;
    loop.performAfterDelay(0.3, [&] { ++calls; });
    loop.runFor(0.29);
    EXPECT_EQ(calls, 0);
    loop.runFor(0.01);
    EXPECT_EQ(calls, 1);
    loop.runFor(5);
    EXPECT_EQ(calls, 1);
}

TEST_F(RunLoopTest, TasksPostedFromOtherThreadsRunOnTheLoopAndWakeIt) {
    std::atomic<int> wakes{0};
    loop.setWakeHandler([&] { ++wakes; });
    int ran = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            for (int j = 0; j < 100; ++j) loop.post([&] { ++ran; });
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(ran, 0) << "posted work runs only inside a pass";
    loop.runUntilIdle();
    EXPECT_EQ(ran, 400);
    EXPECT_EQ(wakes, 400);
}

// Work is stamped with when it was due, not when the loop got to it: a late timer keeps its own
// time, and what an input event schedules counts from the event's timestamp.
TEST_F(RunLoopTest, DueTimeIsThatOfTheTimerOrInputEventBeingHandled) {
    std::vector<double> dueTimes;
    Timer::scheduledTimer(
        loop, 0.5, nullptr, [&](Timer&) { dueTimes.push_back(loop.dueTime()); }, nullptr);
    clock->advanceTo(0.503);  // the loop wakes 3 ms late
    loop.runUntilIdle();
    EXPECT_EQ(loop.dueTime(), 0.503) << "outside any handling, now";

    {
        const RunLoop::EventScope tap(loop, 0.501);  // handled 2 ms after it happened
        EXPECT_EQ(loop.dueTime(), 0.501);
        Timer::scheduledTimer(
            loop, 0, nullptr, [&](Timer&) { dueTimes.push_back(loop.dueTime()); }, nullptr);
        Timer::scheduledTimer(
            loop, 0.25, nullptr, [&](Timer&) { dueTimes.push_back(loop.dueTime()); }, nullptr);
    }
    loop.runFor(1);
    ASSERT_EQ(dueTimes.size(), 3u);
    EXPECT_EQ(dueTimes[0], 0.5);
    EXPECT_DOUBLE_EQ(dueTimes[1], 0.501);
    EXPECT_DOUBLE_EQ(dueTimes[2], 0.751);
}

}  // namespace
}  // namespace platform
