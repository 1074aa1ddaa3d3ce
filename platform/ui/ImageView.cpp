#include "platform/ui/ImageView.h"

#include "platform/ui/Painter.h"

namespace platform {

ImageView::ImageView(const Rect& frame) : View(frame) { setUserInteractionEnabled(false); }

ImageView::ImageView(std::shared_ptr<const Image> image)
    : View(image ? Rect(0, 0, image->size().width, image->size().height) : kRectZero),
      image_(std::move(image)) {
    setUserInteractionEnabled(false);
}

void ImageView::setImage(std::shared_ptr<const Image> image) {
    if (image == image_) return;
    image_ = std::move(image);
    setNeedsDisplay();
}

void ImageView::draw(Painter& painter) {
    View::draw(painter);
    if (!image_) return;
    const Rect b = bounds();
    if (contentMode() == ContentMode::Center) {
        const Size size = image_->size();
        painter.drawImage(*image_, {b.midX() - size.width / 2, b.midY() - size.height / 2,
                                    size.width, size.height});
    } else {
        painter.drawImage(*image_, b);
    }
}

}  // namespace platform
