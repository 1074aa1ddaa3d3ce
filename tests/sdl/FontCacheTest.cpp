#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/sdl/FontCache.h"
#include "platform/foundation/Services.h"
#include "tests/support/LogInto.h"

namespace platform {
namespace {

class FontCacheTest : public ::testing::Test {
protected:
    std::vector<std::string> log_;
    ScopedServices services_{{.log = logInto(log_)}};
    std::vector<std::string> asked_;
    FontMatcher matcher_;
};

TEST_F(FontCacheTest, FacesAreOpenedOncePerNameAndSize) {
    FontCache cache([this](const std::string& name) {
        asked_.push_back(name);
        return matcher_.fileFor(name);
    });
    TTF_Font* small = cache.font("Arial-BoldMT", 24);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(cache.font("Arial-BoldMT", 24), small);
    TTF_Font* large = cache.font("Arial-BoldMT", 64);
    ASSERT_NE(large, nullptr);
    EXPECT_NE(large, small);
    EXPECT_GT(TTF_FontHeight(large), TTF_FontHeight(small));
    EXPECT_EQ(asked_, std::vector<std::string>{"Arial-BoldMT"});
    EXPECT_TRUE(log_.empty());
}

TEST_F(FontCacheTest, UnresolvedNameGivesNullAndOneLogLine) {
    FontCache cache([this](const std::string& name) {
        asked_.push_back(name);
        return std::string();
    });
    EXPECT_EQ(cache.font("Nowhere", 12), nullptr);
    EXPECT_EQ(cache.font("Nowhere", 12), nullptr);
    EXPECT_EQ(cache.font("Nowhere", 30), nullptr);
    EXPECT_EQ(asked_.size(), 1u);
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_NE(log_[0].find("Nowhere"), std::string::npos);
}

TEST_F(FontCacheTest, FileThatIsNoFontGivesNullAndOneLogLine) {
    FontCache cache([](const std::string&) { return std::string("/proc/self/status"); });
    EXPECT_EQ(cache.font("Broken", 12), nullptr);
    EXPECT_EQ(cache.font("Broken", 14), nullptr);
    EXPECT_EQ(log_.size(), 1u);
}

TEST_F(FontCacheTest, ZeroSizeGivesNull) {
    FontCache cache;
    EXPECT_EQ(cache.font("Arial-BoldMT", 0), nullptr);
}

}  // namespace
}  // namespace platform
