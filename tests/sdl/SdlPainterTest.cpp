#include <SDL2/SDL_image.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/foundation/Log.h"
#include "tests/support/OffscreenRenderer.h"
#include "platform/sdl/SdlDeleter.h"
#include "platform/ui/Image.h"
#include "tests/support/TempDirectory.h"
#include "platform/foundation/Services.h"
#include "tests/support/LogInto.h"

namespace platform {
namespace {

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr Color kRedColor = Color::rgb(1, 0, 0);

int red(uint32_t pixel) { return (pixel >> 16) & 0xFF; }
int green(uint32_t pixel) { return (pixel >> 8) & 0xFF; }

// Bounding box of the pixels that are not black, in pixels; empty when there are none.
struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool empty() const { return right < left; }
};

Ink inkOf(const OffscreenRenderer& renderer) {
    Ink ink;
    const auto pixels = renderer.pixels();
    for (int y = 0; y < renderer.height(); ++y)
        for (int x = 0; x < renderer.width(); ++x)
            if (pixels[static_cast<size_t>(y) * renderer.width() + x] != kBlack) {
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

class SdlPainterTest : public ::testing::Test {
protected:
    // A small canvas, so that whole-surface scans stay cheap.
    static std::unique_ptr<OffscreenRenderer> canvas(int scale, Size points = {40, 30}) {
        auto renderer = OffscreenRenderer::create(points, scale);
        EXPECT_NE(renderer, nullptr);
        return renderer;
    }

    std::vector<std::string> log_;
    ScopedServices services_{{.log = logInto(log_)}};
};

TEST_F(SdlPainterTest, FilledRectangleCoversExactlyItsPixelsAtEachScale) {
    for (int scale : {1, 2, 3}) {
        auto renderer = canvas(scale);
        renderer->render([](Painter& p) { p.fillRect({5, 4, 10, 6}, kRedColor); });
        SCOPED_TRACE(scale);
        EXPECT_EQ(renderer->pixelAt(5 * scale, 4 * scale), kRed);
        EXPECT_EQ(renderer->pixelAt(15 * scale - 1, 10 * scale - 1), kRed);
        EXPECT_EQ(renderer->pixelAt(5 * scale - 1, 4 * scale), kBlack);
        EXPECT_EQ(renderer->pixelAt(15 * scale, 10 * scale - 1), kBlack);
        EXPECT_EQ(renderer->pixelAt(14 * scale, 10 * scale), kBlack);
        const Ink ink = inkOf(*renderer);
        EXPECT_EQ(ink.left, 5 * scale);
        EXPECT_EQ(ink.top, 4 * scale);
        EXPECT_EQ(ink.right, 15 * scale - 1);
        EXPECT_EQ(ink.bottom, 10 * scale - 1);
    }
}

TEST_F(SdlPainterTest, FractionalEdgesRoundSoNeighboursMeetWithoutGapOrOverlap) {
    auto renderer = canvas(1);
    renderer->render([](Painter& p) {
        p.fillRect({0, 0, 10.4f, 5}, kRedColor);
        p.fillRect({10.4f, 0, 10, 5}, Color::rgb(0, 1, 0));
    });
    EXPECT_EQ(renderer->pixelAt(9, 2), kRed);
    EXPECT_EQ(renderer->pixelAt(10, 2), kGreen);
    EXPECT_EQ(renderer->pixelAt(20, 2), kBlack);
}

TEST_F(SdlPainterTest, TranslationAccumulatesAndRestoreUndoesIt) {
    auto renderer = canvas(2);
    renderer->render([](Painter& p) {
        p.save();
        p.translate(10, 5);
        p.translate(2, 1);
        p.fillRect({0, 0, 1, 1}, kRedColor);
        p.restore();
        p.fillRect({0, 0, 1, 1}, Color::rgb(0, 1, 0));
    });
    EXPECT_EQ(renderer->pixelAt(24, 12), kRed);
    EXPECT_EQ(renderer->pixelAt(25, 13), kRed);
    EXPECT_EQ(renderer->pixelAt(0, 0), kGreen);
    EXPECT_EQ(renderer->pixelAt(22, 10), kBlack);
}

TEST_F(SdlPainterTest, ClipsIntersectAndAreLiftedByRestore) {
    auto renderer = canvas(1);
    renderer->render([](Painter& p) {
        p.save();
        p.clipTo({0, 0, 20, 20});
        p.translate(10, 10);
        p.clipTo({0, 0, 20, 20});  // now 10..20 on both axes
        p.fillRect({-10, -10, 40, 40}, kRedColor);
        p.restore();
        p.fillRect({30, 0, 5, 5}, Color::rgb(0, 1, 0));
    });
    const Ink ink = inkOf(*renderer);
    EXPECT_EQ(renderer->pixelAt(10, 10), kRed);
    EXPECT_EQ(renderer->pixelAt(19, 19), kRed);
    EXPECT_EQ(renderer->pixelAt(9, 15), kBlack);
    EXPECT_EQ(renderer->pixelAt(20, 15), kBlack);
    EXPECT_EQ(renderer->pixelAt(32, 2), kGreen);
    EXPECT_EQ(ink.top, 0);  // the green square drew outside the clip once it was restored
}

TEST_F(SdlPainterTest, DisjointClipDrawsNothingAtAll) {
    auto renderer = canvas(1);
    renderer->render([](Painter& p) {
        p.clipTo({0, 0, 5, 5});
        p.clipTo({20, 20, 5, 5});
        p.fillRect({0, 0, 40, 30}, kRedColor);
        p.fillRoundedRect({0, 0, 40, 30}, 4, kRedColor);
        p.drawText("Clipped", Font::boldSystemFont(12), Color::whiteColor(), {0, 0, 40, 30},
                   TextAlignment::Left);
    });
    EXPECT_TRUE(inkOf(*renderer).empty());
}

TEST_F(SdlPainterTest, AlphaMultipliesStateAndColourAndRestores) {
    auto renderer = canvas(1);
    renderer->render([](Painter& p) {
        p.save();
        p.multiplyAlpha(0.5f);
        p.fillRect({0, 0, 5, 5}, Color::whiteColor());
        p.fillRect({10, 0, 5, 5}, Color::white(1, 0.5f));
        p.multiplyAlpha(0);
        p.fillRect({20, 0, 5, 5}, Color::whiteColor());
        p.restore();
        p.fillRect({30, 0, 5, 5}, Color::whiteColor());
    });
    EXPECT_NEAR(red(renderer->pixelAt(2, 2)), 128, 2);
    EXPECT_NEAR(red(renderer->pixelAt(12, 2)), 64, 2);
    EXPECT_EQ(renderer->pixelAt(22, 2), kBlack);
    EXPECT_EQ(renderer->pixelAt(32, 2), 0xFFFFFFFF);
}

TEST_F(SdlPainterTest, StrokeIsOnePointInsideTheEdges) {
    auto renderer = canvas(2);
    renderer->render([](Painter& p) { p.strokeRect({5, 5, 10, 10}, kRedColor); });
    EXPECT_EQ(renderer->pixelAt(10, 10), kRed);  // top left corner
    EXPECT_EQ(renderer->pixelAt(11, 20), kRed);  // left side, second pixel of the point
    EXPECT_EQ(renderer->pixelAt(29, 29), kRed);  // bottom right corner
    EXPECT_EQ(renderer->pixelAt(12, 20), kBlack);
    EXPECT_EQ(renderer->pixelAt(20, 20), kBlack);
    EXPECT_EQ(renderer->pixelAt(30, 20), kBlack);
}

TEST_F(SdlPainterTest, RoundedRectangleLeavesCornersOutAndFillsTheRest) {
    auto renderer = canvas(2);
    renderer->render([](Painter& p) { p.fillRoundedRect({0, 0, 30, 20}, 8, kRedColor); });
    EXPECT_EQ(renderer->pixelAt(0, 0), kBlack);
    EXPECT_EQ(renderer->pixelAt(59, 0), kBlack);
    EXPECT_EQ(renderer->pixelAt(0, 39), kBlack);
    EXPECT_EQ(renderer->pixelAt(59, 39), kBlack);
    EXPECT_EQ(renderer->pixelAt(30, 20), kRed);
    EXPECT_EQ(renderer->pixelAt(30, 0), kRed);   // middle of the top edge
    EXPECT_EQ(renderer->pixelAt(0, 20), kRed);   // middle of the left edge
    EXPECT_EQ(renderer->pixelAt(59, 20), kRed);  // middle of the right edge
    // Along the diagonal of a corner, the arc passes about 0.29 r in from the corner.
    EXPECT_EQ(renderer->pixelAt(3, 3), kBlack);
    EXPECT_EQ(renderer->pixelAt(7, 7), kRed);
    const Ink ink = inkOf(*renderer);
    EXPECT_EQ(ink.right, 59);
    EXPECT_EQ(ink.bottom, 39);

    // A radius beyond half the height makes a pill.
    renderer->render([](Painter& p) { p.fillRoundedRect({0, 0, 30, 10}, 50, kRedColor); });
    EXPECT_EQ(renderer->pixelAt(0, 0), kBlack);
    EXPECT_EQ(renderer->pixelAt(30, 0), kRed);
    EXPECT_GT(red(renderer->pixelAt(0, 10)), 240);  // the arc barely cuts the middle pixel
}

class SdlPainterImageTest : public SdlPainterTest {
protected:
    // A 4 x 2 pixel PNG: left half red, right half green.
    std::string writeImage() {
        SdlPtr<SDL_Surface> surface(
            SDL_CreateRGBSurfaceWithFormat(0, 4, 2, 32, SDL_PIXELFORMAT_ARGB8888));
        const SDL_Rect left{0, 0, 2, 2};
        const SDL_Rect right{2, 0, 2, 2};
        SDL_FillRect(surface.get(), &left, SDL_MapRGBA(surface->format, 255, 0, 0, 255));
        SDL_FillRect(surface.get(), &right, SDL_MapRGBA(surface->format, 0, 255, 0, 255));
        const std::string path = (folder_ / "halves.png").string();
        EXPECT_EQ(IMG_SavePNG(surface.get(), path.c_str()), 0);
        return path;
    }

    TempDirectory folder_;
};

TEST_F(SdlPainterImageTest, ImageFillsItsDestinationRectangle) {
    const Image image(writeImage(), {2, 1}, 2);
    auto renderer = canvas(2);
    renderer->render([&](Painter& p) {
        p.translate(5, 5);
        p.drawImage(image, {0, 0, 10, 4});
    });
    const Ink ink = inkOf(*renderer);
    EXPECT_EQ(ink.left, 10);
    EXPECT_EQ(ink.top, 10);
    EXPECT_EQ(ink.right, 29);
    EXPECT_EQ(ink.bottom, 17);
    EXPECT_EQ(renderer->pixelAt(12, 12), kRed);
    EXPECT_EQ(renderer->pixelAt(27, 12), kGreen);
}

TEST_F(SdlPainterImageTest, ImageTakesThePaintersAlpha) {
    const Image image(writeImage(), {4, 2}, 1);
    auto renderer = canvas(1);
    renderer->render([&](Painter& p) {
        p.multiplyAlpha(0.5f);
        p.drawImage(image, {0, 0, 4, 2});
    });
    EXPECT_NEAR(red(renderer->pixelAt(0, 0)), 128, 2);
    EXPECT_NEAR(green(renderer->pixelAt(3, 0)), 128, 2);
}

TEST_F(SdlPainterImageTest, MissingImageDrawsNothingAndIsLoggedOnce) {
    const Image image((folder_ / "missing.png").string(), {4, 4}, 1);
    auto renderer = canvas(1);
    for (int frame = 0; frame < 3; ++frame)
        renderer->render([&](Painter& p) { p.drawImage(image, {0, 0, 4, 4}); });
    EXPECT_TRUE(inkOf(*renderer).empty());
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_NE(log_[0].find("missing.png"), std::string::npos);
}

class SdlPainterTextTest : public SdlPainterTest {
protected:
    static constexpr Rect kBox{0, 0, 200, 40};
    std::unique_ptr<OffscreenRenderer> renderer_ = canvas(2, {200, 40});

    Ink drawn(const std::string& text, const Font& font, TextAlignment alignment,
              const Rect& box = kBox) {
        renderer_->render(
            [&](Painter& p) { p.drawText(text, font, Color::whiteColor(), box, alignment); });
        return inkOf(*renderer_);
    }
};

TEST_F(SdlPainterTextTest, PostScriptNamedFontAndBoldSystemFontBothDraw) {
    for (const Font& font : {Font::named("Arial-BoldMT", 32), Font::boldSystemFont(18)}) {
        SCOPED_TRACE(font.name);
        const Ink ink = drawn("0", font, TextAlignment::Center);
        ASSERT_FALSE(ink.empty());
        // Centred both ways in the 400 x 80 pixel box.
        EXPECT_NEAR((ink.left + ink.right) / 2.0, 200, 6);
        EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 40, 8);
    }
    EXPECT_TRUE(log_.empty());
}

TEST_F(SdlPainterTextTest, AlignmentPlacesTheLineInTheBox) {
    const Font font = Font::boldSystemFont(18);
    const Ink left = drawn("Gong", font, TextAlignment::Left);
    const Ink center = drawn("Gong", font, TextAlignment::Center);
    const Ink right = drawn("Gong", font, TextAlignment::Right);
    EXPECT_LT(left.left, 8);
    EXPECT_GT(right.right, 390);
    EXPECT_NEAR((center.left + center.right) / 2.0, 200, 4);
    EXPECT_EQ(left.right - left.left, right.right - right.left);
}

TEST_F(SdlPainterTextTest, LongLineIsCutAtTheRightEdgeOfItsBox) {
    const Ink ink = drawn("A line far too long for its little box", Font::boldSystemFont(18),
                          TextAlignment::Center, {10, 0, 60, 40});
    ASSERT_FALSE(ink.empty());
    EXPECT_GE(ink.left, 20);
    EXPECT_LE(ink.right, 139);
}

TEST_F(SdlPainterTextTest, MeasureIsInPointsWhateverTheScale) {
    auto single = canvas(1);
    const Font font = Font::named("Arial-BoldMT", 32);
    const Size atOne = single->painter().measureText("Slide Whistle", font);
    const Size atTwo = renderer_->painter().measureText("Slide Whistle", font);
    EXPECT_GT(atOne.width, 150);
    EXPECT_NEAR(atOne.width, atTwo.width, 2);
    EXPECT_NEAR(atOne.height, atTwo.height, 1);
    EXPECT_GT(atOne.height, 30);
}

TEST_F(SdlPainterTextTest, SteadyFrameCreatesNoTextures) {
    auto frame = [](Painter& p) {
        for (int row = 0; row < 5; ++row)
            p.drawText("Row " + std::to_string(row), Font::boldSystemFont(18), Color::whiteColor(),
                       {0, 8.0f * row, 200, 8}, TextAlignment::Left);
    };
    renderer_->render(frame);
    const auto first = renderer_->pixels();
    const size_t created = renderer_->painter().textCache().texturesCreated();
    EXPECT_EQ(created, 5u);
    renderer_->render(frame);
    EXPECT_EQ(renderer_->painter().textCache().texturesCreated(), created);
    EXPECT_EQ(renderer_->pixels(), first);
    // Fading text keeps its texture: alpha is applied when drawing.
    renderer_->render([](Painter& p) {
        p.multiplyAlpha(0.5f);
        p.drawText("Row 0", Font::boldSystemFont(18), Color::white(1, 0.5f), {0, 0, 200, 8},
                   TextAlignment::Left);
    });
    EXPECT_EQ(renderer_->painter().textCache().texturesCreated(), created);
}

TEST_F(SdlPainterTextTest, MissingFontDrawsNothingMeasuresNothingAndIsLoggedOnce) {
    auto fonts = std::make_shared<FontCache>([](const std::string&) { return std::string(); });
    auto renderer = OffscreenRenderer::create({50, 20}, 1, fonts);
    const Font font = Font::named("Nowhere-Bold", 12);
    for (int frame = 0; frame < 3; ++frame)
        renderer->render([&](Painter& p) {
            p.drawText("Text", font, Color::whiteColor(), {0, 0, 50, 20}, TextAlignment::Left);
        });
    EXPECT_TRUE(inkOf(*renderer).empty());
    EXPECT_EQ(renderer->painter().measureText("Text", font), Size{});
    EXPECT_EQ(log_.size(), 1u);
}

}  // namespace
}  // namespace platform
