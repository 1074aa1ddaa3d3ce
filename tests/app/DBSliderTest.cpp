#include "app/DBSlider.h"

#include "platform/foundation/Bundle.h"
#include "platform/ui/Image.h"
#include "platform/ui/Window.h"
#include "tests/support/RecordingPainter.h"
#include "tests/support/TouchDriver.h"
#include "tests/support/UiTestEnvironment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace {
using platform::Bundle;
using platform::Point;
using platform::Rect;
using platform::TouchDriver;
using platform::View;

// The board's arrangement: window > host view > toolbar-like container > slider.
struct DBSliderTest : testing::Test {
    static constexpr float kSliderX = 100;
    static constexpr float kSliderWidth = 200;
    static constexpr float kContainerY = 392;
    static constexpr double kFade = View::kDefaultAnimationDuration;

    platform::UiTestEnvironment env;
    std::shared_ptr<platform::Window> window = env.makeKeyWindow();
    std::shared_ptr<View> host = std::make_shared<View>(Rect(0, 0, 320, 480));
    std::shared_ptr<View> container = std::make_shared<View>(Rect(0, kContainerY, 320, 44));
    std::shared_ptr<DBSlider> slider =
        std::make_shared<DBSlider>(Rect(kSliderX, 10, kSliderWidth, 23));
    int valueChanges = 0;

    DBSliderTest() {
        platform::services().bundle = std::make_shared<Bundle>(SOUNDBOARD_RESOURCES_DIR);
        window->addSubview(host);
        host->addSubview(container);
        container->addSubview(slider);
        slider->setMaximumValue(20);
        slider->addAction([this](platform::Control&) { ++valueChanges; },
                          platform::kControlEventValueChanged);
    }

    // A window point on the slider's middle line, `x` points from its left edge.
    Point onSlider(float x) const { return {kSliderX + x, kContainerY + 10 + 11}; }

    static platform::TouchSet touchAt(Point windowPoint) {
        return platform::TouchSet{{platform::Touch{windowPoint, windowPoint}}};
    }
};

TEST_F(DBSliderTest, ATouchSetsTheValueAtOnceByItsShareOfTheWidth) {
    TouchDriver::down(*window, onSlider(kSliderWidth / 2));
    EXPECT_FLOAT_EQ(slider->value(), 10);
    EXPECT_EQ(valueChanges, 1);
    TouchDriver::move(*window, onSlider(kSliderWidth / 4));
    EXPECT_FLOAT_EQ(slider->value(), 5);
    EXPECT_EQ(valueChanges, 2);
    TouchDriver::up(*window, onSlider(kSliderWidth));
    EXPECT_FLOAT_EQ(slider->value(), 5);  // lifting the finger changes nothing
    EXPECT_EQ(valueChanges, 2);

    TouchDriver::tap(*window, onSlider(0));
    EXPECT_FLOAT_EQ(slider->value(), 0);

    // The left edge gives 0, which a higher minimum turns into the minimum; the minimum takes
    // no part in the mapping.
    slider->setMinimumValue(2);
    TouchDriver::tap(*window, onSlider(0));
    EXPECT_FLOAT_EQ(slider->value(), 2);
    TouchDriver::tap(*window, onSlider(kSliderWidth / 2));
    EXPECT_FLOAT_EQ(slider->value(), 10);
}

TEST_F(DBSliderTest, DraggingPastEitherEndKeepsTheNearerBound) {
    TouchDriver::down(*window, onSlider(kSliderWidth / 2));
    TouchDriver::move(*window, onSlider(kSliderWidth + 60));
    EXPECT_FLOAT_EQ(slider->value(), 20);
    TouchDriver::move(*window, onSlider(-80));
    EXPECT_FLOAT_EQ(slider->value(), 0);
    TouchDriver::up(*window, onSlider(-80));
    EXPECT_FLOAT_EQ(slider->value(), 0);
}

TEST_F(DBSliderTest, ASliderWithoutWidthLeavesTheValueAlone) {
    slider->setFrame({kSliderX, 10, 0, 23});
    slider->setValue(7);
    // Nothing can be hit in no width, so the touches are handed over directly.
    const auto touch = touchAt(onSlider(0));
    slider->touchesBegan(touch, platform::Event{});
    EXPECT_FLOAT_EQ(slider->value(), 7);
    slider->touchesMoved(touchAt(onSlider(30)), platform::Event{});
    EXPECT_FLOAT_EQ(slider->value(), 7);
    slider->touchesEnded(touchAt(onSlider(30)), platform::Event{});
    EXPECT_FALSE(std::isnan(slider->value()));
}

