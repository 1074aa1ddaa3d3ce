#include <gtest/gtest.h>

#include <vector>

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Url.h"
#include "tests/support/RecordingSoundService.h"

namespace platform {
namespace {

using CallKind = RecordingSoundService::CallKind;

class RecordingSoundServiceTest : public testing::Test {
protected:
    void SetUp() override { RunLoop::setMain(loop_); }
    void TearDown() override { RunLoop::setMain(nullptr); }

    SystemSoundID create(const std::string& path) {
        SystemSoundID sound = 0;
        EXPECT_EQ(service_->createSystemSoundID(*Url::fileURLWithPath(path), sound),
                  SystemSoundService::kNoErr);
        return sound;
    }

    static void record(SystemSoundID sound, void* clientData) {
        static_cast<std::vector<SystemSoundID>*>(clientData)->push_back(sound);
    }

    OSStatus listen(SystemSoundID sound, RunLoopModes modes = kDefaultRunLoopMode) {
        return service_->addSystemSoundCompletion(sound, nullptr, modes, record, &finished_);
    }

    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
    std::shared_ptr<RunLoop> loop_ = std::make_shared<RunLoop>(clock_);
    std::shared_ptr<RecordingSoundService> service_ = std::make_shared<RecordingSoundService>();
    std::vector<SystemSoundID> finished_;
};

TEST_F(RecordingSoundServiceTest, HandlesCountUpAndRefusedPathsGetNone) {
    service_->setRegistrationStatus("/r/broken.wav", -1500);
    EXPECT_EQ(create("/r/a.wav"), 1u);

    SystemSoundID sound = 99;
    EXPECT_EQ(service_->createSystemSoundID(*Url::fileURLWithPath("/r/broken.wav"), sound), -1500);
    EXPECT_EQ(sound, 99u);

    EXPECT_EQ(create("/r/a.wav"), 2u);  // a second registration of a file is a new handle
    service_->setRegistrationStatus("/r/broken.wav", SystemSoundService::kNoErr);
    EXPECT_EQ(create("/r/broken.wav"), 3u);
    EXPECT_EQ(service_->count(CallKind::create), 4u);
    EXPECT_EQ(service_->calls()[1].sound, 0u);
}

TEST_F(RecordingSoundServiceTest, PlaysOfRegisteredHandlesAreRecordedWithTheirTime) {
    const SystemSoundID bell = create("/r/Door Bell.wav");
    clock_->advanceBy(0.5);
    service_->playSystemSound(bell);
    service_->playSystemSound(0);
    service_->playSystemSound(42);
    clock_->advanceBy(0.25);
    service_->playSystemSound(bell);
    service_->disposeSystemSoundID(bell);
    service_->playSystemSound(bell);

    using Play = RecordingSoundService::Play;
    EXPECT_EQ(service_->plays(),
              (std::vector<Play>{{"/r/Door Bell.wav", 0.5}, {"/r/Door Bell.wav", 0.75}}));
    EXPECT_EQ(service_->count(CallKind::play), 5u);

    const auto& calls = service_->calls();
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(calls[0].kind, CallKind::create);
    EXPECT_EQ(calls[0].time, 0.0);
    EXPECT_EQ(calls[2].sound, 0u);
    EXPECT_EQ(calls[2].path, "");
    EXPECT_EQ(calls[5].kind, CallKind::dispose);
    EXPECT_EQ(calls[5].path, "/r/Door Bell.wav");
}

TEST_F(RecordingSoundServiceTest, FinishDeliversOnALaterPassOfTheRunLoop) {
    const SystemSoundID sound = create("/r/a.wav");
    service_->playSystemSound(sound);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    service_->finish(sound);
    EXPECT_TRUE(finished_.empty());
    loop_->runUntilIdle();
    EXPECT_EQ(finished_, std::vector<SystemSoundID>{sound});

    // The registration stays until withdrawn: a second play finishes the same way.
    service_->finish(sound);
    loop_->runUntilIdle();
    EXPECT_EQ(finished_.size(), 2u);
}

TEST_F(RecordingSoundServiceTest, CompletionWaitsForItsRunLoopMode) {
    const SystemSoundID sound = create("/r/a.wav");
    ASSERT_EQ(listen(sound, RunLoopModes{}), SystemSoundService::kNoErr);  // 0: default mode
    loop_->setMode(kTrackingRunLoopMode);
    service_->finish(sound);
    loop_->runFor(1.0);
    EXPECT_TRUE(finished_.empty());
    loop_->setMode(kDefaultRunLoopMode);
    loop_->runUntilIdle();
    EXPECT_EQ(finished_.size(), 1u);
}

TEST_F(RecordingSoundServiceTest, WithdrawnOrDisposedCompletionsAreNeverCalled) {
    const SystemSoundID removed = create("/r/a.wav");
    const SystemSoundID disposed = create("/r/b.wav");
    ASSERT_EQ(listen(removed), SystemSoundService::kNoErr);
    ASSERT_EQ(listen(disposed), SystemSoundService::kNoErr);

    // Both finish first; the withdrawal comes while the delivery is on its way.
    service_->finish(removed);
    service_->finish(disposed);
    service_->removeSystemSoundCompletion(removed);
    service_->disposeSystemSoundID(disposed);
    loop_->runUntilIdle();
    EXPECT_TRUE(finished_.empty());
    EXPECT_FALSE(service_->hasCompletion(removed));

    // Handle 0, unknown and disposed handles take no registration.
    EXPECT_NE(listen(0), SystemSoundService::kNoErr);
    EXPECT_NE(listen(99), SystemSoundService::kNoErr);
    EXPECT_NE(listen(disposed), SystemSoundService::kNoErr);
}

TEST_F(RecordingSoundServiceTest, DeliveryAfterTheServiceIsGoneDoesNothing) {
    const SystemSoundID sound = create("/r/a.wav");
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    service_->finish(sound);
    service_.reset();
    loop_->runUntilIdle();
    EXPECT_TRUE(finished_.empty());
}

}  // namespace
}  // namespace platform
