#pragma once

#include "platform/ui/Painter.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

// A painter that draws nothing and records what would be drawn, with every rectangle turned
// into absolute (window) points, the alpha in effect and the clip, so tests can assert what
// is on screen. Text is measured as `characterWidth` em per character, 1.2 em high.
class RecordingPainter : public Painter {
public:
    enum class Shape { Rect, RoundedRect, Stroke };
    struct Fill {
        Shape shape;
        Rect rect;
        Color color;
        float alpha;
        std::optional<Rect> clip;
    };
    struct Text {
        std::string text;
        Font font;
        Color color;
        Rect box;
        TextAlignment alignment;
        float alpha;
        std::optional<Rect> clip;
    };
    struct ImageDraw {
        std::string path;
        Rect destination;
        float alpha;
        std::optional<Rect> clip;
    };

    explicit RecordingPainter(float characterWidth = 0.5f) : characterWidth_(characterWidth) {}

    void save() override;
    void restore() override;
    void translate(float dx, float dy) override;
    void multiplyAlpha(float alpha) override;
    void clipTo(const Rect& rect) override;
    void fillRect(const Rect& rect, Color color) override;
    void fillRoundedRect(const Rect& rect, float radius, Color color) override;
    void strokeRect(const Rect& rect, Color color) override;
    void drawImage(const Image& image, const Rect& destination) override;
    void drawText(const std::string& text, const Font& font, Color color, const Rect& box,
                  TextAlignment alignment) override;
    Size measureText(const std::string& text, const Font& font) override;

    const std::vector<Fill>& fills() const { return fills_; }
    const std::vector<Text>& texts() const { return texts_; }
    const std::vector<ImageDraw>& images() const { return images_; }
    // The first drawing of `text`, or nullptr.
    const Text* findText(const std::string& text) const;
    // The texts drawn, in order.
    std::vector<std::string> textStrings() const;
    // How many save() calls are not yet restored.
    size_t saveDepth() const { return states_.size() - 1; }
    // Forgets the recordings (not the state).
    void clear();

private:
    struct State {
        float dx = 0;
        float dy = 0;
        float alpha = 1;
        std::optional<Rect> clip;
    };
    Rect absolute(const Rect& rect) const;
    void recordFill(Shape shape, const Rect& rect, Color color);

    float characterWidth_;
    std::vector<State> states_{State{}};
    std::vector<Fill> fills_;
    std::vector<Text> texts_;
    std::vector<ImageDraw> images_;
};

}  // namespace platform
