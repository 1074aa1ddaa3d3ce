#include "platform/sdl/SdlPainter.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/Image.h"

namespace platform {
namespace {

int toPixel(float points, float scale, float origin) {
    return static_cast<int>(std::floor(points * scale + origin + 0.5f));
}

int hairline(float points, float scale) {
    return std::max(1, static_cast<int>(std::lround(points * scale)));
}

Uint8 toByte(float component) {
    return static_cast<Uint8>(std::lround(std::clamp(component, 0.0f, 1.0f) * 255));
}

uint32_t rgbOf(Color color) {
    return uint32_t{toByte(color.red)} << 16 | uint32_t{toByte(color.green)} << 8 |
           toByte(color.blue);
}

}  // namespace

SdlPainter::SdlPainter(SDL_Renderer* renderer, float scale, std::shared_ptr<FontCache> fonts)
    : renderer_(renderer),
      scale_(scale > 0 ? scale : 1),
      fonts_(fonts ? std::move(fonts) : std::make_shared<FontCache>()),
      images_(renderer),
      textCache_(renderer) {
    reset();
}

void SdlPainter::setLayout(float scale, Point origin) {
    scale_ = scale > 0 ? scale : 1;
    origin_ = origin;
}

void SdlPainter::reset() {
    state_ = State{};
    saved_.clear();
    applyClip();
}

void SdlPainter::save() { saved_.push_back(state_); }

void SdlPainter::restore() {
    if (saved_.empty()) return;
    const bool clipChanged = saved_.back().clipped != state_.clipped ||
                             !SDL_RectEquals(&saved_.back().clip, &state_.clip);
    state_ = saved_.back();
    saved_.pop_back();
    if (clipChanged) applyClip();
}

void SdlPainter::translate(float dx, float dy) {
    state_.dx += dx;
    state_.dy += dy;
}

void SdlPainter::multiplyAlpha(float alpha) { state_.alpha *= std::clamp(alpha, 0.0f, 1.0f); }

void SdlPainter::clipTo(const Rect& rect) {
    SDL_Rect clip = toPixels(rect);
    if (state_.clipped) {
        SDL_Rect both{};
        if (!SDL_IntersectRect(&state_.clip, &clip, &both)) both = SDL_Rect{};
        clip = both;
    }
    state_.clipped = true;
    state_.clip = SDL_Rect{clip.x, clip.y, std::max(clip.w, 0), std::max(clip.h, 0)};
    applyClip();
}

void SdlPainter::applyClip() {
    SDL_RenderSetClipRect(renderer_, state_.clipped ? &state_.clip : nullptr);
}

SDL_Rect SdlPainter::toPixels(const Rect& rect) const {
    const int left = toPixel(rect.x() + state_.dx, scale_, origin_.x);
    const int top = toPixel(rect.y() + state_.dy, scale_, origin_.y);
    int right = toPixel(rect.maxX() + state_.dx, scale_, origin_.x);
    int bottom = toPixel(rect.maxY() + state_.dy, scale_, origin_.y);
    // Hairlines (a point or less across) keep one thickness wherever they fall, which rounding
    // both edges would not give at a fractional scale.
    if (rect.width() > 0 && rect.width() <= 1) right = left + hairline(rect.width(), scale_);
    if (rect.height() > 0 && rect.height() <= 1) bottom = top + hairline(rect.height(), scale_);
    return SDL_Rect{left, top, right - left, bottom - top};
}

bool SdlPainter::canDraw() const {
    // Some SDL versions take an empty clip rectangle for no clip at all; and skipping the
    // drawing calls saves their work.
    return state_.alpha > 0 && !(state_.clipped && (state_.clip.w == 0 || state_.clip.h == 0));
}

Uint8 SdlPainter::alphaByte(float alpha) const { return toByte(alpha * state_.alpha); }

void SdlPainter::setDrawColor(Color color, float coverage) {
    const Uint8 alpha = alphaByte(std::clamp(color.alpha, 0.0f, 1.0f) * coverage);
    // Opaque colours are copied rather than blended: the same pixels, and the software
    // renderer fills them many times faster.
    SDL_SetRenderDrawBlendMode(renderer_, alpha == 255 ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(renderer_, toByte(color.red), toByte(color.green), toByte(color.blue),
                           alpha);
}

void SdlPainter::fillRect(const Rect& rect, Color color) {
    const SDL_Rect pixels = toPixels(rect);
    if (!canDraw() || color.isClear() || pixels.w <= 0 || pixels.h <= 0) return;
    setDrawColor(color);
    SDL_RenderFillRect(renderer_, &pixels);
}

void SdlPainter::fillRoundedRect(const Rect& rect, float radius, Color color) {
    const SDL_Rect p = toPixels(rect);
    if (!canDraw() || color.isClear() || p.w <= 0 || p.h <= 0) return;
    const float r = std::min({radius * scale_, p.w / 2.0f, p.h / 2.0f});
    if (r <= 0) return fillRect(rect, color);

    // Row by row: a row inside a corner's band is inset by the circle; the fully covered
    // part is filled, and the one pixel the arc cuts through gets alpha by its coverage.
    std::vector<SDL_Rect> spans;
    struct Edge {
        int x;
        int y;
        float coverage;
    };
    std::vector<Edge> edges;
    int fullFrom = -1;  // first row of the current run of rows outside both corner bands
    auto endFullRun = [&](int row) {
        if (fullFrom >= 0) spans.push_back({p.x, p.y + fullFrom, p.w, row - fullFrom});
        fullFrom = -1;
    };
    for (int row = 0; row < p.h; ++row) {
        const float dy = std::max(r - (row + 0.5f), r - (p.h - row - 0.5f));
        if (dy <= 0) {
            if (fullFrom < 0) fullFrom = row;
            continue;
        }
        endFullRun(row);
        const float inset = r - std::sqrt(std::max(r * r - dy * dy, 0.0f));
        const int solid = static_cast<int>(std::ceil(inset));
        if (p.w - 2 * solid > 0) spans.push_back({p.x + solid, p.y + row, p.w - 2 * solid, 1});
        const float coverage = solid - inset;
        if (coverage > 0 && solid > 0) {
            edges.push_back({p.x + solid - 1, p.y + row, coverage});
            edges.push_back({p.x + p.w - solid, p.y + row, coverage});
        }
    }
    endFullRun(p.h);
    setDrawColor(color);
    SDL_RenderFillRects(renderer_, spans.data(), static_cast<int>(spans.size()));
    for (const auto& edge : edges) {
        setDrawColor(color, edge.coverage);
        SDL_RenderDrawPoint(renderer_, edge.x, edge.y);
    }
}

void SdlPainter::strokeRect(const Rect& rect, Color color) {
    const SDL_Rect p = toPixels(rect);
    if (!canDraw() || color.isClear() || p.w <= 0 || p.h <= 0) return;
    // A one-point line inside the rectangle's edges, a whole number of pixels thick.
    const int t = std::max(1, static_cast<int>(std::lround(scale_)));
    if (p.w <= 2 * t || p.h <= 2 * t) return fillRect(rect, color);
    const SDL_Rect sides[] = {{p.x, p.y, p.w, t},
                              {p.x, p.y + p.h - t, p.w, t},
                              {p.x, p.y + t, t, p.h - 2 * t},
                              {p.x + p.w - t, p.y + t, t, p.h - 2 * t}};
    setDrawColor(color);
    SDL_RenderFillRects(renderer_, sides, 4);
}

void SdlPainter::drawImage(const Image& image, const Rect& destination) {
    const SDL_Rect target = toPixels(destination);
    if (!canDraw() || target.w <= 0 || target.h <= 0) return;
    SDL_Texture* texture = images_.texture(image.path());
    if (!texture) return;
    SDL_SetTextureAlphaMod(texture, alphaByte(1));
    SDL_RenderCopy(renderer_, texture, nullptr, &target);
}

TTF_Font* SdlPainter::fontFor(const Font& font) {
    return fonts_->font(font.name, static_cast<int>(std::lround(font.size * scale_)));
}

void SdlPainter::drawText(const std::string& text, const Font& font, Color color, const Rect& box,
                          TextAlignment alignment) {
    if (!canDraw() || color.isClear() || text.empty()) return;
    const SDL_Rect area = toPixels(box);
    if (area.w <= 0) return;
    const auto* line = textCache_.line(fontFor(font), text, rgbOf(color));
    if (!line) return;

    int x = area.x;
    if (line->width <= area.w) {
        if (alignment == TextAlignment::Center) x += (area.w - line->width) / 2;
        if (alignment == TextAlignment::Right) x += area.w - line->width;
    }
    // A line wider than the box starts at its left edge and is cut at its right edge.
    const int width = std::min(line->width, area.x + area.w - x);
    const SDL_Rect source{0, 0, width, line->height};
    const SDL_Rect target{x, area.y + (area.h - line->height) / 2, width, line->height};
    SDL_SetTextureAlphaMod(line->texture.get(), alphaByte(color.alpha));
    SDL_RenderCopy(renderer_, line->texture.get(), &source, &target);
}

Size SdlPainter::measureText(const std::string& text, const Font& font) {
    TTF_Font* face = fontFor(font);
    int width = 0;
    int height = 0;
    if (!face || TTF_SizeUTF8(face, text.c_str(), &width, &height) != 0) return {};
    return {static_cast<float>(width) / scale_, static_cast<float>(height) / scale_};
}

}  // namespace platform
