#include "platform/ui/BarButton.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/Image.h"
#include "platform/ui/Painter.h"

namespace platform {
namespace {
constexpr float kPadding = 10;
constexpr float kMinimumWidth = 32;
constexpr float kArrowWidth = 10;  // the point of a back button
constexpr float kCornerRadius = 5;
constexpr float kAverageGlyphWidth = 0.6f;  // of the font size, for bold Latin text
constexpr Color kBorder = Color::white(0.05f, 0.9f);
constexpr Color kFill = Color::white(0.28f);
constexpr Color kFillPressed = Color::white(0.12f);
constexpr Color kDoneFill = Color::rgb(0.2f, 0.42f, 0.85f);
constexpr Color kDoneFillPressed = Color::rgb(0.12f, 0.28f, 0.65f);
constexpr Color kSheen = Color::white(1, 0.1f);
constexpr Color kGlow = Color::white(1, 0.3f);
}  // namespace

BarButton::BarButton(std::shared_ptr<BarButtonItem> item, Shape shape)
    : item_(std::move(item)), shape_(shape) {
    addAction(
        [](Control& sender) {
            // The item is held for the call: its action may take the button off the bar.
            const auto item = static_cast<BarButton&>(sender).item_;
            item->trigger();
        },
        kControlEventTouchUpInside);
}

float BarButton::estimatedTextWidth(const std::string& text, float fontSize) {
    // Counts characters, not the bytes of their UTF-8 encoding.
    const auto characters = std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    return std::ceil(static_cast<float>(characters) * fontSize * kAverageGlyphWidth);
}

float BarButton::preferredWidth() const {
    const float content = item_->image() ? item_->image()->size().width
                                         : estimatedTextWidth(item_->title(), kFontSize);
    const float arrow = shape_ == Shape::Back ? kArrowWidth / 2 : 0;
    return std::max(content + 2 * kPadding + arrow, kMinimumWidth);
}

void BarButton::drawBox(Painter& painter, const Rect& box) const {
    const bool done = item_->style() == BarButtonItemStyle::Done;
    const Color fill =
        isHighlighted() ? (done ? kDoneFillPressed : kFillPressed) : (done ? kDoneFill : kFill);
    painter.fillRoundedRect(box, kCornerRadius, kBorder);
    const Rect inner = box.insetBy(1, 1);
    painter.fillRoundedRect(inner, kCornerRadius - 1, fill);
    painter.fillRect({inner.x() + 2, inner.y() + 1, inner.width() - 4, inner.height() / 2 - 1},
                     kSheen);
}

void BarButton::draw(Painter& painter) {
    const Rect b = bounds();
    Rect content = b;
    switch (shape_) {
        case Shape::Plain:
            if (isHighlighted()) painter.fillRoundedRect(b, kCornerRadius, kGlow);
            break;
        case Shape::Bordered:
            drawBox(painter, b);
            break;
        case Shape::Back: {
            const Rect box{b.x() + kArrowWidth, b.y(), b.width() - kArrowWidth, b.height()};
            drawBox(painter, box);
            // The point: one-point rows, widest in the middle.
            const Color fill = isHighlighted() ? kFillPressed : kFill;
            const float half = b.height() / 2;
            for (float y = 1; y < b.height() - 1; ++y) {
                const float reach = kArrowWidth * (1 - std::abs(y + 0.5f - half) / half);
                painter.fillRect({b.x() + kArrowWidth - reach, b.y() + y, reach + 1, 1}, fill);
            }
            content = {box.x(), box.y(), box.width() - kArrowWidth / 2, box.height()};
            break;
        }
    }
    if (const auto& image = item_->image()) {
        const Size size = image->size();
        painter.drawImage(*image, {content.midX() - size.width / 2,
                                   content.midY() - size.height / 2, size.width, size.height});
    } else {
        painter.drawText(item_->title(), Font::boldSystemFont(kFontSize), Color::whiteColor(),
                         content, TextAlignment::Center);
    }
}

}  // namespace platform
