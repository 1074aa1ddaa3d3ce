#pragma once

#include "platform/ui/Control.h"

namespace platform {

// A horizontal slider: a track, filled blue up to a round white thumb, and a value within
// [minimumValue, maximumValue].
//
// A touch anywhere on the slider moves the value to the touch's place across the slider's full
// width (min + x / width * (max - min)); a slider of zero width changes nothing. ValueChanged is
// sent at most once per touch began or moved, when the value then differs from the value last
// reported; values set from code while no finger is on the slider send nothing and count as
// reported.
//
// Subclasses may hook setValue(), thumbRectForBounds() (called on every thumb layout: each
// setValue(), each frame change and each draw) and the touch handlers (touchesEnded is
// Control's: the value does not change when the finger lifts), calling the base handler after
// their own work.
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

    void setFrame(const Rect& frame) override;
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void draw(Painter& painter) override;

private:
    void layoutThumb();
    bool isTouchOnSlider() const;
    void followTouch(const Touch& touch);

    float value_ = 0;
    float minimumValue_ = 0;
    float maximumValue_ = 1;
    float reportedValue_ = 0;
    Rect thumbRect_;
};

}  // namespace platform
