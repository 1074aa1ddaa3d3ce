#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/sdl/SdlDeleter.h"
#include "platform/sdl/SdlPainter.h"

namespace platform {

class Window;

// Draws into memory with SDL's software renderer: no display, window or video driver is
// needed. Screenshots and the frame benchmark use it. The surface, renderer and painter (with
// its caches) live as long as the renderer, so repeated frames reuse textures.
class OffscreenRenderer {
public:
    // A surface of `points` times `scale` pixels. nullptr when it cannot be made (logged).
    static std::unique_ptr<OffscreenRenderer> create(Size points, float scale,
                                                     std::shared_ptr<FontCache> fonts = {});
    // A surface of `width` x `height` pixels laid out as a window of that size would be (see
    // WindowLayout): the painter's scale and origin come from there.
    static std::unique_ptr<OffscreenRenderer> createWindowSized(
        int width, int height, std::shared_ptr<FontCache> fonts = {});
    ~OffscreenRenderer();

    // Clears to opaque black, then lays out and draws the window's tree; the window no longer
    // needs display afterwards.
    void render(Window& window);
    // Clears to opaque black, then calls `draw` with the painter at the start of a frame.
    void render(const std::function<void(Painter&)>& draw);

    // Writes the pixels as a PNG file; false when it cannot (logged).
    bool savePng(const std::string& path) const;
    // The pixels as 0xAARRGGBB, row by row from the top left.
    std::vector<uint32_t> pixels() const;
    uint32_t pixelAt(int x, int y) const;

    int width() const;
    int height() const;
    float scale() const { return painter_->scale(); }
    SdlPainter& painter() { return *painter_; }

private:
    static std::unique_ptr<OffscreenRenderer> createPixels(int width, int height, float scale,
                                                           std::shared_ptr<FontCache> fonts);
    OffscreenRenderer(SdlPtr<SDL_Surface> surface, SdlPtr<SDL_Renderer> renderer, float scale,
                      std::shared_ptr<FontCache> fonts);

    // Destroyed in reverse: the painter's textures, then the renderer, then its surface.
    SdlPtr<SDL_Surface> surface_;
    SdlPtr<SDL_Renderer> renderer_;
    std::unique_ptr<SdlPainter> painter_;
};

}  // namespace platform
