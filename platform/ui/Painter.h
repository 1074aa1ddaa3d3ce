#pragma once

#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"

#include <string>

namespace platform {

class Image;

enum class TextAlignment { Left = 0, Center = 1, Right = 2 };

// What a view draws with. Coordinates are points in the current space, which the view tree
// sets up with translate() before each view draws itself; alpha multiplies into the state.
class Painter {
public:
    virtual ~Painter() = default;

    virtual void save() = 0;
    virtual void restore() = 0;
    virtual void translate(float dx, float dy) = 0;
    virtual void multiplyAlpha(float alpha) = 0;
    // Intersects the clip with `rect` (current space).
    virtual void clipTo(const Rect& rect) = 0;

    virtual void fillRect(const Rect& rect, Color color) = 0;
    virtual void fillRoundedRect(const Rect& rect, float radius, Color color) = 0;
    virtual void strokeRect(const Rect& rect, Color color) = 0;
    virtual void drawImage(const Image& image, const Rect& destination) = 0;
    // One line of text, vertically centred in `box`, aligned horizontally within it, cut at its
    // right edge.
    virtual void drawText(const std::string& text, const Font& font, Color color, const Rect& box,
                          TextAlignment alignment) = 0;
    virtual Size measureText(const std::string& text, const Font& font) = 0;
};

}  // namespace platform
