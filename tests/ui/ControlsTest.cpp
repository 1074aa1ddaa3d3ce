#include "platform/ui/Button.h"
#include "platform/ui/Control.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Window.h"
#include "tests/support/RecordingPainter.h"
#include "tests/support/TouchDriver.h"
#include "tests/support/UiTestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <vector>

namespace platform {
namespace {

struct ControlsTest : testing::Test {
    UiTestEnvironment env;
    std::shared_ptr<Window> window = env.makeKeyWindow();
    std::map<uint32_t, int> events;

    template <class T>
    std::shared_ptr<T> place(std::shared_ptr<T> control) {
        window->addSubview(control);
        for (uint32_t event :
             {kControlEventTouchDown, kControlEventTouchUpInside, kControlEventValueChanged})
            control->addAction([this, event](Control&) { ++events[event]; }, event);
        return control;
    }
    int count(uint32_t event) { return events[event]; }
};

TEST_F(ControlsTest, TouchDownOnBeganTouchUpInsideOnlyWithinTheMargin) {
    auto control = place(std::make_shared<Control>(Rect(100, 100, 50, 50)));
    TouchDriver::tap(*window, {125, 125});
    EXPECT_EQ(count(kControlEventTouchDown), 1);
    EXPECT_EQ(count(kControlEventTouchUpInside), 1);

    // Sliding a little way off still counts as inside; the highlight follows the finger.
    TouchDriver::down(*window, {125, 125});
    EXPECT_TRUE(control->isHighlighted());
    EXPECT_TRUE(control->isTracking());
    TouchDriver::move(*window, {150 + Control::kTouchMargin - 1, 125});
    EXPECT_TRUE(control->isHighlighted());
    TouchDriver::up(*window, {150 + Control::kTouchMargin - 1, 125});
    EXPECT_EQ(count(kControlEventTouchUpInside), 2);
    EXPECT_FALSE(control->isHighlighted());

    // Dragged away, it is no tap; coming back makes it one again.
    TouchDriver::down(*window, {125, 125});
    TouchDriver::move(*window, {300, 400});
    EXPECT_FALSE(control->isHighlighted());
    TouchDriver::up(*window, {300, 400});
    EXPECT_EQ(count(kControlEventTouchUpInside), 2);
    TouchDriver::drag(*window, {125, 125}, {125, 300}, 4);
    EXPECT_EQ(count(kControlEventTouchUpInside), 2);
    TouchDriver::down(*window, {125, 125});
    TouchDriver::move(*window, {300, 400});
    TouchDriver::move(*window, {130, 130});
    TouchDriver::up(*window, {130, 130});
    EXPECT_EQ(count(kControlEventTouchUpInside), 3);
    EXPECT_EQ(count(kControlEventTouchDown), 5);

    // A cancelled touch ends tracking without an action.
    TouchDriver::down(*window, {125, 125});
    TouchDriver::cancel(*window, {125, 125});
    EXPECT_FALSE(control->isTracking());
    EXPECT_FALSE(control->isHighlighted());
    EXPECT_EQ(count(kControlEventTouchUpInside), 3);
}

TEST_F(ControlsTest, DisabledControlsIgnoreTouchesAndReportTheirState) {
    auto control = place(std::make_shared<Control>(Rect(0, 0, 50, 50)));
    control->setSelected(true);
    control->setEnabled(false);
    TouchDriver::tap(*window, {10, 10});
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(control->state(), kControlStateDisabled | kControlStateSelected);

    // Disabling in the middle of a touch ends it.
    control->setEnabled(true);
    TouchDriver::down(*window, {10, 10});
    EXPECT_EQ(control->state(), kControlStateHighlighted | kControlStateSelected);
    control->setEnabled(false);
    TouchDriver::up(*window, {10, 10});
    EXPECT_EQ(count(kControlEventTouchUpInside), 0);
}

class Receiver {
public:
    virtual ~Receiver() = default;
    int calls = 0;
    Control* sender = nullptr;
    void received(Control& control) {
        ++calls;
        sender = &control;
    }
};
class DerivedReceiver : public Receiver {};

TEST_F(ControlsTest, TargetsAreNotOwnedAndMayDeclareTheActionInABaseClass) {
    auto control = place(std::make_shared<Control>(Rect(0, 0, 50, 50)));
    auto receiver = std::make_shared<DerivedReceiver>();
    control->addTarget(receiver, &Receiver::received, kControlEventTouchUpInside);
    std::weak_ptr<DerivedReceiver> weak = receiver;

    TouchDriver::tap(*window, {10, 10});
    EXPECT_EQ(receiver->calls, 1);
    EXPECT_EQ(receiver->sender, control.get());
    receiver.reset();
    EXPECT_TRUE(weak.expired());
    TouchDriver::tap(*window, {10, 10});  // its target gone, the action is skipped
    EXPECT_EQ(count(kControlEventTouchUpInside), 2);

    // An action may take the control out of the tree while the others still run.
    std::weak_ptr<Control> weakControl = control;
    control->addAction([](Control& sender) { sender.removeFromSuperview(); },
                       kControlEventTouchDown);
    control.reset();
    TouchDriver::tap(*window, {10, 10});
    EXPECT_EQ(count(kControlEventTouchDown), 3);
    EXPECT_TRUE(weakControl.expired());
}

struct ButtonTest : ControlsTest {
    std::shared_ptr<const Image> checked =
        std::make_shared<const Image>("/images/checked.png", Size{30, 30}, 2.0f);
    std::shared_ptr<const Image> unchecked =
        std::make_shared<const Image>("/images/unchecked.png", Size{30, 30}, 2.0f);
    std::shared_ptr<const Image> back =
        std::make_shared<const Image>("/images/back.png", Size{10, 10}, 1.0f);
};

TEST_F(ButtonTest, StatesWithoutTheirOwnContentShowTheNormalState) {
    auto button = place(Button::buttonWithType(ButtonType::Custom));
    button->setFrame({0, 0, 100, 40});
    button->setTitle("Loop", kControlStateNormal);
    button->setTitleColor(Color::gray(), kControlStateNormal);
    button->setImage(checked, kControlStateNormal);
    button->setBackgroundImage(back, kControlStateNormal);
    button->setTitle("Looping", kControlStateHighlighted);

    EXPECT_EQ(button->titleLabel()->text(), "Loop");
    EXPECT_EQ(button->titleLabel()->textColor(), Color::gray());
    TouchDriver::down(*window, {50, 20});
    EXPECT_EQ(button->currentTitle(), "Looping");
    EXPECT_EQ(button->titleLabel()->text(), "Looping");
    EXPECT_EQ(button->titleLabel()->textColor(), Color::gray());
    EXPECT_EQ(button->currentImage(), checked);
    EXPECT_EQ(button->currentBackgroundImage(), back);
    TouchDriver::up(*window, {50, 20});
    EXPECT_EQ(button->titleLabel()->text(), "Loop");

    button->setImage(unchecked, kControlStateHighlighted);
    EXPECT_EQ(button->imageForState(kControlStateHighlighted), unchecked);
    button->setImage(nullptr, kControlStateHighlighted);
    EXPECT_EQ(button->imageForState(kControlStateHighlighted), checked);
    EXPECT_EQ(button->imageForState(kControlStateNormal), checked);
    EXPECT_EQ(Button().titleForState(kControlStateNormal), "");
}

TEST_F(ButtonTest, DrawsBackgroundStretchedImageCentredAndTitleBeside) {
    auto button = place(Button::buttonWithType(ButtonType::Custom));
    button->setFrame({10, 20, 80, 44});
    button->setBackgroundImage(back, kControlStateNormal);
    button->setImage(checked, kControlStateNormal);

    RecordingPainter painter;
    window->renderTree(painter);
    ASSERT_EQ(painter.images().size(), 2u);
    EXPECT_EQ(painter.images()[0].path, back->path());
    EXPECT_EQ(painter.images()[0].destination, (Rect{10, 20, 80, 44}));
    EXPECT_EQ(painter.images()[1].path, checked->path());
    EXPECT_EQ(painter.images()[1].destination, (Rect{35, 27, 30, 30}));
    EXPECT_TRUE(painter.texts().empty());

    button->setTitle("Delay", kControlStateNormal);
    painter.clear();
    window->renderTree(painter);
    EXPECT_EQ(painter.images()[1].destination, (Rect{10, 27, 30, 30}));
    ASSERT_NE(painter.findText("Delay"), nullptr);
    EXPECT_EQ(painter.findText("Delay")->box, (Rect{40, 20, 50, 44}));
    EXPECT_EQ(painter.findText("Delay")->alignment, TextAlignment::Center);
}

TEST_F(ButtonTest, RoundedRectDrawsItsBoxAndTurnsBlueWhileHighlighted) {
    auto button = place(Button::buttonWithType(ButtonType::RoundedRect));
    EXPECT_EQ(button->buttonType(), ButtonType::RoundedRect);
    button->setFrame({0, 0, 100, 40});
    button->setTitle("About", kControlStateNormal);

    RecordingPainter normal;
    window->renderTree(normal);
    ASSERT_GE(normal.fills().size(), 2u);
    EXPECT_EQ(normal.fills()[0].shape, RecordingPainter::Shape::RoundedRect);
    EXPECT_EQ(normal.fills()[0].rect, (Rect{0, 0, 100, 40}));
    EXPECT_EQ(normal.fills()[1].color, Color::whiteColor());
    const Color normalTitle = normal.findText("About")->color;

    TouchDriver::down(*window, {50, 20});
    RecordingPainter highlighted;
    window->renderTree(highlighted);
    EXPECT_NE(highlighted.fills()[1].color, Color::whiteColor());
    EXPECT_EQ(highlighted.findText("About")->color, Color::whiteColor());
    EXPECT_NE(normalTitle, Color::whiteColor());
}

TEST_F(ButtonTest, ACustomButtonWithABackgroundColourBrightensWhileHighlighted) {
    auto button = place(Button::buttonWithType(ButtonType::Custom));
    button->setFrame({0, 0, 100, 40});
    button->setBackgroundColor(Color::gray());
    RecordingPainter normal;
    window->renderTree(normal);
    TouchDriver::down(*window, {50, 20});
    RecordingPainter highlighted;
    window->renderTree(highlighted);
    ASSERT_EQ(highlighted.fills().size(), normal.fills().size() + 1);
    EXPECT_EQ(highlighted.fills().back().rect, (Rect{0, 0, 100, 40}));
    EXPECT_LT(highlighted.fills().back().color.alpha, 1);
}

TEST_F(ControlsTest, SwitchTogglesOnTapAndNotFromCode) {
    auto toggle = place(std::make_shared<Switch>(Rect(20, 30, 10, 10)));
    EXPECT_EQ(toggle->frame(), (Rect{20, 30, Switch::kWidth, Switch::kHeight}));
    toggle->setFrame({0, 0, 300, 300});
    EXPECT_EQ(toggle->frame().size, (Size{Switch::kWidth, Switch::kHeight}));

    TouchDriver::tap(*window, {40, 10});
    EXPECT_TRUE(toggle->isOn());
    EXPECT_EQ(count(kControlEventValueChanged), 1);
    TouchDriver::tap(*window, {40, 10});
    EXPECT_FALSE(toggle->isOn());
    EXPECT_EQ(count(kControlEventValueChanged), 2);

    toggle->setOn(true, true);
    toggle->setOn(false, false);
    EXPECT_EQ(count(kControlEventValueChanged), 2);

    TouchDriver::down(*window, {40, 10});
    TouchDriver::move(*window, {40, 300});
    TouchDriver::up(*window, {40, 300});
    EXPECT_FALSE(toggle->isOn());
    EXPECT_EQ(count(kControlEventValueChanged), 2);
}

TEST_F(ControlsTest, SwitchKnobSlidesWhenAnimatedAndCaptionFollowsTheState) {
    auto toggle = place(std::make_shared<Switch>());
    ASSERT_EQ(toggle->subviews().size(), 1u);
    const auto& knob = toggle->subviews().front();
    EXPECT_EQ(knob->frame(), Switch::knobFrame(false));

    toggle->setOn(true, true);
    EXPECT_EQ(knob->frame(), Switch::knobFrame(true));
    EXPECT_EQ(knob->presentationFrame(), Switch::knobFrame(false));
    env.runLoop().runFor(View::kDefaultAnimationDuration / 2);
    EXPECT_FLOAT_EQ(knob->presentationFrame().x(), Switch::knobFrame(true).x() / 2);
    env.runLoop().runFor(View::kDefaultAnimationDuration / 2);
    EXPECT_EQ(knob->presentationFrame(), Switch::knobFrame(true));

    RecordingPainter on;
    window->renderTree(on);
    EXPECT_EQ(on.textStrings(), std::vector<std::string>{"ON"});
    toggle->setOn(false);
    EXPECT_EQ(knob->presentationFrame(), Switch::knobFrame(false));  // not animated: at once
    RecordingPainter off;
    window->renderTree(off);
    EXPECT_EQ(off.textStrings(), std::vector<std::string>{"OFF"});
}

struct SliderTest : ControlsTest {
    std::shared_ptr<Slider> slider = place(std::make_shared<Slider>(Rect(10, 100, 200, 23)));
    void SetUp() override { slider->setMaximumValue(10); }
};

TEST_F(SliderTest, KeepsItsValueWithinTheRange) {
    slider->setMinimumValue(2);
    slider->setValue(11);
    EXPECT_FLOAT_EQ(slider->value(), 10);
    slider->setValue(-3);
    EXPECT_FLOAT_EQ(slider->value(), 2);
    slider->setValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_FLOAT_EQ(slider->value(), 2);
    slider->setValue(std::numeric_limits<float>::infinity());
    EXPECT_FLOAT_EQ(slider->value(), 10);
    slider->setMaximumValue(6);  // the value follows a narrowed range
    EXPECT_FLOAT_EQ(slider->value(), 6);
    slider->setMinimumValue(8);  // a minimum above the maximum raises the maximum
    EXPECT_FLOAT_EQ(slider->maximumValue(), 8);
    EXPECT_FLOAT_EQ(slider->value(), 8);
    EXPECT_EQ(count(kControlEventValueChanged), 0);  // code changes send nothing
}

TEST_F(SliderTest, ATouchSetsTheValueAcrossTheFullWidth) {
    TouchDriver::tap(*window, {110, 110});  // the middle of the frame
    EXPECT_FLOAT_EQ(slider->value(), 5);
    EXPECT_EQ(count(kControlEventValueChanged), 1);

    slider->setMinimumValue(2);
    slider->setMaximumValue(12);
    TouchDriver::tap(*window, {60, 110});  // a quarter of the way
    EXPECT_FLOAT_EQ(slider->value(), 4.5f);
    TouchDriver::tap(*window, {10, 110});  // the left edge
    EXPECT_FLOAT_EQ(slider->value(), 2);
    EXPECT_EQ(count(kControlEventValueChanged), 3);
}

TEST_F(SliderTest, DraggingPastTheEndsStopsAtTheBoundsAndReportsOnlyChanges) {
    TouchDriver::down(*window, {110, 110});
    TouchDriver::move(*window, {190, 110});
    EXPECT_FLOAT_EQ(slider->value(), 9);
    TouchDriver::move(*window, {260, 110});
    EXPECT_FLOAT_EQ(slider->value(), 10);
    TouchDriver::move(*window, {300, 110});  // still the maximum: nothing to report
    TouchDriver::move(*window, {-40, 400});  // far away, even vertically: the minimum
    EXPECT_FLOAT_EQ(slider->value(), 0);
    TouchDriver::up(*window, {110, 110});  // lifting changes nothing
    EXPECT_FLOAT_EQ(slider->value(), 0);
    EXPECT_EQ(count(kControlEventValueChanged), 4);  // 5, 9, 10, 0
}

TEST_F(SliderTest, ZeroWidthChangesNothing) {
    slider->setFrame({10, 100, 0, 23});
    slider->setValue(3);
    EXPECT_NE(window->hitTest({10, 110}), slider.get());  // no area to hit: call it directly
    slider->touchesBegan({{Touch{{10, 110}, {10, 110}, TouchPhase::Began, 0, 1}}}, {});
    slider->touchesMoved({{Touch{{50, 110}, {10, 110}, TouchPhase::Moved, 0, 1}}}, {});
    EXPECT_FLOAT_EQ(slider->value(), 3);
    EXPECT_FALSE(std::isnan(slider->thumbRect().x()));
    EXPECT_EQ(count(kControlEventValueChanged), 0);
}

TEST_F(SliderTest, AValueSetFromCodeCountsAsReported) {
    slider->setValue(5);  // the delay reset, say
    TouchDriver::tap(*window, {110, 110});
    EXPECT_EQ(count(kControlEventValueChanged), 0);
    TouchDriver::tap(*window, {130, 110});
    EXPECT_EQ(count(kControlEventValueChanged), 1);
}

// Maps a touch to a quarter of the value its share of the width stands for, and records each
// thumb movement.
class QuarterSlider : public Slider {
public:
    using Slider::Slider;
    std::vector<float> moves;

