#include "platform/audio/VoiceMixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace platform {
namespace {

constexpr int kRate = 48000;
constexpr int kBuffer = 128;
constexpr double kLatency = 0.005;  // 240 frames

std::shared_ptr<DecodedClip> constantClip(int64_t frames, float level) {
    auto clip = std::make_shared<DecodedClip>();
    clip->samples.assign(static_cast<size_t>(frames) * DecodedClip::kChannels, level);
    return clip;
}

// Pulls the mixer as a device with an exact clock would: buffer k is asked for at k x period.
// Keeps the left channel of everything rendered.
struct VirtualDevice {
    VoiceMixer mixer{kRate, kLatency, 4};
    std::vector<float> heard;

    void pull(double seconds) {
        std::vector<float> buffer(kBuffer * VoiceMixer::kChannels);
        const auto end = static_cast<int64_t>(seconds * kRate);
        while (mixer.frame() < end) {
            mixer.render(buffer.data(), kBuffer, static_cast<double>(mixer.frame()) / kRate);
            for (int i = 0; i < kBuffer; ++i) heard.push_back(buffer[i * VoiceMixer::kChannels]);
        }
    }
    int64_t firstFrameAt(float level, int64_t from = 0) const {
        for (auto i = static_cast<size_t>(from); i < heard.size(); ++i)
            if (heard[i] == level) return static_cast<int64_t>(i);
        return -1;
    }
    std::vector<VoiceMixer::Ended> ended() {
        std::vector<VoiceMixer::Ended> all;
        VoiceMixer::Ended one{};
        while (mixer.popEnded(one)) all.push_back(one);
        return all;
    }
};

TEST(VoiceMixerTest, PlayStartsOnTheFrameOfItsDueTimePlusTheLatency) {
    // Due times on a buffer boundary, inside a buffer and on its last frame; each request is
    // handed over up to a buffer after it was due, as a run loop would.
    for (const int64_t dueFrame : {int64_t{0}, int64_t{1280}, int64_t{1333}, int64_t{1407}}) {
        SCOPED_TRACE(dueFrame);
        VirtualDevice device;
        const auto clip = constantClip(1000, 0.25f);
        device.pull(static_cast<double>(dueFrame) / kRate);
        device.mixer.play(*clip, 1, 1, static_cast<double>(dueFrame) / kRate);
        device.pull(0.1);
        const int64_t start = dueFrame + 240;
        EXPECT_EQ(device.firstFrameAt(0.25f), start);
        EXPECT_EQ(device.firstFrameAt(0.0f, start), start + 1000);
        EXPECT_EQ(device.mixer.lateStarts(), 0u);
    }
}

TEST(VoiceMixerTest, OverlappingPlaysAddUpAndTheSumIsClipped) {
    VirtualDevice device;
    const auto quiet = constantClip(480, 0.25f);
    const auto loud = constantClip(480, 0.75f);
    device.mixer.play(*quiet, 1, 1, 0.0);
    device.mixer.play(*quiet, 1, 2, 0.0);
    device.mixer.play(*loud, 2, 3, 0.005);  // starts 240 frames later, over both quiet ones
    device.pull(0.05);
    EXPECT_EQ(device.heard[240], 0.5f);
    EXPECT_EQ(device.heard[480], 1.0f);  // 1.25, clipped
    EXPECT_EQ(device.heard[720], 0.75f);
}

TEST(VoiceMixerTest, RequestWhoseFrameHasPassedStartsAtOnceAndIsCounted) {
    VirtualDevice device;
    const auto clip = constantClip(100, 0.5f);
    device.pull(0.1);
    const auto next = static_cast<int64_t>(device.heard.size());
    device.mixer.play(*clip, 1, 1, 0.05);
    device.pull(0.2);
    EXPECT_EQ(device.firstFrameAt(0.5f), next);
    EXPECT_EQ(device.mixer.lateStarts(), 1u);
}

TEST(VoiceMixerTest, EndsAreReportedInTheOrderTheyAreHeard) {
    VirtualDevice device;
    const auto longClip = constantClip(4800, 0.1f);
    const auto shortClip = constantClip(100, 0.1f);
    device.mixer.play(*longClip, 1, 1, 0.0);
    device.mixer.play(*shortClip, 2, 2, 0.0);
    device.mixer.play(*shortClip, 2, 3, 0.0005);  // ends 24 frames after play 2, same buffer
    device.pull(0.2);
    const auto ended = device.ended();
    ASSERT_EQ(ended.size(), 3u);
    EXPECT_EQ(ended[0].play, 2u);
    EXPECT_EQ(ended[1].play, 3u);
    EXPECT_EQ(ended[2].play, 1u);
    EXPECT_EQ(ended[2].startFrame, 240);
    EXPECT_FALSE(ended[2].stopped);
    EXPECT_EQ(device.mixer.outstanding(), 0u);
}

// A voice cut at a buffer's edge clicks; a stopped one fades out within 5 ms instead.
TEST(VoiceMixerTest, StopFadesEveryPlayOfTheSoundOutWithoutAJump) {
    VirtualDevice device;
    const auto clip = constantClip(48000, 0.25f);
    const auto other = constantClip(48000, 0.125f);
    device.mixer.play(*clip, 1, 1, 0.0);
    device.mixer.play(*clip, 1, 2, 0.5);  // not yet started when stopped
    device.mixer.play(*other, 2, 3, 0.0);
    device.pull(0.1);
    const size_t stoppedAt = device.heard.size();
    device.mixer.stop(1);
    device.pull(1.0);
    float largestStep = 0;
    for (size_t i = stoppedAt; i < stoppedAt + 2 * kBuffer; ++i)
        largestStep = std::max(largestStep, std::abs(device.heard[i] - device.heard[i - 1]));
    EXPECT_LE(largestStep, 0.25f / VoiceMixer::kFadeFrames + 1e-6f);
    EXPECT_EQ(device.heard[stoppedAt + VoiceMixer::kFadeFrames], 0.125f);
    EXPECT_EQ(device.firstFrameAt(0.375f, 4800 + kBuffer), -1);  // play 2 never started
    const auto ended = device.ended();
    ASSERT_EQ(ended.size(), 2u);
    EXPECT_TRUE(ended[0].stopped);
    EXPECT_TRUE(ended[1].stopped);
}

TEST(VoiceMixerTest, MorePlaysThanVoicesAllSound) {
    VirtualDevice device;  // room for 4 voices at first
    const auto clip = constantClip(2000, 0.01f);
    for (uint64_t play = 1; play <= 50; ++play) device.mixer.play(*clip, 1, play, 0.0);
    device.pull(0.1);
    EXPECT_NEAR(device.heard[1000], 0.5f, 1e-5f);
    EXPECT_EQ(device.ended().size(), 50u);
    EXPECT_EQ(device.mixer.outstanding(), 0u);
}

// A device whose callbacks arrive with up to 1 ms of random lateness and whose frame clock
// runs 6 % fast: once locked, requests still start within a sample of the same latency.
TEST(VoiceMixerTest, NoisyDeviceTimingDoesNotReachTheStarts) {
    VoiceMixer mixer(kRate, 0.01, 4);
    const auto clip = constantClip(10, 0.5f);
    const double realRate = kRate * 1.06;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> lateness(0.0, 0.001);
    std::vector<float> buffer(kBuffer * VoiceMixer::kChannels);
    std::vector<double> latencies;
    uint64_t play = 0;
    for (int k = 0; k < 4000; ++k) {
        const double asked = static_cast<double>(mixer.frame()) / realRate;
        mixer.render(buffer.data(), kBuffer, asked + lateness(random));
        // After 3 s, a request due at a random moment every 16 buffers.
        if (k > 1200 && k % 16 == 0) {
            const double due = asked + lateness(random);
            mixer.play(*clip, 1, ++play, due);
            VoiceMixer::Ended ended{};
            for (int i = 0; i < 8; ++i) {
                mixer.render(buffer.data(), kBuffer,
                             static_cast<double>(mixer.frame()) / realRate + lateness(random));
                ++k;
            }
            while (mixer.popEnded(ended)) latencies.push_back(ended.startFrame / realRate - due);
        }
    }
    ASSERT_GT(latencies.size(), 100u);
    const auto [low, high] = std::minmax_element(latencies.begin(), latencies.end());
    EXPECT_LT(*high - *low, 0.0001);
    // The latency, in frames of the device's real clock, is the one asked for, less the
    // callbacks' mean lateness (0.5 ms), which is part of the device's own constant latency.
    EXPECT_NEAR(*low, 0.01 * kRate / realRate - 0.0005, 0.0001);
    EXPECT_EQ(mixer.lateStarts(), 0u);
}

// A server fills its own buffer as a stream starts: PulseAudio asks for the first buffer and
// at once for the second, PipeWire for the first early, pipewire-pulse for the second early.
// Plays due in the stream's first moments still start on their frames.
TEST(VoiceMixerTest, AStreamsFirstBuffersOffTheBeatDoNotMoveEarlyStarts) {
    constexpr int kServerBuffer = 960;
    for (const auto& [offBuffer, offBy] : {std::pair{0, 0.0167}, {0, -0.016}, {1, -0.016}}) {
        SCOPED_TRACE(offBuffer);
        VoiceMixer mixer(kRate, 0.05, 4);
        const auto clip = constantClip(10, 0.5f);
        std::vector<float> buffer(kServerBuffer * VoiceMixer::kChannels);
        const std::vector<double> dueTimes{0.07, 0.3, 1.5};
        for (int k = 0; k < 100; ++k) {
            const double asked = static_cast<double>(mixer.frame()) / kRate;
            for (size_t play = 0; play < dueTimes.size(); ++play)
                if (dueTimes[play] > asked - 0.02 && dueTimes[play] <= asked)
                    mixer.play(*clip, 1, play, dueTimes[play]);
            mixer.render(buffer.data(), kServerBuffer, asked + (k == offBuffer ? offBy : 0.0));
        }
        VoiceMixer::Ended ended{};
        while (mixer.popEnded(ended))
            EXPECT_NEAR(static_cast<double>(ended.startFrame),
                        (dueTimes[ended.play] + 0.05) * kRate, 2.0);
        EXPECT_EQ(mixer.outstanding(), 0u);
    }
}

TEST(VoiceMixerTest, AHeldUpAudioThreadDoesNotMoveLaterStarts) {
    VoiceMixer mixer(kRate, kLatency, 4);
    const auto clip = constantClip(10, 0.5f);
    std::vector<float> buffer(kBuffer * VoiceMixer::kChannels);
    double lateness = 0;
    const auto pullUntil = [&](double seconds) {
        while (static_cast<double>(mixer.frame()) / kRate < seconds) {
            mixer.render(buffer.data(), kBuffer,
                         static_cast<double>(mixer.frame()) / kRate + lateness);
            // The driver catches up a third of a millisecond per buffer.
            lateness = std::max(0.0, lateness - 0.00033);
        }
    };
    pullUntil(6.0);
    lateness = 0.01;  // the machine holds the audio thread up for 10 ms
    pullUntil(7.0);
    const double due = 7.0012345;
    mixer.play(*clip, 1, 1, due);
    pullUntil(7.1);
    VoiceMixer::Ended ended{};
    ASSERT_TRUE(mixer.popEnded(ended));
    EXPECT_NEAR(static_cast<double>(ended.startFrame), (due + kLatency) * kRate, 1.0);
}

TEST(VoiceMixerTest, ADriverThatAsksForBuffersInBurstsIsFollowedSmoothly) {
    VoiceMixer mixer(kRate, 0.05, 4);  // a latency longer than a burst, as such a device has
    const auto clip = constantClip(10, 0.5f);
    constexpr int kBurst = 16;  // 43 ms of buffers asked for at once
    std::mt19937 random(3);
    std::uniform_real_distribution<double> pause(0.4, 0.5);
    std::vector<float> buffer(kBuffer * VoiceMixer::kChannels);
    std::vector<double> dueTimes{5.0};
    std::vector<double> latencies;
    for (int64_t k = 0; k < 20 * kRate / kBuffer; ++k) {
        const double asked = static_cast<double>((k / kBurst + 1) * kBurst * kBuffer) / kRate;
        if (asked > dueTimes.back()) {
            mixer.play(*clip, 1, dueTimes.size() - 1, dueTimes.back());
            dueTimes.push_back(dueTimes.back() + pause(random));
        }
        mixer.render(buffer.data(), kBuffer, asked);
        VoiceMixer::Ended ended{};
        while (mixer.popEnded(ended))
            latencies.push_back(static_cast<double>(ended.startFrame) / kRate -
                                dueTimes[ended.play]);
    }
    EXPECT_EQ(mixer.clockRestarts(), 0u);
    EXPECT_EQ(mixer.lateStarts(), 0u);
    ASSERT_GT(latencies.size(), 20u);
    // The callbacks swing by 43 ms; the starts by a hundredth of that at most.
    const auto [low, high] = std::minmax_element(latencies.begin(), latencies.end());
    EXPECT_LT(*high - *low, 0.0005);
}

}  // namespace
}  // namespace platform
