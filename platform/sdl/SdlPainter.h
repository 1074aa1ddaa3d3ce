#pragma once

#include <memory>
#include <vector>

#include "platform/sdl/FontCache.h"
#include "platform/sdl/TextTextureCache.h"
#include "platform/sdl/TextureCache.h"
#include "platform/ui/Painter.h"

namespace platform {

// Draws the view tree with an SDL renderer at a scale (pixels per point, possibly fractional)
// from an origin (pixels). Every rectangle is converted to whole pixels by rounding its edges,
// so adjacent views meet without gaps or overlaps at any scale; text is rasterised at the font
// size times the scale, and lines are whole pixels thick.
//
// The state stack holds translation (points), alpha and clip (pixels). Images and text lines
// become textures that are cached for the painter's lifetime (text: the most recent lines).
class SdlPainter final : public Painter {
public:
    // `renderer` is not owned and must outlive the painter. Fonts may be shared between
    // painters; a painter without a font cache makes its own.
    SdlPainter(SDL_Renderer* renderer, float scale, std::shared_ptr<FontCache> fonts = {});

    float scale() const { return scale_; }
    // Where point (0, 0) lands, in pixels, and how many pixels a point takes (the window's
    // layout); takes effect from the next reset().
    void setLayout(float scale, Point origin);
    // Starts a frame: no translation, full alpha, no clip, an empty state stack.
    void reset();
    const TextTextureCache& textCache() const { return textCache_; }

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

private:
    struct State {
        float dx = 0;
        float dy = 0;
        float alpha = 1;
        bool clipped = false;
        SDL_Rect clip{};  // pixels; meaningful when clipped
    };

    SDL_Rect toPixels(const Rect& rect) const;
    // False when nothing drawn now could show: transparent, or clipped to nothing.
    bool canDraw() const;
    Uint8 alphaByte(float alpha) const;
    void setDrawColor(Color color, float coverage = 1);
    void applyClip();
    TTF_Font* fontFor(const Font& font);

    SDL_Renderer* renderer_;  // non-owning
    float scale_;
    Point origin_;
    std::shared_ptr<FontCache> fonts_;
    TextureCache images_;
    TextTextureCache textCache_;
    State state_;
    std::vector<State> saved_;
};

}  // namespace platform
