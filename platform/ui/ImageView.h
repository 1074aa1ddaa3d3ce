#pragma once

#include "platform/ui/Image.h"
#include "platform/ui/View.h"

#include <memory>

namespace platform {

// Shows an image: at its own size centred (ContentMode::Center) or stretched over the bounds
// (ContentMode::ScaleToFill). Takes no touches: they go to the view behind it.
class ImageView : public View {
public:
    explicit ImageView(const Rect& frame = kRectZero);
    // The frame takes the image's size, at the origin.
    explicit ImageView(std::shared_ptr<const Image> image);

    const std::shared_ptr<const Image>& image() const { return image_; }
    void setImage(std::shared_ptr<const Image> image);

    void draw(Painter& painter) override;

private:
    std::shared_ptr<const Image> image_;
};

}  // namespace platform
