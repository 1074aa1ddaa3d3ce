#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/audio/SystemSoundService.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "tests/support/RecordingSoundService.h"

namespace platform {
namespace {

class SharedSoundServiceTest : public testing::Test {
protected:
    void SetUp() override {
        SystemSoundService::setShared(nullptr);
        Log::setSink([this](const std::string& line) { lines_.push_back(line); });
    }
    void TearDown() override {
        Log::setSink(nullptr);
        SystemSoundService::setShared(nullptr);
    }

    std::vector<std::string> lines_;
    const Url clip_ = *Url::fileURLWithPath("/tmp/clip.wav");
};

TEST_F(SharedSoundServiceTest, DefaultServiceRefusesRegistrationsAndSaysWhyOnce) {
    auto& service = SystemSoundService::shared();
    SystemSoundID sound = 77;
    EXPECT_NE(service.createSystemSoundID(clip_, sound), SystemSoundService::kNoErr);
    EXPECT_NE(service.createSystemSoundID(clip_, sound), SystemSoundService::kNoErr);
    EXPECT_EQ(sound, 77u);
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_NE(lines_[0].find("No audio device"), std::string::npos);
}

TEST_F(SharedSoundServiceTest, DefaultServiceIgnoresEveryOtherCall) {
    auto& service = SystemSoundService::shared();
    const auto proc = [](SystemSoundID, void*) { FAIL() << "no sound can finish"; };
    service.playSystemSound(0);
    service.playSystemSound(1);
    EXPECT_NE(service.addSystemSoundCompletion(1, nullptr, kDefaultRunLoopMode, proc, nullptr),
              SystemSoundService::kNoErr);
    service.removeSystemSoundCompletion(1);
    service.disposeSystemSoundID(1);
    EXPECT_TRUE(lines_.empty());
}

TEST_F(SharedSoundServiceTest, InstalledServiceIsSharedUntilTheDefaultIsRestored) {
    auto recording = std::make_shared<RecordingSoundService>();
    SystemSoundService::setShared(recording);
    EXPECT_EQ(&SystemSoundService::shared(), recording.get());

    SystemSoundID sound = 0;
    EXPECT_EQ(SystemSoundService::shared().createSystemSoundID(clip_, sound),
              SystemSoundService::kNoErr);
    EXPECT_EQ(recording->pathOf(sound), "/tmp/clip.wav");

    SystemSoundService::setShared(nullptr);
    EXPECT_NE(&SystemSoundService::shared(), recording.get());
    EXPECT_NE(SystemSoundService::shared().createSystemSoundID(clip_, sound),
              SystemSoundService::kNoErr);
}

}  // namespace
}  // namespace platform
