#pragma once

#include "platform/ui/Geometry.h"

namespace platform {

// Where the screen goes in a window of any size, in pixels.
//
// The screens are 320 points wide. A portrait window (height at least kPortraitRatio times the
// width) is filled: the scale is width / 320, possibly fractional, and the screen is as many
// points tall as the height allows, so the extra height goes to the views that stretch. A
// landscape or near-square window shows the 320 x 480 point screen scaled to the window's
// height and centred across it; what is left on both sides stays background.
struct WindowLayout {
    static constexpr Size kScreen{320, 480};
    static constexpr float kPortraitRatio = 1.25f;
    // The smallest window, in pixels, that still shows the list and both toolbars.
    static constexpr Size kMinimumWindow{320, 400};

    float scale = 1;       // pixels per point
    Size points{kScreen};  // the screen's size in points
    Point origin;          // the screen's top left corner in the window, in pixels

    // The layout for a window of `width` x `height` pixels; an empty window gets scale 1.
    static WindowLayout forPixels(float width, float height);

    // A place in the window, in pixels, as a point on the screen.
    Point pointAt(Point pixel) const {
        return {(pixel.x - origin.x) / scale, (pixel.y - origin.y) / scale};
    }
};

}  // namespace platform
