#include "platform/ui/Label.h"

namespace platform {

Label::Label(const Rect& frame) : View(frame) { setUserInteractionEnabled(false); }

void Label::setText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    setNeedsDisplay();
}

void Label::setFont(Font font) {
    if (font == font_) return;
    font_ = std::move(font);
    setNeedsDisplay();
}

void Label::setTextColor(Color color) {
    if (color == textColor_) return;
    textColor_ = color;
    setNeedsDisplay();
}

void Label::setHighlightedTextColor(std::optional<Color> color) {
    if (color == highlightedTextColor_) return;
    highlightedTextColor_ = color;
    setNeedsDisplay();
}

void Label::setHighlighted(bool highlighted) {
    if (highlighted == highlighted_) return;
    highlighted_ = highlighted;
    setNeedsDisplay();
}

void Label::setTextAlignment(TextAlignment alignment) {
    if (alignment == textAlignment_) return;
    textAlignment_ = alignment;
    setNeedsDisplay();
}

Color Label::currentTextColor() const {
    return highlighted_ && highlightedTextColor_ ? *highlightedTextColor_ : textColor_;
}

void Label::draw(Painter& painter) {
    View::draw(painter);
    if (text_.empty()) return;
    painter.drawText(text_, font_, currentTextColor(), bounds(), textAlignment_);
}

}  // namespace platform
