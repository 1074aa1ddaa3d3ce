#pragma once

#include "platform/ui/Control.h"

#include <memory>

namespace platform {

// An on/off switch of fixed size: a rounded track, blue with "ON" when on and light grey with
// "OFF" when off, and a knob that slides to the side of the state. A tap (touch up inside)
// toggles it and sends ValueChanged once; setting the state from code sends nothing.
class Switch : public Control {
public:
    static constexpr float kWidth = 94;
    static constexpr float kHeight = 27;

    // Only the frame's origin is used: the size is always kWidth x kHeight.
    explicit Switch(const Rect& frame = kRectZero);

    bool isOn() const { return on_; }
    // Slides the knob over View::kDefaultAnimationDuration when animated.
    void setOn(bool on, bool animated = false);

    void setFrame(const Rect& frame) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void draw(Painter& painter) override;

    // The knob's frame for a state, in the switch's bounds.
    static Rect knobFrame(bool on);

private:
    bool on_ = false;
    std::shared_ptr<View> knob_;
};

}  // namespace platform
