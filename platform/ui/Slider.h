#pragma once

#include "platform/ui/Control.h"

#include <optional>

namespace platform {

// A horizontal slider: a track, filled blue up to a round white thumb, and a value within
// [minimumValue, maximumValue].
//
// A touch anywhere on the slider moves the value to the value the touch's place stands for
// (valueForTouchLocation(): by default its share of the full width across the range); a slider
// of zero width changes nothing. ValueChanged is sent at most once per touch began or moved,
// when the value then differs from the value last reported; values set from code while no
// finger is on the slider send nothing and count as reported.
//
// Subclasses may override the touch-to-value mapping, setValue(), thumbDidMove() (called after
// every thumb layout: each setValue() and each frame change, never while drawing) and the touch
// handlers (touchesEnded is Control's: the value does not change when the finger lifts), calling
// the base handler after their own work.
class Slider : public Control {
public:
    static constexpr float kThumbSize = 24;
    static constexpr float kTrackInset = 3;
    static constexpr float kTrackHeight = 9;

    explicit Slider(const Rect& frame = kRectZero);

    float value() const { return value_; }
    // Stores the nearer bound for a value outside the range, and the minimum for NaN.
    virtual void setValue(float value);
    float minimumValue() const { return minimumValue_; }
    void setMinimumValue(float value);
    float maximumValue() const { return maximumValue_; }
    void setMaximumValue(float value);

    // The track: inset kTrackInset from each side, kTrackHeight high, centred vertically.
    Rect trackRectForBounds(const Rect& bounds) const;
    // The thumb: kThumbSize square, its centre kTrackInset + kThumbSize / 2 from the left at the
    // minimum and travelling (width - 2 * kTrackInset - kThumbSize) over the range.
    virtual Rect thumbRectForBounds(const Rect& bounds, const Rect& trackRect, float value) const;
    // The thumb's rectangle at the last layout.
    Rect thumbRect() const { return thumbRect_; }
    // The value a touch at `location` (in the slider's bounds) stands for: minimum + x / width
    // x (maximum - minimum). nullopt leaves the value alone (a slider without width).
    virtual std::optional<float> valueForTouchLocation(Point location) const;

    void setFrame(const Rect& frame) override;
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void draw(Painter& painter) override;

protected:
    // Called after each thumb layout with the value the thumb now stands for.
    virtual void thumbDidMove(float /*value*/) {}

private:
    void layoutThumb();
    void followTouch(const Touch& touch);

    float value_ = 0;
    float minimumValue_ = 0;
    float maximumValue_ = 1;
    float reportedValue_ = 0;
    Rect thumbRect_;
};

}  // namespace platform