    std::optional<float> valueForTouchLocation(Point location) const override {
        return location.x / frame().width() * maximumValue() / 4;
    }

protected:
    void thumbDidMove(float value) override { moves.push_back(value); }
};

TEST_F(ControlsTest, ASubclassMapsTouchesItsOwnWayAndSeesTheThumbMoveButNotWhileDrawn) {
    auto slider = place(std::make_shared<QuarterSlider>(Rect(0, 0, 100, 23)));
    slider->setMinimumValue(1);
    slider->setMaximumValue(10);
    slider->moves.clear();
    TouchDriver::tap(*window, {60, 10});
    EXPECT_FLOAT_EQ(slider->value(), 1.5f);  // the subclass's mapping alone counts
    EXPECT_EQ(count(kControlEventValueChanged), 1);

    slider->setValue(7);
    slider->setFrame({0, 0, 120, 23});
    EXPECT_EQ(slider->moves, (std::vector<float>{1.5f, 7, 7}));
    RecordingPainter painter;
    window->renderTree(painter);
    EXPECT_EQ(slider->moves.size(), 3u);
}

TEST_F(SliderTest, ThumbTravelsBetweenFixedInsets) {
    const float edge = Slider::kTrackInset + Slider::kThumbSize / 2;
    EXPECT_FLOAT_EQ(slider->thumbRect().midX(), edge);
    slider->setValue(10);
    EXPECT_FLOAT_EQ(slider->thumbRect().midX(), 200 - edge);
    slider->setValue(5);
    EXPECT_FLOAT_EQ(slider->thumbRect().midX(), 100);
    EXPECT_FLOAT_EQ(slider->thumbRect().midY(), 11.5f);

    RecordingPainter painter;
    window->renderTree(painter);
    // The filled part of the track runs from its start to the thumb's centre.
    const auto filled =
        std::find_if(painter.fills().begin(), painter.fills().end(), [](const auto& fill) {
            return fill.rect.x() == 10 + Slider::kTrackInset &&
                   fill.rect.height() == Slider::kTrackHeight && fill.rect.width() < 190;
        });
    ASSERT_NE(filled, painter.fills().end());
    EXPECT_FLOAT_EQ(filled->rect.maxX(), 110);
}

TEST_F(ControlsTest, SegmentedControlSelectsTheTappedSegmentOnce) {
    auto control = place(std::make_shared<SegmentedControl>(
        std::vector<std::string>{"None", "Last", "Random", "Sweep"}, Rect(0, 0, 200, 40)));
    EXPECT_EQ(control->selectedSegmentIndex(), SegmentedControl::kNoSegment);
    EXPECT_EQ(control->segmentAtPoint({149, 5}), 2);
    EXPECT_EQ(control->rectForSegmentAtIndex(3), (Rect{150, 0, 50, 40}));

    TouchDriver::tap(*window, {120, 20});
    EXPECT_EQ(control->selectedSegmentIndex(), 2);
    EXPECT_EQ(count(kControlEventValueChanged), 1);
    TouchDriver::tap(*window, {110, 20});  // the selected segment again: no change
    EXPECT_EQ(count(kControlEventValueChanged), 1);
    TouchDriver::down(*window, {10, 20});  // lifted just below: the segment it came down on
    TouchDriver::up(*window, {10, 60});
    EXPECT_EQ(control->selectedSegmentIndex(), 0);
    EXPECT_EQ(count(kControlEventValueChanged), 2);

    control->setSelectedSegmentIndex(3);
    EXPECT_EQ(count(kControlEventValueChanged), 2);
    control->insertSegmentWithTitle("First", 0);
    EXPECT_EQ(control->selectedSegmentIndex(), 4);
    EXPECT_EQ(control->titleForSegmentAtIndex(4), "Sweep");
}

TEST_F(ControlsTest, SegmentedControlKeepsAnOutOfRangeIndexButShowsNoSelection) {
    auto control = place(std::make_shared<SegmentedControl>(std::vector<std::string>{"A", "B"},
                                                            Rect(0, 0, 100, 40)));
    control->setSelectedSegmentIndex(1);
    RecordingPainter selected;
    window->renderTree(selected);
    EXPECT_EQ(selected.findText("B")->color, Color::whiteColor());
    EXPECT_NE(selected.findText("A")->color, Color::whiteColor());

    control->setSelectedSegmentIndex(7);
    EXPECT_EQ(control->selectedSegmentIndex(), 7);
    RecordingPainter none;
    window->renderTree(none);
    EXPECT_EQ(none.findText("A")->color, none.findText("B")->color);
    EXPECT_NE(none.findText("B")->color, Color::whiteColor());
}

}  // namespace
}  // namespace platform
