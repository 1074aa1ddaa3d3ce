#include "platform/audio/MixerSoundService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/foundation/Url.h"
#include "tests/support/LogInto.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/VirtualAudioOutput.h"
#include "tests/support/WavWriter.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 48000;
constexpr int kBuffer = 128;
// Two buffers and a millisecond.
constexpr int64_t kLatencyFrames = 2 * kBuffer + 48;

struct Finished {
    SystemSoundID sound;
    void* clientData;
    double time;
};

// The service on a virtual output and clock: the test pulls the output as a device would, one
// buffer at a time, and runs the loop in between, so every frame and every completion is exact.
// While the stream is closed (or the device is said to stop pulling) time passes in silence.
class MixerSoundServiceTest : public testing::Test {
protected:
    void TearDown() override { service_.reset(); }

    SystemSoundID registerClip(const std::string& name, double seconds, double level = 0.5) {
        WavWriter wav(kRate, 1, 16);
        wav.tone(wav.framesFor(seconds), 880.0, level);
        EXPECT_TRUE(wav.write(folder_ / name));
        SystemSoundID sound = 0;
        EXPECT_EQ(service_->createSystemSoundID(*Url::fileURLWithPath(folder_ / name), sound),
                  SystemSoundService::kNoErr);
        EXPECT_NE(sound, 0u);
        return sound;
    }

    OSStatus listen(SystemSoundID sound, RunLoopModes modes = kDefaultRunLoopMode) {
        return service_->addSystemSoundCompletion(sound, nullptr, modes, record, this);
    }
    static void record(SystemSoundID sound, void* clientData) {
        auto* self = static_cast<MixerSoundServiceTest*>(clientData);
        self->finished_.push_back({sound, clientData, self->clock_->now()});
    }
    size_t finishedCount(SystemSoundID sound) const {
        return static_cast<size_t>(std::count_if(finished_.begin(), finished_.end(),
                                                 [&](const auto& f) { return f.sound == sound; }));
    }

    // Lets `seconds` pass: each buffer is pulled at its own time, and the loop runs between.
    void pump(double seconds, bool runLoop = true) {
        const double end = clock_->now() + seconds;
        std::vector<float> buffer(kBuffer * VoiceMixer::kChannels, 0.0f);
        while (clock_->now() < end - 1e-9) {
            std::fill(buffer.begin(), buffer.end(), 0.0f);
            if (output_->source && pulling_)
                output_->source->render(buffer.data(), kBuffer, clock_->now());
            for (int i = 0; i < kBuffer; ++i)
                heard_.push_back(buffer[static_cast<size_t>(i) * VoiceMixer::kChannels]);
            pulled_ += kBuffer;
            const double next = static_cast<double>(pulled_) / kRate;
            if (runLoop)
                loop_->runFor(next - clock_->now());
            else
                clock_->advanceTo(next);
        }
    }
    VoiceMixer& mixer() const { return dynamic_cast<VoiceMixer&>(*output_->source); }
    int64_t firstLoudFrame(int64_t from = 0) const {
        for (auto i = static_cast<size_t>(from); i < heard_.size(); ++i)
            if (std::abs(heard_[i]) > 0.01f) return static_cast<int64_t>(i);
        return -1;
    }

    TempDirectory folder_;
    std::vector<std::string> log_;
    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
    std::shared_ptr<RunLoop> loop_ = std::make_shared<RunLoop>(clock_);
    ScopedServices services_{{.runLoop = loop_, .log = logInto(log_)}};
    std::shared_ptr<VirtualAudioOutput::State> output_ =
        std::make_shared<VirtualAudioOutput::State>();
    std::shared_ptr<MixerSoundService> service_ =
        MixerSoundService::create(*loop_, std::make_unique<VirtualAudioOutput>(output_));
    bool pulling_ = true;  // false: the device has stopped calling back
    int64_t pulled_ = 0;
    std::vector<float> heard_;
    std::vector<Finished> finished_;
};

TEST_F(MixerSoundServiceTest, PlayedSoundReportsItsEndOnTheRunLoopAfterItIsHeard) {
    const SystemSoundID sound = registerClip("short.wav", 0.1);
    service_->playSystemSound(sound);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    pump(0.3);
    ASSERT_EQ(finished_.size(), 1u);
    EXPECT_EQ(finished_[0].clientData, this);
    const double end = static_cast<double>(kLatencyFrames + 4800) / kRate;
    EXPECT_GE(finished_[0].time, end);
    EXPECT_LT(finished_[0].time, end + 0.01);
}

TEST_F(MixerSoundServiceTest, TimerDrivenPlayStartsOnTheFrameOfItsFireTime) {
    const SystemSoundID sound = registerClip("short.wav", 0.1);
    Timer::scheduledTimer(
        0.3, nullptr, [&](Timer&) { service_->playSystemSound(sound); }, nullptr);
    // The loop gets to the timer 1 ms late; the device has asked for the buffers up to then.
    pump(0.3, false);
    clock_->advanceTo(0.301);
    loop_->runUntilIdle();
    pump(0.2);
    // The tone's first sample is 0: it is heard from its second.
    EXPECT_EQ(firstLoudFrame(), int64_t{14400} + kLatencyFrames + 1);
    EXPECT_EQ(mixer().lateStarts(), 0u);
}

