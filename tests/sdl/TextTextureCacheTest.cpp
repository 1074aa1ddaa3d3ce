#include <gtest/gtest.h>

#include "platform/sdl/FontCache.h"
#include "platform/sdl/TextTextureCache.h"

namespace platform {
namespace {

class TextTextureCacheTest : public ::testing::Test {
protected:
    SdlPtr<SDL_Surface> surface_{
        SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_ARGB8888)};
    SdlPtr<SDL_Renderer> renderer_{SDL_CreateSoftwareRenderer(surface_.get())};
    FontCache fonts_;
    TTF_Font* font_ = fonts_.font("Liberation Sans", 20);
};

TEST_F(TextTextureCacheTest, LeastRecentlyUsedLineGoesFirst) {
    TextTextureCache cache(renderer_.get(), 2);
    cache.line(font_, "a", 0xFFFFFF);
    cache.line(font_, "b", 0xFFFFFF);
    cache.line(font_, "a", 0xFFFFFF);  // a is now the most recent
    cache.line(font_, "c", 0xFFFFFF);  // evicts b
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(cache.texturesCreated(), 3u);
    cache.line(font_, "a", 0xFFFFFF);
    EXPECT_EQ(cache.texturesCreated(), 3u);
    cache.line(font_, "b", 0xFFFFFF);
    EXPECT_EQ(cache.texturesCreated(), 4u);
}

TEST_F(TextTextureCacheTest, ColourAndFontAreKeysTheirOwn) {
    TextTextureCache cache(renderer_.get());
    TTF_Font* other = fonts_.font("Liberation Sans:bold", 20);
    const auto* white = cache.line(font_, "Gong", 0xFFFFFF);
    const auto* gray = cache.line(font_, "Gong", 0x555555);
    const auto* bold = cache.line(other, "Gong", 0xFFFFFF);
    ASSERT_TRUE(white && gray && bold);
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache.texturesCreated(), 3u);
}

TEST_F(TextTextureCacheTest, EmptyTextOrNoFontGivesNothing) {
    TextTextureCache cache(renderer_.get());
    EXPECT_EQ(cache.line(font_, "", 0xFFFFFF), nullptr);
    EXPECT_EQ(cache.line(nullptr, "text", 0xFFFFFF), nullptr);
    EXPECT_EQ(cache.texturesCreated(), 0u);
}

}  // namespace
}  // namespace platform
