#include "platform/audio/DecodedClip.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "tests/support/TempDirectory.h"
#include "tests/support/WavWriter.h"

namespace platform {
namespace {

constexpr int kRate = 48000;

struct Format {
    int rate;
    int format;  // libsndfile major | minor
    int channels;
};

// Writes 0.1 s of a 440 Hz tone at half scale on every channel, with libsndfile.
bool writeTone(const std::string& path, const Format& format) {
    SF_INFO info{};
    info.samplerate = format.rate;
    info.channels = format.channels;
    info.format = format.format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    const int frames = format.rate / 10;
    std::vector<float> samples;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < format.channels; ++c)
            samples.push_back(
                static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 440 * i / format.rate)));
    const bool written = sf_writef_float(file, samples.data(), frames) == frames;
    sf_close(file);
    return written;
}

float peak(const DecodedClip& clip) {
    float level = 0;
    for (float sample : clip.samples) level = std::max(level, std::abs(sample));
    return level;
}

TEST(DecodedClipTest, AnyRateSampleFormatAndChannelCountBecomesDeviceStereo) {
    TempDirectory folder;
    const Format formats[] = {
        {8000, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1},   {44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2},
        {96000, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2},  {48000, SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1},
        {48000, SF_FORMAT_WAV | SF_FORMAT_PCM_32, 4},  {48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 6},
        {22050, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8},  {48000, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3},
        {44100, SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 5}, {48000, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 7},
    };
    for (const Format& format : formats) {
        const std::string path = (folder.path() / "clip").string();
        SCOPED_TRACE(testing::Message()
                     << format.rate << " Hz, format " << std::hex << format.format << std::dec
                     << ", " << format.channels << " channels");
        ASSERT_TRUE(writeTone(path, format));
        const auto clip = DecodedClip::decode(path, kRate);
        ASSERT_NE(clip, nullptr);
        EXPECT_NEAR(static_cast<double>(clip->frames()), 0.1 * kRate, 0.002 * kRate);
        // Audible, and never beyond full scale, whatever the channel layout made of it.
        EXPECT_GT(peak(*clip), 0.2f);
        EXPECT_LE(peak(*clip), 1.0f);
    }
}

// A tone resampled to the device's rate keeps its pitch and level; one above the device's
// Nyquist frequency does not fold back into the audible band.
TEST(DecodedClipTest, ResamplingKeepsPitchAndLevelAndLetsNoAliasThrough) {
    TempDirectory folder;
    const struct {
        int rate;
        double frequency;
        double level;  // RMS expected, of a tone at half scale: 0.354; 0: silence
    } cases[] = {
        {44100, 1000, 0.354}, {22050, 3000, 0.354}, {32000, 440, 0.354},
        {96000, 10000, 0.354}, {96000, 30000, 0},  // 6 kHz above the device's Nyquist
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frequency << " Hz at " << c.rate << " Hz");
        WavWriter wav(c.rate, 1, 16);
        wav.tone(wav.framesFor(1.0), c.frequency, 0.5);
        const auto path = folder.path() / "tone.wav";
        ASSERT_TRUE(wav.write(path));
        const auto clip = DecodedClip::decode(path.string(), kRate);
        ASSERT_NE(clip, nullptr);
        // The middle half second, away from the filter's run-in at the ends; left channel.
        double energy = 0;
        int crossings = 0;
        for (int64_t f = kRate / 4; f < 3 * kRate / 4; ++f) {
            const float sample = clip->samples[static_cast<size_t>(2 * f)];
            energy += sample * sample;
            if ((sample >= 0) != (clip->samples[static_cast<size_t>(2 * f - 2)] >= 0)) ++crossings;
        }
        const double rms = std::sqrt(energy / (kRate / 2));
        if (c.level == 0) {
            EXPECT_LT(rms, 0.001) << "an alias 50 dB below the tone at most";
            continue;
        }
        EXPECT_NEAR(rms, c.level, 0.01);
        EXPECT_NEAR(crossings, c.frequency, 2) << "two crossings a cycle over half a second";
    }
}

TEST(DecodedClipTest, MonoPlaysAtItsOwnLevelOnBothSides) {
    TempDirectory folder;
    WavWriter wav(kRate, 1, 16);
    wav.tone(4800, 440.0, 0.5);
    ASSERT_TRUE(wav.write(folder.path() / "mono.wav"));
    const auto clip = DecodedClip::decode((folder.path() / "mono.wav").string(), kRate);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->frames(), 4800);
    EXPECT_NEAR(peak(*clip), 0.5f, 0.01f);
    for (size_t i = 0; i < clip->samples.size(); i += 2)
        ASSERT_EQ(clip->samples[i], clip->samples[i + 1]);
}

TEST(DecodedClipTest, EmptyAndShortFilesGiveWhatTheyHold) {
    TempDirectory folder;
    WavWriter empty(kRate, 1, 16);
    ASSERT_TRUE(empty.write(folder.path() / "empty.wav"));
    const auto none = DecodedClip::decode((folder.path() / "empty.wav").string(), kRate);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->frames(), 0);

    // The header claims a million frames; the file holds 480.
    WavWriter shortWav(kRate, 1, 16);
    shortWav.tone(480);
    auto bytes = shortWav.bytes();
    WavWriter::patch32(bytes, WavWriter::kDataSizeOffset, 2'000'000);
    ASSERT_TRUE(WavWriter::writeFile(folder.path() / "short.wav", bytes));
    const auto clip = DecodedClip::decode((folder.path() / "short.wav").string(), kRate);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->frames(), 480);
}

TEST(DecodedClipTest, WhatIsNotASoundFileIsRefused) {
    TempDirectory folder;
    const std::string text = "not a sound";
    ASSERT_TRUE(WavWriter::writeFile(folder.path() / "text.wav", {text.begin(), text.end()}));
    EXPECT_EQ(DecodedClip::decode((folder.path() / "text.wav").string(), kRate), nullptr);
    EXPECT_EQ(DecodedClip::decode((folder.path() / "absent.wav").string(), kRate), nullptr);
    EXPECT_EQ(DecodedClip::decode(folder.path().string(), kRate), nullptr);
}

// Found by fuzzing: 40 frames claiming 1 Hz would be 40 s at the device's rate, and the
// resampler asked for gigabytes on the way. No clip is recorded below a kilohertz.
TEST(DecodedClipTest, RatesBelowAKilohertzAreRefused) {
    TempDirectory folder;
    const auto path = folder.path() / "one-hertz.wav";
    ASSERT_TRUE(WavWriter(1, 1, 16).tone(40, 0.1).write(path));
    EXPECT_EQ(DecodedClip::decode(path.string(), kRate), nullptr);
}

}  // namespace
}  // namespace platform