TEST_F(MixerSoundServiceTest, OverlappingPlaysAllSoundAndAllReport) {
    const SystemSoundID sound = registerClip("chord.wav", 0.3, 0.02);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    for (int i = 0; i < 40; ++i) service_->playSystemSound(sound);
    pump(0.1);
    const float one = heard_[static_cast<size_t>(kLatencyFrames) + 10];
    EXPECT_NE(one, 0.0f);
    pump(0.4);
    EXPECT_EQ(finishedCount(sound), 40u);
}

TEST_F(MixerSoundServiceTest, FilesThatDoNotLoadAreRefused) {
    const std::string text = "not a sound";
    ASSERT_TRUE(WavWriter::writeFile(folder_ / "text.wav", {text.begin(), text.end()}));
    for (const fs::path& path : {folder_ / "absent.wav", folder_ / "text.wav", folder_.path()}) {
        SCOPED_TRACE(path.string());
        SystemSoundID sound = 5;
        EXPECT_NE(service_->createSystemSoundID(*Url::fileURLWithPath(path), sound),
                  SystemSoundService::kNoErr);
        EXPECT_EQ(sound, 5u);
    }
    SystemSoundID sound = 5;
    EXPECT_NE(
        service_->createSystemSoundID(*Url::URLWithString("https://example.org/a.wav"), sound),
        SystemSoundService::kNoErr);
}

TEST_F(MixerSoundServiceTest, HandlesAreFreshAndNonZero) {
    const SystemSoundID first = registerClip("a.wav", 0.05);
    const SystemSoundID second = registerClip("a.wav", 0.05);
    service_->disposeSystemSoundID(first);
    const SystemSoundID third = registerClip("b.wav", 0.05);
    EXPECT_NE(first, second);
    EXPECT_NE(third, first);
    EXPECT_NE(third, second);
}

TEST_F(MixerSoundServiceTest, HandleZeroUnknownAndDisposedHandlesPlayNothing) {
    const SystemSoundID disposed = registerClip("a.wav", 0.5);
    service_->disposeSystemSoundID(disposed);
    service_->playSystemSound(0);
    service_->playSystemSound(12345);
    service_->playSystemSound(disposed);
    EXPECT_NE(listen(0), SystemSoundService::kNoErr);
    EXPECT_NE(listen(12345), SystemSoundService::kNoErr);
    EXPECT_NE(listen(disposed), SystemSoundService::kNoErr);
    service_->removeSystemSoundCompletion(0);
    service_->disposeSystemSoundID(0);
    service_->disposeSystemSoundID(disposed);
    pump(0.1);
    EXPECT_EQ(firstLoudFrame(), -1);
}

TEST_F(MixerSoundServiceTest, DisposeSilencesThePlayWithinFiveMillisecondsAndDropsItsCompletion) {
    const SystemSoundID sound = registerClip("long.wav", 1.0);
    service_->playSystemSound(sound);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    pump(0.2);
    ASSERT_NE(firstLoudFrame(), -1);
    service_->disposeSystemSoundID(sound);
    const auto disposedAt = static_cast<int64_t>(heard_.size()) + kBuffer + VoiceMixer::kFadeFrames;
    pump(1.0);
    EXPECT_EQ(firstLoudFrame(disposedAt), -1);
    EXPECT_TRUE(finished_.empty());
}

TEST_F(MixerSoundServiceTest, CompletionsOnTheirWayAreDroppedByDisposeOrWithdrawal) {
    const SystemSoundID disposed = registerClip("a.wav", 0.02);
    const SystemSoundID withdrawn = registerClip("b.wav", 0.02);
    for (const SystemSoundID sound : {disposed, withdrawn}) {
        service_->playSystemSound(sound);
        ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    }
    pump(0.1, false);  // both have ended in the mixer; the loop has not looked yet
    service_->disposeSystemSoundID(disposed);
    service_->removeSystemSoundCompletion(withdrawn);
    loop_->runFor(0.1);
    EXPECT_TRUE(finished_.empty());

    // The withdrawn handle still plays and reports to a new registration.
    service_->playSystemSound(withdrawn);
    ASSERT_EQ(listen(withdrawn), SystemSoundService::kNoErr);
    pump(0.1);
    EXPECT_EQ(finishedCount(withdrawn), 1u);
}

TEST_F(MixerSoundServiceTest, CompletionWaitsForItsRunLoopModeAndDisposeStillDropsIt) {
    const SystemSoundID kept = registerClip("a.wav", 0.02);
    const SystemSoundID disposed = registerClip("b.wav", 0.02);
    for (const SystemSoundID sound : {kept, disposed}) {
        service_->playSystemSound(sound);
        ASSERT_EQ(listen(sound, RunLoopModes{}), SystemSoundService::kNoErr);  // 0: default
    }
    loop_->setMode(kTrackingRunLoopMode);
    pump(0.1);
    EXPECT_TRUE(finished_.empty());
    service_->disposeSystemSoundID(disposed);
    loop_->setMode(kDefaultRunLoopMode);
    loop_->runUntilIdle();
    ASSERT_EQ(finished_.size(), 1u);
    EXPECT_EQ(finished_[0].sound, kept);
}

