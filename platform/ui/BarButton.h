#pragma once

#include <memory>
#include <string>

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Control.h"

namespace platform {

// The view of a BarButtonItem on a toolbar or navigation bar: draws the item's title or image
// and runs the item's action on a tap (touch up inside). It reads the item each time it draws,
// so a new title shows at once; the bar sizes it from preferredWidth().
class BarButton : public Control {
public:
    enum class Shape {
        Plain,     // the title or image alone, glowing while pressed
        Bordered,  // a dark rounded box (blue for the Done style)
        Back,      // a bordered box pointing left
    };
    static constexpr float kHeight = 30;
    static constexpr float kFontSize = 12;

    BarButton(std::shared_ptr<BarButtonItem> item, Shape shape);

    const std::shared_ptr<BarButtonItem>& item() const { return item_; }
    Shape shape() const { return shape_; }
    // The width that fits the item's current title or image.
    float preferredWidth() const;
    // An estimate of the width of a line of bold text, for laying out before anything is drawn.
    static float estimatedTextWidth(const std::string& text, float fontSize);

    void draw(Painter& painter) override;

protected:
    void stateDidChange() override { setNeedsDisplay(); }

private:
    void drawBox(Painter& painter, const Rect& box) const;

    std::shared_ptr<BarButtonItem> item_;
    Shape shape_;
};

}  // namespace platform
