#include <gtest/gtest.h>

#include <optional>

#include "platform/sdl/TouchInput.h"

namespace platform {
namespace {

SDL_Event mouseButton(Uint32 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT, Uint32 which = 0) {
    SDL_Event event{};
    event.type = type;
    event.button.which = which;
    event.button.button = button;
    event.button.x = x;
    event.button.y = y;
    return event;
}

SDL_Event mouseMotion(int x, int y, Uint32 which = 0) {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.which = which;
    event.motion.x = x;
    event.motion.y = y;
    return event;
}

SDL_Event finger(Uint32 type, SDL_FingerID id, float x, float y, SDL_TouchID device = 1) {
    SDL_Event event{};
    event.type = type;
    event.tfinger.touchId = device;
    event.tfinger.fingerId = id;
    event.tfinger.x = x;
    event.tfinger.y = y;
    return event;
}

void expectSample(const std::optional<TouchInput::Sample>& sample, TouchPhase phase, Point at) {
    ASSERT_TRUE(sample.has_value());
    EXPECT_EQ(sample->phase, phase);
    EXPECT_FLOAT_EQ(sample->location.x, at.x);
    EXPECT_FLOAT_EQ(sample->location.y, at.y);
}

TEST(TouchInputTest, LeftButtonIsOneFingerInPoints) {
    TouchInput input({320, 480}, 2);  // window units are twice as fine as points
    expectSample(input.translate(mouseButton(SDL_MOUSEBUTTONDOWN, 100, 50)), TouchPhase::Began,
                 {50, 25});
    expectSample(input.translate(mouseMotion(120, 60)), TouchPhase::Moved, {60, 30});
    expectSample(input.translate(mouseButton(SDL_MOUSEBUTTONUP, 121, 61)), TouchPhase::Ended,
                 {60.5f, 30.5f});
    EXPECT_FALSE(input.cancel()) << "no touch is down";
}

TEST(TouchInputTest, MotionWithoutAButtonDownAndOtherButtonsAreNoTouch) {
    TouchInput input({320, 480}, 1);
    EXPECT_FALSE(input.translate(mouseMotion(10, 10)));
    EXPECT_FALSE(input.translate(mouseButton(SDL_MOUSEBUTTONDOWN, 10, 10, SDL_BUTTON_RIGHT)));
    EXPECT_FALSE(input.translate(mouseButton(SDL_MOUSEBUTTONUP, 10, 10, SDL_BUTTON_RIGHT)));
    EXPECT_FALSE(input.translate(mouseButton(SDL_MOUSEBUTTONUP, 10, 10)));
    EXPECT_FALSE(input.cancel()) << "no touch is down";
}

TEST(TouchInputTest, MouseCopiesOfTouchesAreIgnored) {
    TouchInput input({320, 480}, 1);
    EXPECT_FALSE(input.translate(
        mouseButton(SDL_MOUSEBUTTONDOWN, 10, 10, SDL_BUTTON_LEFT, SDL_TOUCH_MOUSEID)));
    EXPECT_FALSE(input.translate(mouseMotion(10, 10, SDL_TOUCH_MOUSEID)));
    EXPECT_FALSE(input.cancel()) << "no touch is down";
}

TEST(TouchInputTest, FirstFingerIsTrackedAndOthersIgnored) {
    TouchInput input({320, 480}, 3);
    expectSample(input.translate(finger(SDL_FINGERDOWN, 7, 0.5f, 0.25f)), TouchPhase::Began,
                 {160, 120});
    EXPECT_FALSE(input.translate(finger(SDL_FINGERDOWN, 8, 0.1f, 0.1f)));
    EXPECT_FALSE(input.translate(finger(SDL_FINGERMOTION, 8, 0.2f, 0.2f)));
    EXPECT_FALSE(input.translate(finger(SDL_FINGERUP, 8, 0.2f, 0.2f)));
    expectSample(input.translate(finger(SDL_FINGERMOTION, 7, 0.25f, 0.5f)), TouchPhase::Moved,
                 {80, 240});
    expectSample(input.translate(finger(SDL_FINGERUP, 7, 0.25f, 0.5f)), TouchPhase::Ended,
                 {80, 240});
    expectSample(input.translate(finger(SDL_FINGERDOWN, 8, 0, 1)), TouchPhase::Began, {0, 480});
}

TEST(TouchInputTest, TheSameFingerNumberOnAnotherDeviceIsAnotherFinger) {
    TouchInput input({320, 480}, 1);
    ASSERT_TRUE(input.translate(finger(SDL_FINGERDOWN, 0, 0.5f, 0.5f, 1)));
    EXPECT_FALSE(input.translate(finger(SDL_FINGERDOWN, 0, 0.1f, 0.1f, 2)));
    EXPECT_FALSE(input.translate(finger(SDL_FINGERMOTION, 0, 0.2f, 0.2f, 2)));
    EXPECT_FALSE(input.translate(finger(SDL_FINGERUP, 0, 0.2f, 0.2f, 2)));
    expectSample(input.translate(finger(SDL_FINGERUP, 0, 0.5f, 0.5f, 1)), TouchPhase::Ended,
                 {160, 240});
}

TEST(TouchInputTest, MouseAndFingerDoNotInterleave) {
    TouchInput input({320, 480}, 1);
    ASSERT_TRUE(input.translate(mouseButton(SDL_MOUSEBUTTONDOWN, 10, 10)));
    EXPECT_FALSE(input.translate(finger(SDL_FINGERDOWN, 1, 0.5f, 0.5f)));
    EXPECT_FALSE(input.translate(finger(SDL_FINGERUP, 1, 0.5f, 0.5f)));
    ASSERT_TRUE(input.translate(mouseButton(SDL_MOUSEBUTTONUP, 10, 10)));

    ASSERT_TRUE(input.translate(finger(SDL_FINGERDOWN, 1, 0.5f, 0.5f)));
    EXPECT_FALSE(input.translate(mouseButton(SDL_MOUSEBUTTONDOWN, 10, 10)));
    EXPECT_FALSE(input.translate(mouseMotion(12, 12)));
    EXPECT_FALSE(input.translate(mouseButton(SDL_MOUSEBUTTONUP, 10, 10)));
    EXPECT_TRUE(input.cancel()) << "the finger is still down";
}

TEST(TouchInputTest, CancelEndsATouchThatIsDownAtItsLastPlace) {
    TouchInput input({320, 480}, 1);
    EXPECT_FALSE(input.cancel());
    input.translate(mouseButton(SDL_MOUSEBUTTONDOWN, 10, 10));
    input.translate(mouseMotion(30, 40));
    expectSample(input.cancel(), TouchPhase::Cancelled, {30, 40});
    EXPECT_FALSE(input.cancel()) << "no touch is down";
    EXPECT_FALSE(input.translate(mouseButton(SDL_MOUSEBUTTONUP, 30, 40)));
}

}  // namespace
}  // namespace platform