TEST_F(MixerSoundServiceTest, ReportsForAServiceThatIsGoneAreIgnored) {
    const SystemSoundID sound = registerClip("short.wav", 0.02);
    service_->playSystemSound(sound);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    pump(0.1, false);
    service_.reset();
    loop_->runFor(0.1);
    EXPECT_TRUE(finished_.empty());
}

// ---- The stream: rest, wake, loss, a late device ----

TEST_F(MixerSoundServiceTest,
       StreamRestsAFewSecondsAfterTheLastSoundAndAWakeOpensItForAPlayOnTime) {
    const SystemSoundID sound = registerClip("short.wav", 0.1);
    service_->playSystemSound(sound);
    pump(2.0);
    EXPECT_TRUE(output_->isOpen);
    pump(3.0);
    EXPECT_FALSE(output_->isOpen) << "closed at most 5 s after the last sound";

    // A finger goes down 60 ms before the tap's play is asked for.
    pump(20.0);
    service_->prepareToPlay();
    EXPECT_TRUE(output_->isOpen);
    pump(0.06);
    const auto tapAt = static_cast<int64_t>(heard_.size());
    service_->playSystemSound(sound);
    pump(0.2);
    EXPECT_EQ(mixer().lateStarts(), 0u);
    EXPECT_EQ(firstLoudFrame(tapAt), tapAt + kLatencyFrames + 1);
}

TEST_F(MixerSoundServiceTest, StreamStaysOpenWhileAnApplicationTimerWaitsSoItsPlayIsOnTime) {
    const SystemSoundID sound = registerClip("short.wav", 0.1);
    Timer::scheduledTimer(
        8.0, nullptr, [&](Timer&) { service_->playSystemSound(sound); }, nullptr);
    pump(7.9);
    EXPECT_TRUE(output_->isOpen);
    pump(0.3);
    EXPECT_EQ(mixer().lateStarts(), 0u);
    EXPECT_EQ(firstLoudFrame(), int64_t{8 * kRate} + kLatencyFrames + 1);
}

TEST_F(MixerSoundServiceTest, LostDeviceEndsItsPlaysOnTimeAndIsRetriedWithBackOff) {
    const SystemSoundID sound = registerClip("long.wav", 2.0);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    service_->playSystemSound(sound);
    pump(0.5);
    output_->lost = true;
    output_->failOpens = 2;
    const int opensBefore = output_->opens;
    pump(1.0);
    EXPECT_FALSE(output_->isOpen) << "noticed within a second";
    ASSERT_EQ(finished_.size(), 0u);
    pump(1.0);
    ASSERT_EQ(finished_.size(), 1u) << "the play ends when it would have ended";
    EXPECT_NEAR(finished_[0].time, 2.0, 0.02);
    // Retried after 0.5 s and 1 s (both fail), then after 2 s while the completion's rest lasts.
    pump(2.0);
    EXPECT_EQ(output_->opens - opensBefore, 3);
    EXPECT_TRUE(output_->isOpen);
    EXPECT_EQ(log_.size(), 1u) << "one line for the loss, none for each retry";
}

TEST_F(MixerSoundServiceTest, DeviceThatStopsPullingIsClosedWithinASecondAndItsPlaysEnd) {
    const SystemSoundID sound = registerClip("short.wav", 0.3);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    service_->playSystemSound(sound);
    pump(0.1);
    pulling_ = false;
    pump(1.0);
    EXPECT_FALSE(output_->isOpen);
    EXPECT_EQ(finished_.size(), 1u);
}

TEST_F(MixerSoundServiceTest, WithoutADeviceClipsRegisterAndPlaysEndSilentlyUntilOneAppears) {
    output_->failOpens = 1000;
    log_.clear();
    const auto late =
        MixerSoundService::create(*loop_, std::make_unique<VirtualAudioOutput>(output_));
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_NE(log_[0].find("No audio device"), std::string::npos);
    service_ = late;
    const SystemSoundID sound = registerClip("short.wav", 0.1);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    service_->playSystemSound(sound);
    const int opens = output_->opens;
    pump(30.0);
    EXPECT_EQ(finished_.size(), 1u);
    EXPECT_LE(output_->opens - opens, 6) << "back-off, and none at rest";

    output_->failOpens = 0;  // the server has started
    service_->prepareToPlay();
    pump(0.06);
    const auto tapAt = static_cast<int64_t>(heard_.size());
    service_->playSystemSound(sound);
    pump(0.2);
    EXPECT_EQ(firstLoudFrame(tapAt), tapAt + kLatencyFrames + 1);
    EXPECT_EQ(log_.size(), 1u);
}

}  // namespace
}  // namespace platform
