#pragma once

#include "platform/ui/Geometry.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Touch.h"

#include <memory>
#include <optional>

// The delay slider. A touch anywhere on it sets the value at once to the touch's share of the
// slider's width times the maximum value, and dragging follows the finger. While a finger is on
// it, a pop-out (a bubble with the value's whole part in large type) fades in above the thumb,
// follows it, and fades out when the finger lifts.
//
// The pop-out's two views are made on the first touch and added to the host view: the parent
// of the slider's container. The slider retains them but never removes them; they stay in the
// host view, shown and hidden only by their alpha. Their place comes from the slider's frame x
// and the container's frame y and assumes that the thumb's centre is 15 points right of the
// slider's left edge at value 0 and moves 91/90 of a point per unit of value.
//
// The base slider maps touches to values through valueForTouchLocation() and sends the actions;
// every touch handler here calls the base handler after its own work.
class DBSlider : public platform::Slider {
public:
    explicit DBSlider(const platform::Rect& frame = platform::kRectZero);

    void setValue(float value) override;
    // The touch's share of the slider's width times the maximum value; the minimum takes no
    // part in it (a result below it is stored as the minimum). nullopt without width.
    std::optional<float> valueForTouchLocation(platform::Point location) const override;
    // Moves the pop-out (once it exists) to `value` and shows the value's whole part in it.
    void thumbDidMove(float value) override;

    void touchesBegan(const platform::TouchSet& touches, const platform::Event& event) override;
    void touchesMoved(const platform::TouchSet& touches, const platform::Event& event) override;
    void touchesEnded(const platform::TouchSet& touches, const platform::Event& event) override;

    // Makes the pop-out, invisible, and adds it to the host view (bubble first, number over
    // it). Without a container or host view the views are made but shown nowhere.
    void loadDelayLabel();

    const std::shared_ptr<platform::Label>& delayLabel() const { return delayLabel_; }
    void setDelayLabel(std::shared_ptr<platform::Label> label) { delayLabel_ = std::move(label); }
    const std::shared_ptr<platform::ImageView>& delayLabelBackground() const {
        return delayLabelBackground_;
    }
    void setDelayLabelBackground(std::shared_ptr<platform::ImageView> background) {
        delayLabelBackground_ = std::move(background);
    }

private:
    // Fades both pop-out views to `alpha`, continuing from what is on screen.
    void fadeDelayLabel(float alpha);

    std::shared_ptr<platform::Label> delayLabel_;
    std::shared_ptr<platform::ImageView> delayLabelBackground_;
};
