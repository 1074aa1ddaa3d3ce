#include "platform/ui/SegmentedControl.h"

#include "platform/ui/Painter.h"

#include <algorithm>
#include <cmath>

namespace platform {
namespace {
constexpr float kRadius = 7;
constexpr Color kBorder = Color::white(0.55f);
constexpr Color kSelected = Color::rgb(0.0f, 0.47f, 0.93f);
constexpr Color kTitle = Color::white(0.3f);
}  // namespace

SegmentedControl::SegmentedControl(std::vector<std::string> titles, const Rect& frame)
    : Control(frame), titles_(std::move(titles)) {}

std::string SegmentedControl::titleForSegmentAtIndex(int index) const {
    return isValidSegment(index) ? titles_[static_cast<size_t>(index)] : std::string();
}

void SegmentedControl::setTitleForSegmentAtIndex(std::string title, int index) {
    if (!isValidSegment(index)) return;
    titles_[static_cast<size_t>(index)] = std::move(title);
    setNeedsDisplay();
}

void SegmentedControl::insertSegmentWithTitle(std::string title, int index) {
    index = std::clamp(index, 0, numberOfSegments());
    titles_.insert(titles_.begin() + index, std::move(title));
    if (selectedSegmentIndex_ >= index && isValidSegment(selectedSegmentIndex_ + 1))
        ++selectedSegmentIndex_;
    setNeedsDisplay();
}

void SegmentedControl::setSelectedSegmentIndex(int index) {
    if (index == selectedSegmentIndex_) return;
    selectedSegmentIndex_ = index;
    setNeedsDisplay();
}

Rect SegmentedControl::rectForSegmentAtIndex(int index) const {
    if (!isValidSegment(index)) return kRectZero;
    const Rect b = bounds();
    const float width = b.width() / static_cast<float>(numberOfSegments());
    return {b.x() + width * static_cast<float>(index), b.y(), width, b.height()};
}

int SegmentedControl::segmentAtPoint(Point point) const {
    const Rect b = bounds();
    if (numberOfSegments() == 0 || !b.contains(point)) return kNoSegment;
    const float width = b.width() / static_cast<float>(numberOfSegments());
    const int index = static_cast<int>(std::floor((point.x - b.x()) / width));
    return std::clamp(index, 0, numberOfSegments() - 1);
}

void SegmentedControl::touchesBegan(const TouchSet& touches, const Event& event) {
    touchedSegment_ = segmentAtPoint(touches.anyObject().locationInView(*this));
    Control::touchesBegan(touches, event);
}

void SegmentedControl::touchesEnded(const TouchSet& touches, const Event& event) {
    const bool inside = isTracking() && isTouchInside(touches.anyObject());
    Control::touchesEnded(touches, event);
    if (!inside) return;
    // A finger lifted just outside the bounds still means the segment it came down on.
    int segment = segmentAtPoint(touches.anyObject().locationInView(*this));
    if (segment == kNoSegment) segment = touchedSegment_;
    if (segment == kNoSegment || segment == selectedSegmentIndex_) return;
    setSelectedSegmentIndex(segment);
    sendActionsForControlEvents(kControlEventValueChanged);
}

void SegmentedControl::draw(Painter& painter) {
    View::draw(painter);
    const Rect b = bounds();
    painter.fillRoundedRect(b, kRadius, kBorder);
    painter.fillRoundedRect(b.insetBy(1, 1), kRadius - 1, Color::whiteColor());
    const Font font = Font::boldSystemFont(13);
    for (int i = 0; i < numberOfSegments(); ++i) {
        const Rect segment = rectForSegmentAtIndex(i);
        const bool selected = i == selectedSegmentIndex_;
        if (selected) {
            // Rounded where the segment meets an end of the control, square between segments.
            const Rect inner = b.insetBy(1, 1);
            const float left = std::max(segment.x(), inner.x());
            const Rect fill{left, inner.y(), std::min(segment.maxX(), inner.maxX()) - left,
                            inner.height()};
            const bool first = i == 0;
            const bool last = i == numberOfSegments() - 1;
            if (first || last) painter.fillRoundedRect(fill, kRadius - 1, kSelected);
            if (!first && !last)
                painter.fillRect(fill, kSelected);
            else if (!last)
                painter.fillRect({fill.midX(), fill.y(), fill.maxX() - fill.midX(), fill.height()},
                                 kSelected);
            else if (!first)
                painter.fillRect({fill.x(), fill.y(), fill.width() / 2, fill.height()}, kSelected);
        }
        if (i > 0) painter.fillRect({segment.x(), b.y() + 1, 1, b.height() - 2}, kBorder);
        painter.drawText(titles_[static_cast<size_t>(i)], font,
                         selected ? Color::whiteColor() : kTitle, segment, TextAlignment::Center);
    }
}

}  // namespace platform
