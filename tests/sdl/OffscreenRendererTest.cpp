#include <SDL2/SDL_image.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Log.h"
#include "tests/support/OffscreenRenderer.h"
#include "platform/ui/Window.h"
#include "tests/support/TempDirectory.h"
#include "platform/foundation/Services.h"
#include "tests/support/LogInto.h"

namespace platform {
namespace {

constexpr uint32_t kBlack = 0xFF000000;

TEST(OffscreenRendererTest, ScreenAtScaleTwoHasFourTimesThePixels) {
    auto renderer = OffscreenRenderer::create({320, 480}, 2);
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(renderer->width(), 640);
    EXPECT_EQ(renderer->height(), 960);
    EXPECT_EQ(renderer->scale(), 2);
    renderer->render([](Painter&) {});
    EXPECT_EQ(renderer->pixels(), std::vector<uint32_t>(640 * 960, kBlack));
}

TEST(OffscreenRendererTest, NoPixelsOrNoFolderIsAnErrorWithALogLine) {
    std::vector<std::string> log;
    ScopedServices services({.log = logInto(log)});
    EXPECT_EQ(OffscreenRenderer::create({0, 480}, 2), nullptr);
    EXPECT_FALSE(OffscreenRenderer::create({10, 10}, 1)->savePng("/nonexistent-folder/a.png"));
    EXPECT_EQ(log.size(), 2u);
}

TEST(OffscreenRendererTest, EachFrameStartsClearWithAFreshPainterState) {
    auto renderer = OffscreenRenderer::create({10, 10}, 1);
    renderer->render([](Painter& p) {
        p.save();
        p.translate(5, 5);
        p.clipTo({0, 0, 1, 1});
        p.fillRect({0, 0, 1, 1}, Color::whiteColor());
    });
    EXPECT_EQ(renderer->pixelAt(5, 5), 0xFFFFFFFF);
    renderer->render([](Painter& p) { p.fillRect({0, 0, 1, 1}, Color::whiteColor()); });
    EXPECT_EQ(renderer->pixelAt(5, 5), kBlack);
    EXPECT_EQ(renderer->pixelAt(0, 0), 0xFFFFFFFF);
}

TEST(OffscreenRendererTest, SavedPngHoldsTheSamePixels) {
    TempDirectory folder;
    auto renderer = OffscreenRenderer::create({20, 10}, 2);
    renderer->render([](Painter& p) {
        p.fillRect({0, 0, 10, 10}, Color::rgb(1, 0, 0));
        p.fillRect({10, 0, 10, 5}, Color::rgb(0, 0, 1, 0.5f));
    });
    const std::string path = (folder / "frame.png").string();
    ASSERT_TRUE(renderer->savePng(path));

    SdlPtr<SDL_Surface> loaded(IMG_Load(path.c_str()));
    ASSERT_NE(loaded, nullptr);
    SdlPtr<SDL_Surface> argb(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_ARGB8888, 0));
    ASSERT_EQ(argb->w, 40);
    ASSERT_EQ(argb->h, 20);
    std::vector<uint32_t> pixels(40 * 20);
    for (int y = 0; y < 20; ++y)
        std::memcpy(&pixels[y * 40], static_cast<uint8_t*>(argb->pixels) + y * argb->pitch, 40 * 4);
    EXPECT_EQ(pixels, renderer->pixels());
}

TEST(OffscreenRendererTest, WindowTreeIsDrawnWithItsFramesAndNoLongerNeedsDisplay) {
    auto window = std::make_shared<Window>();
    window->setBackgroundColor(Color::rgb(0, 0, 1));
    auto child = std::make_shared<View>(Rect(10, 20, 30, 40));
    child->setBackgroundColor(Color::rgb(1, 0, 0));
    window->addSubview(child);
    auto grandchild = std::make_shared<View>(Rect(5, 5, 10, 10));
    grandchild->setBackgroundColor(Color::rgb(0, 1, 0));
    child->addSubview(grandchild);
    window->setNeedsDisplayFlag(true);

    auto renderer = OffscreenRenderer::create({320, 480}, 2);
    renderer->render(*window);
    EXPECT_EQ(renderer->pixelAt(0, 0), 0xFF0000FF);
    EXPECT_EQ(renderer->pixelAt(20, 40), 0xFFFF0000);
    EXPECT_EQ(renderer->pixelAt(30, 50), 0xFF00FF00);  // (15, 25) points
    EXPECT_EQ(renderer->pixelAt(49, 69), 0xFF00FF00);
    EXPECT_EQ(renderer->pixelAt(50, 70), 0xFFFF0000);
    EXPECT_EQ(renderer->pixelAt(80, 120), 0xFF0000FF);  // just past the child
    EXPECT_FALSE(window->needsDisplay());
}

}  // namespace
}  // namespace platform
