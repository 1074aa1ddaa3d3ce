#include "tests/support/OffscreenRenderer.h"

#include <SDL2/SDL_image.h>

#include <cmath>
#include <cstring>

#include "platform/foundation/Log.h"
#include "platform/ui/WindowLayout.h"
#include "platform/ui/Window.h"

namespace platform {

std::unique_ptr<OffscreenRenderer> OffscreenRenderer::create(Size points, float scale,
                                                             std::shared_ptr<FontCache> fonts) {
    if (!(scale > 0)) scale = 1;
    return createPixels(static_cast<int>(std::lround(points.width * scale)),
                        static_cast<int>(std::lround(points.height * scale)), scale,
                        std::move(fonts));
}

std::unique_ptr<OffscreenRenderer> OffscreenRenderer::createWindowSized(
    int width, int height, std::shared_ptr<FontCache> fonts) {
    const auto layout =
        WindowLayout::forPixels(static_cast<float>(width), static_cast<float>(height));
    auto renderer = createPixels(width, height, layout.scale, std::move(fonts));
    if (renderer) renderer->painter_->setLayout(layout.scale, layout.origin);
    return renderer;
}

std::unique_ptr<OffscreenRenderer> OffscreenRenderer::createPixels(
    int width, int height, float scale, std::shared_ptr<FontCache> fonts) {
    SdlPtr<SDL_Surface> surface;
    if (width > 0 && height > 0)
        surface.reset(
            SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888));
    SdlPtr<SDL_Renderer> renderer;
    if (surface) renderer.reset(SDL_CreateSoftwareRenderer(surface.get()));
    if (!renderer) {
        Log::print("Cannot draw offscreen at %d x %d pixels: %s", width, height, SDL_GetError());
        return nullptr;
    }
    return std::unique_ptr<OffscreenRenderer>(
        new OffscreenRenderer(std::move(surface), std::move(renderer), scale, std::move(fonts)));
}

OffscreenRenderer::OffscreenRenderer(SdlPtr<SDL_Surface> surface, SdlPtr<SDL_Renderer> renderer,
                                     float scale, std::shared_ptr<FontCache> fonts)
    : surface_(std::move(surface)),
      renderer_(std::move(renderer)),
      painter_(std::make_unique<SdlPainter>(renderer_.get(), scale, std::move(fonts))) {}

OffscreenRenderer::~OffscreenRenderer() = default;

void OffscreenRenderer::render(const std::function<void(Painter&)>& draw) {
    painter_->reset();
    SDL_SetRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
    SDL_RenderClear(renderer_.get());
    draw(*painter_);
    // The software renderer batches its commands; this carries them out on the surface.
    SDL_RenderFlush(renderer_.get());
}

void OffscreenRenderer::render(Window& window) {
    render([&window](Painter& painter) { window.renderTree(painter); });
    window.setNeedsDisplayFlag(false);
}

bool OffscreenRenderer::savePng(const std::string& path) const {
    if (IMG_SavePNG(surface_.get(), path.c_str()) == 0) return true;
    Log::print("Cannot save %s: %s", path.c_str(), IMG_GetError());
    return false;
}

std::vector<uint32_t> OffscreenRenderer::pixels() const {
    std::vector<uint32_t> result(static_cast<size_t>(width()) * height());
    const auto* bytes = static_cast<const uint8_t*>(surface_->pixels);
    for (int y = 0; y < height(); ++y)
        std::memcpy(&result[static_cast<size_t>(y) * width()], bytes + y * surface_->pitch,
                    sizeof(uint32_t) * width());
    return result;
}

uint32_t OffscreenRenderer::pixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
    uint32_t pixel = 0;
    std::memcpy(&pixel, static_cast<const uint8_t*>(surface_->pixels) + y * surface_->pitch + x * 4,
                sizeof pixel);
    return pixel;
}

int OffscreenRenderer::width() const { return surface_->w; }

int OffscreenRenderer::height() const { return surface_->h; }

}  // namespace platform