TEST_F(DBSliderTest, ThePopOutIsMadeOnTheFirstTouchOnlyInTheHostView) {
    // Before any touch, thumb layouts leave the host view alone.
    slider->setValue(4);
    slider->setFrame({kSliderX, 10, kSliderWidth, 23});
    platform::RecordingPainter painter;
    window->renderTree(painter);
    // Moves and ends (which never come first from the window) change only the value.
    slider->touchesMoved(touchAt(onSlider(kSliderWidth / 2)), platform::Event{});
    EXPECT_FLOAT_EQ(slider->value(), 10);
    slider->touchesEnded(touchAt(onSlider(kSliderWidth / 2)), platform::Event{});
    EXPECT_EQ(slider->delayLabel(), nullptr);
    EXPECT_EQ(slider->delayLabelBackground(), nullptr);
    ASSERT_EQ(host->subviews().size(), 1u);

    TouchDriver::down(*window, onSlider(50));
    const auto label = slider->delayLabel();
    const auto bubble = slider->delayLabelBackground();
    ASSERT_NE(label, nullptr);
    ASSERT_NE(bubble, nullptr);
    ASSERT_EQ(host->subviews().size(), 3u);
    EXPECT_EQ(host->subviews()[1], bubble);  // the number is drawn over the bubble
    EXPECT_EQ(host->subviews()[2], label);
    EXPECT_TRUE(slider->subviews().empty());
    TouchDriver::up(*window, onSlider(50));

    // Later touches reuse it.
    TouchDriver::tap(*window, onSlider(120));
    EXPECT_EQ(slider->delayLabel(), label);
    EXPECT_EQ(slider->delayLabelBackground(), bubble);
    EXPECT_EQ(host->subviews().size(), 3u);

    // Going away, the slider leaves the views in the host view.
    slider->removeFromSuperview();
    slider.reset();
    EXPECT_EQ(host->subviews().size(), 3u);
}

// Its look is the screenshot's; here: it is made hidden, showing 0, wherever the value is.
TEST_F(DBSliderTest, ThePopOutStartsHiddenShowingZero) {
    slider->setValue(9);
    slider->loadDelayLabel();
    ASSERT_NE(slider->delayLabel(), nullptr);
    EXPECT_EQ(slider->delayLabel()->text(), "0");
    EXPECT_EQ(slider->delayLabel()->alpha(), 0);
    EXPECT_EQ(slider->delayLabelBackground()->alpha(), 0);
    platform::RecordingPainter painter;
    window->renderTree(painter);
    EXPECT_EQ(painter.findText("0"), nullptr) << "nothing of it is drawn";
}

// The number and its bubble ride above the thumb, centred on each other: their centre is 15
// points right of the slider's left edge at 0 and moves 1 + 1/90 points per second of delay.
TEST_F(DBSliderTest, ThePopOutFollowsTheThumbAndShowsTheWholePart) {
    TouchDriver::down(*window, onSlider(0));
    const auto label = slider->delayLabel();
    const auto bubble = slider->delayLabelBackground();
    struct Case {
        float value;
        float centreX;
        const char* text;
    };
    for (const Case c : {Case{0, 115, "0"}, Case{3, 118.0333f, "3"}, Case{12.75f, 127.8917f, "12"},
                         Case{20, 135.2222f, "20"}}) {
        slider->setValue(c.value);
        EXPECT_NEAR(label->frame().midX(), c.centreX, 1e-3) << c.value;
        EXPECT_NEAR(bubble->frame().midX(), c.centreX, 1e-3) << c.value;
        EXPECT_EQ(label->text(), c.text);
        // Only x moves.
        EXPECT_EQ(label->frame().y(), kContainerY - 62);
        EXPECT_EQ(bubble->frame().y(), kContainerY - 72);
    }

    // The slider's x at the time of layout counts; the container's y only at creation.
    const float before = label->frame().midX();
    container->setFrame({0, kContainerY - 100, 320, 44});
    slider->setFrame({kSliderX + 20, 10, kSliderWidth, 23});
    EXPECT_FLOAT_EQ(label->frame().midX(), before + 20);
    EXPECT_EQ(label->frame().y(), kContainerY - 62);
}

TEST_F(DBSliderTest, ThumbMovementShowsTheValueTruncatedWithoutOverflow) {
    slider->loadDelayLabel();
    const auto& label = slider->delayLabel();
    const auto textFor = [&](float value) {
        slider->thumbDidMove(value);
        return label->text();
    };
    EXPECT_EQ(textFor(7.9f), "7");
    EXPECT_EQ(textFor(0.4f), "0");
    EXPECT_EQ(textFor(20), "20");
    EXPECT_EQ(textFor(-2.5f), "-2");
    EXPECT_EQ(textFor(std::numeric_limits<float>::quiet_NaN()), "0");
    EXPECT_EQ(textFor(1e20f), "2147483647");
    EXPECT_EQ(textFor(-1e20f), "-2147483648");
    EXPECT_EQ(textFor(std::numeric_limits<float>::infinity()), "2147483647");
}

