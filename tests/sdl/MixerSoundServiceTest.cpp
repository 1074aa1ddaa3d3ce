#include "platform/sdl/MixerSoundService.h"

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
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempDirectory.h"
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

// The service without a device, on a virtual clock: the test pulls its mixer as a device would,
// one buffer at a time, and runs the loop in between, so every frame and every completion is
// exact.
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
        std::vector<float> buffer(kBuffer * VoiceMixer::kChannels);
        while (clock_->now() < end - 1e-9) {
            const double asked = static_cast<double>(service_->mixer().frame()) / kRate;
            service_->mixer().render(buffer.data(), kBuffer, asked);
            for (int i = 0; i < kBuffer; ++i)
                heard_.push_back(buffer[static_cast<size_t>(i) * VoiceMixer::kChannels]);
            const double next = static_cast<double>(service_->mixer().frame()) / kRate;
            if (runLoop)
                loop_->runFor(next - clock_->now());
            else
                clock_->advanceTo(next);
        }
    }
    int64_t firstLoudFrame(int64_t from = 0) const {
        for (auto i = static_cast<size_t>(from); i < heard_.size(); ++i)
            if (std::abs(heard_[i]) > 0.01f) return static_cast<int64_t>(i);
        return -1;
    }

    TempDirectory folder_;
    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
    std::shared_ptr<RunLoop> loop_ = std::make_shared<RunLoop>(clock_);
    ScopedServices services_{{.runLoop = loop_}};
    std::shared_ptr<MixerSoundService> service_ =
        MixerSoundService::offline(*loop_, kRate, kBuffer);
    std::vector<float> heard_;
    std::vector<Finished> finished_;
};

TEST_F(MixerSoundServiceTest, PlayedSoundReportsItsEndOnTheRunLoopAfterItIsHeard) {
    const SystemSoundID sound = registerClip("short.wav", 0.1);
    service_->playSystemSound(sound);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    EXPECT_EQ(service_->playingCount(), 1u);
    pump(0.3);
    ASSERT_EQ(finished_.size(), 1u);
    EXPECT_EQ(finished_[0].clientData, this);
    const double end = static_cast<double>(kLatencyFrames + 4800) / kRate;
    EXPECT_GE(finished_[0].time, end);
    EXPECT_LT(finished_[0].time, end + 0.01);
    EXPECT_EQ(service_->playingCount(), 0u);
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
    EXPECT_EQ(service_->mixer().lateStarts(), 0u);
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
    EXPECT_EQ(service_->playingCount(), 0u);
    EXPECT_NE(listen(0), SystemSoundService::kNoErr);
    EXPECT_NE(listen(12345), SystemSoundService::kNoErr);
    EXPECT_NE(listen(disposed), SystemSoundService::kNoErr);
    service_->removeSystemSoundCompletion(0);
    service_->disposeSystemSoundID(0);
    service_->disposeSystemSoundID(disposed);
    pump(0.1);
    EXPECT_EQ(firstLoudFrame(), -1);
}

TEST_F(MixerSoundServiceTest, DisposeSilencesThePlayAtOnceAndDropsItsCompletion) {
    const SystemSoundID sound = registerClip("long.wav", 1.0);
    service_->playSystemSound(sound);
    ASSERT_EQ(listen(sound), SystemSoundService::kNoErr);
    pump(0.2);
    ASSERT_NE(firstLoudFrame(), -1);
    service_->disposeSystemSoundID(sound);
    const auto disposedAt = static_cast<int64_t>(heard_.size());
    pump(1.0);
    EXPECT_EQ(firstLoudFrame(disposedAt), -1);
    EXPECT_TRUE(finished_.empty());
    EXPECT_EQ(service_->playingCount(), 0u);
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

TEST(MixerSoundServiceDeviceTest, NoDeviceGivesNoServiceAndOneLogLine) {
    ScopedEnvironment driver("SDL_AUDIODRIVER", "no-such-driver");
    std::vector<std::string> lines;
    const ScopedServices services({
        .runLoop = std::make_shared<RunLoop>(std::make_shared<SteadyClock>()),
        .log = [&](const std::string& line) { lines.push_back(line); },
    });
    EXPECT_EQ(MixerSoundService::open(), nullptr);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("No audio device"), std::string::npos);
}

// SDL's disk driver writes what the device would play to a file, in the device's format
// (16-bit stereo), at about the pace of a real device. The run loop runs in real time here.
TEST(MixerSoundServiceDeviceTest, PlayedSoundReachesTheDeviceAndReportsItsEnd) {
    TempDirectory folder;
    const fs::path output = folder / "device.raw";
    WavWriter wav(44100, 1, 16);
    wav.tone(wav.framesFor(0.2), 880.0, 0.5);
    ASSERT_TRUE(wav.write(folder / "tone.wav"));
    auto loop = std::make_shared<RunLoop>(std::make_shared<SteadyClock>());
    const ScopedServices services({.runLoop = loop});
    int frequency = 0;
    int bufferFrames = 0;
    bool finished = false;
    {
        ScopedEnvironment driver("SDL_AUDIODRIVER", "disk");
        ScopedEnvironment file("SDL_DISKAUDIOFILE", output.c_str());
        auto service = MixerSoundService::open();
        ASSERT_NE(service, nullptr);
        frequency = service->frequency();
        bufferFrames = service->bufferFrames();
        SystemSoundID sound = 0;
        ASSERT_EQ(service->createSystemSoundID(*Url::fileURLWithPath(folder / "tone.wav"), sound),
                  SystemSoundService::kNoErr);
        service->playSystemSound(sound);
        ASSERT_EQ(
            service->addSystemSoundCompletion(
                sound, nullptr, kDefaultRunLoopMode,
                [](SystemSoundID, void* flag) { *static_cast<bool*>(flag) = true; }, &finished),
            SystemSoundService::kNoErr);
        for (int i = 0; i < 200 && !finished; ++i) loop->runFor(0.01);
    }
    EXPECT_TRUE(finished);
    EXPECT_EQ(frequency, 48000);
    EXPECT_EQ(bufferFrames, 256);  // the disk driver's pace is even at 256 frames only

    std::ifstream in(output, std::ios_base::binary);
    ASSERT_TRUE(in) << "the disk driver wrote no file";
    std::vector<int16_t> samples;
    int16_t sample = 0;
    while (in.read(reinterpret_cast<char*>(&sample), sizeof sample)) samples.push_back(sample);
    const auto loud = [](int16_t s) { return std::abs(s) > 300; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    ASSERT_NE(first, samples.end()) << "the device played only silence";
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
    const double toneFrames = static_cast<double>(last.base() - first) / 2.0;
    EXPECT_NEAR(toneFrames / frequency, 0.2, 0.002);
    const int peak = std::abs(*std::max_element(
        first, last.base(), [](int16_t a, int16_t b) { return std::abs(a) < std::abs(b); }));
    EXPECT_NEAR(peak, 0.5 * 32767, 0.05 * 32767);
}

}  // namespace
}  // namespace platform
