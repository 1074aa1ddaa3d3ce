#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/audio/DevicelessSoundService.h"
#include "platform/foundation/Services.h"
#include "platform/foundation/Url.h"
#include "tests/support/LogInto.h"

namespace platform {
namespace {

class DevicelessSoundServiceTest : public testing::Test {
protected:
    std::vector<std::string> lines_;
    ScopedServices services_{{.log = logInto(lines_)}};
    DevicelessSoundService service_;
    const Url clip_ = *Url::fileURLWithPath("/tmp/clip.wav");
};

TEST_F(DevicelessSoundServiceTest, RefusesRegistrationsAndSaysWhyOnce) {
    SystemSoundID sound = 77;
    EXPECT_NE(service_.createSystemSoundID(clip_, sound), SystemSoundService::kNoErr);
    EXPECT_NE(service_.createSystemSoundID(clip_, sound), SystemSoundService::kNoErr);
    EXPECT_EQ(sound, 77u);
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_NE(lines_[0].find("No audio device"), std::string::npos);
}

TEST_F(DevicelessSoundServiceTest, IgnoresEveryOtherCall) {
    const auto proc = [](SystemSoundID, void*) { FAIL() << "no sound can finish"; };
    service_.playSystemSound(0);
    service_.playSystemSound(1);
    EXPECT_NE(service_.addSystemSoundCompletion(1, nullptr, kDefaultRunLoopMode, proc, nullptr),
              SystemSoundService::kNoErr);
    service_.removeSystemSoundCompletion(1);
    service_.disposeSystemSoundID(1);
    EXPECT_TRUE(lines_.empty());
}

}  // namespace
}  // namespace platform