TEST_F(DBSliderTest, AValueSetByCodeMovesTheHiddenPopOutAndLeavesItHidden) {
    TouchDriver::tap(*window, onSlider(100));
    env.runLoop().runFor(1);
    const auto label = slider->delayLabel();
    const auto bubble = slider->delayLabelBackground();
    ASSERT_EQ(label->presentationAlpha(), 0);

    slider->setValue(0);
    EXPECT_EQ(label->text(), "0");
    EXPECT_FLOAT_EQ(label->frame().midX(), kSliderX + 15);
    EXPECT_FLOAT_EQ(bubble->frame().midX(), kSliderX + 15);
    EXPECT_EQ(label->alpha(), 0);
    EXPECT_EQ(bubble->alpha(), 0);
    EXPECT_FALSE(label->isAnimating());
    EXPECT_EQ(valueChanges, 1);  // the tap's change only: code sends nothing
}

TEST_F(DBSliderTest, ThePopOutFadesInWhileTouchedAndOutWhenLifted) {
    TouchDriver::down(*window, onSlider(40));
    const auto label = slider->delayLabel();
    const auto bubble = slider->delayLabelBackground();
    EXPECT_EQ(label->alpha(), 1);
    EXPECT_EQ(bubble->alpha(), 1);
    EXPECT_EQ(label->presentationAlpha(), 0);
    env.runLoop().runFor(kFade / 2);
    EXPECT_GT(label->presentationAlpha(), 0);
    EXPECT_LT(label->presentationAlpha(), 1);
    EXPECT_FLOAT_EQ(bubble->presentationAlpha(), label->presentationAlpha());
    env.runLoop().runFor(kFade);
    EXPECT_EQ(label->presentationAlpha(), 1);

    TouchDriver::move(*window, onSlider(60));
    EXPECT_EQ(label->presentationAlpha(), 1);  // stays shown while dragging

    TouchDriver::up(*window, onSlider(60));
    EXPECT_EQ(label->alpha(), 0);
    EXPECT_EQ(bubble->alpha(), 0);
    env.runLoop().runFor(kFade / 2);
    EXPECT_GT(label->presentationAlpha(), 0);
    EXPECT_LT(label->presentationAlpha(), 1);
    env.runLoop().runFor(kFade);
    EXPECT_EQ(label->presentationAlpha(), 0);
    EXPECT_EQ(bubble->presentationAlpha(), 0);
}

TEST_F(DBSliderTest, LiftingDuringTheFadeInTurnsItAroundFromWhatIsOnScreen) {
    TouchDriver::down(*window, onSlider(40));
    const auto label = slider->delayLabel();
    env.runLoop().runFor(kFade / 4);
    const float shown = label->presentationAlpha();
    ASSERT_GT(shown, 0);
    ASSERT_LT(shown, 1);

    TouchDriver::up(*window, onSlider(40));
    EXPECT_NEAR(label->presentationAlpha(), shown, 1e-4);
    env.runLoop().runFor(kFade / 4);
    EXPECT_LT(label->presentationAlpha(), shown);
    env.runLoop().runFor(kFade);
    EXPECT_EQ(label->presentationAlpha(), 0);
}

TEST_F(DBSliderTest, ACancelledTouchLeavesThePopOutShownUntilATouchEnds) {
    TouchDriver::down(*window, onSlider(40));
    TouchDriver::cancel(*window, onSlider(40));
    env.runLoop().runFor(1);
    EXPECT_EQ(slider->delayLabel()->alpha(), 1);
    EXPECT_EQ(slider->delayLabel()->presentationAlpha(), 1);

    TouchDriver::tap(*window, onSlider(80));
    env.runLoop().runFor(1);
    EXPECT_EQ(slider->delayLabel()->presentationAlpha(), 0);
}

TEST_F(DBSliderTest, WithoutAHostViewThePopOutIsMadeButShownNowhere) {
    auto loose = std::make_shared<DBSlider>(Rect(kSliderX, 10, kSliderWidth, 23));
    loose->setMaximumValue(20);
    loose->touchesBegan(touchAt({kSliderX + 50, 20}), platform::Event{});
    ASSERT_NE(loose->delayLabel(), nullptr);
    EXPECT_EQ(loose->delayLabel()->superview(), nullptr);
    EXPECT_EQ(loose->delayLabel()->frame().y(), -62);  // no container: its y counts as 0

    // In a container that has no parent: the same.
    auto orphanContainer = std::make_shared<View>(Rect(0, 50, 320, 44));
    auto inContainer = std::make_shared<DBSlider>(Rect(0, 10, kSliderWidth, 23));
    orphanContainer->addSubview(inContainer);
    inContainer->loadDelayLabel();
    EXPECT_EQ(inContainer->delayLabelBackground()->superview(), nullptr);
    EXPECT_EQ(inContainer->delayLabelBackground()->frame().y(), 50 - 72);
    EXPECT_EQ(orphanContainer->subviews().size(), 1u);
}

}  // namespace
