#pragma once

#include "platform/ui/Font.h"
#include "platform/ui/Painter.h"
#include "platform/ui/View.h"

#include <optional>
#include <string>

namespace platform {

// One line of text in the label's bounds, vertically centred. A label takes no touches: they
// go to the view behind it.
class Label : public View {
public:
    explicit Label(const Rect& frame = kRectZero);

    const std::string& text() const { return text_; }
    void setText(std::string text);
    const Font& font() const { return font_; }
    void setFont(Font font);
    Color textColor() const { return textColor_; }
    void setTextColor(Color color);
    // The colour while highlighted; without one the text colour stays.
    std::optional<Color> highlightedTextColor() const { return highlightedTextColor_; }
    void setHighlightedTextColor(std::optional<Color> color);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    TextAlignment textAlignment() const { return textAlignment_; }
    void setTextAlignment(TextAlignment alignment);

    // The colour the text is drawn in now.
    Color currentTextColor() const;

    void draw(Painter& painter) override;

private:
    std::string text_;
    Font font_ = Font::systemFont(17);
    Color textColor_ = Color::black();
    std::optional<Color> highlightedTextColor_;
    bool highlighted_ = false;
    TextAlignment textAlignment_ = TextAlignment::Left;
};

}  // namespace platform
