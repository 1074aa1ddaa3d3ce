#include "tests/support/RecordingPainter.h"

#include "platform/ui/Image.h"

#include <algorithm>

namespace platform {

void RecordingPainter::save() { states_.push_back(states_.back()); }

void RecordingPainter::restore() {
    // An unbalanced restore keeps the base state, so saveDepth() shows the fault.
    if (states_.size() > 1) states_.pop_back();
}

void RecordingPainter::translate(float dx, float dy) {
    states_.back().dx += dx;
    states_.back().dy += dy;
}

void RecordingPainter::multiplyAlpha(float alpha) { states_.back().alpha *= alpha; }

void RecordingPainter::clipTo(const Rect& rect) {
    Rect clip = absolute(rect);
    if (const auto& current = states_.back().clip) {
        const float left = std::max(clip.x(), current->x());
        const float top = std::max(clip.y(), current->y());
        const float right = std::min(clip.maxX(), current->maxX());
        const float bottom = std::min(clip.maxY(), current->maxY());
        clip = {left, top, std::max(right - left, 0.0f), std::max(bottom - top, 0.0f)};
    }
    states_.back().clip = clip;
}

Rect RecordingPainter::absolute(const Rect& rect) const {
    return rect.offsetBy(states_.back().dx, states_.back().dy);
}

void RecordingPainter::recordFill(Shape shape, const Rect& rect, Color color) {
    fills_.push_back({shape, absolute(rect), color, states_.back().alpha, states_.back().clip});
}

void RecordingPainter::fillRect(const Rect& rect, Color color) {
    recordFill(Shape::Rect, rect, color);
}

void RecordingPainter::fillRoundedRect(const Rect& rect, float, Color color) {
    recordFill(Shape::RoundedRect, rect, color);
}

void RecordingPainter::strokeRect(const Rect& rect, Color color) {
    recordFill(Shape::Stroke, rect, color);
}

void RecordingPainter::drawImage(const Image& image, const Rect& destination) {
    images_.push_back(
        {image.path(), absolute(destination), states_.back().alpha, states_.back().clip});
}

void RecordingPainter::drawText(const std::string& text, const Font& font, Color color,
                                const Rect& box, TextAlignment alignment) {
    texts_.push_back(
        {text, font, color, absolute(box), alignment, states_.back().alpha, states_.back().clip});
}

Size RecordingPainter::measureText(const std::string& text, const Font& font) {
    // Counts characters, not the continuation bytes of UTF-8 sequences.
    const auto characters =
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
    return {characterWidth_ * font.size * static_cast<float>(characters), 1.2f * font.size};
}

const RecordingPainter::Text* RecordingPainter::findText(const std::string& text) const {
    auto it = std::find_if(texts_.begin(), texts_.end(),
                           [&text](const Text& drawn) { return drawn.text == text; });
    return it == texts_.end() ? nullptr : &*it;
}

std::vector<std::string> RecordingPainter::textStrings() const {
    std::vector<std::string> strings;
    for (const auto& text : texts_) strings.push_back(text.text);
    return strings;
}

void RecordingPainter::clear() {
    fills_.clear();
    texts_.clear();
    images_.clear();
}

}  // namespace platform
