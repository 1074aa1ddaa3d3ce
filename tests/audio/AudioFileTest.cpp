#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "platform/audio/AudioFile.h"
#include "platform/foundation/Url.h"
#include "tests/support/WavWriter.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class AudioFileTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "audiofile-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path file(const std::string& name) const { return folder_ / name; }

    static OSStatus open(const fs::path& path, std::unique_ptr<AudioFile>& outFile) {
        const auto url = Url::fileURLWithPath(path.string());
        EXPECT_TRUE(url.has_value());
        return url ? AudioFile::open(*url, outFile) : AudioFile::kFileNotFoundErr;
    }

    // Opens `bytes` written to a file and expects the open to be refused as not a readable
    // audio file, leaving no file behind.
    void expectRefused(const std::vector<uint8_t>& bytes) {
        const fs::path path = file("refused.wav");
        ASSERT_TRUE(WavWriter::writeFile(path, bytes));
        std::unique_ptr<AudioFile> audio;
        const OSStatus status = open(path, audio);
        EXPECT_TRUE(status == AudioFile::kInvalidFileErr ||
                    status == AudioFile::kUnsupportedFileTypeErr)
            << "status " << status;
        EXPECT_EQ(audio, nullptr);
    }

    // Opens `bytes` and returns the estimated duration, failing the test if it does not open.
    double durationOf(const std::vector<uint8_t>& bytes) {
        const fs::path path = file("clip.wav");
        EXPECT_TRUE(WavWriter::writeFile(path, bytes));
        std::unique_ptr<AudioFile> audio;
        EXPECT_EQ(open(path, audio), AudioFile::kNoErr);
        double seconds = -1.0;
        if (audio) {
            EXPECT_EQ(audio->estimatedDuration(seconds), AudioFile::kNoErr);
        }
        return seconds;
    }

    fs::path folder_;
};

// sample rate, channels, bits per sample
class AudioFileFormatTest : public AudioFileTest,
                            public testing::WithParamInterface<std::tuple<int, int, int>> {};

TEST_P(AudioFileFormatTest, EstimatedDurationIsFramesOverSampleRate) {
    const auto [rate, channels, bits] = GetParam();
    WavWriter wav(rate, channels, bits);
    wav.tone(wav.framesFor(1.2));
    EXPECT_NEAR(durationOf(wav.bytes()), 1.2, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Formats, AudioFileFormatTest,
                         testing::Combine(testing::Values(22050, 44100, 48000),
                                          testing::Values(1, 2), testing::Values(8, 16)));

TEST_F(AudioFileTest, DurationCountsFramesNotBytesOrSamples) {
    // 0.25 s of stereo 16-bit audio: 4 bytes and 2 samples per frame.
    WavWriter wav(44100, 2, 16);
    wav.silence(11025);
    EXPECT_DOUBLE_EQ(durationOf(wav.bytes()), 0.25);

    WavWriter odd(48000, 1, 16);
    odd.tone(1);
    EXPECT_DOUBLE_EQ(durationOf(odd.bytes()), 1.0 / 48000);
}

TEST_F(AudioFileTest, FileWithoutSamplesLastsNoTime) {
    EXPECT_EQ(durationOf(WavWriter(44100, 1, 16).bytes()), 0.0);
}

TEST_F(AudioFileTest, MissingFileIsNotFound) {
    std::unique_ptr<AudioFile> audio;
    EXPECT_EQ(open(file("absent.wav"), audio), AudioFile::kFileNotFoundErr);
    EXPECT_EQ(audio, nullptr);
    EXPECT_EQ(open(file("no-folder") / "absent.wav", audio), AudioFile::kFileNotFoundErr);
}

TEST_F(AudioFileTest, OpenFailureReplacesAnEarlierResult) {
    WavWriter wav(44100, 1, 16);
    wav.tone(100);
    ASSERT_TRUE(wav.write(file("good.wav")));
    std::unique_ptr<AudioFile> audio;
    ASSERT_EQ(open(file("good.wav"), audio), AudioFile::kNoErr);
    ASSERT_NE(audio, nullptr);
    EXPECT_NE(open(file("absent.wav"), audio), AudioFile::kNoErr);
    EXPECT_EQ(audio, nullptr);
}

TEST_F(AudioFileTest, UrlThatIsNotAFileIsNotFound) {
    const auto url = Url::URLWithString("https://example.org/clip.wav");
    ASSERT_TRUE(url.has_value());
    std::unique_ptr<AudioFile> audio;
    EXPECT_EQ(AudioFile::open(*url, audio), AudioFile::kFileNotFoundErr);
    EXPECT_EQ(audio, nullptr);
}

TEST_F(AudioFileTest, FilesThatAreNotAudioAreRefused) {
    expectRefused({});
    const std::string text = "This is a text file that only pretends to be a sound.\n";
    expectRefused(std::vector<uint8_t>(text.begin(), text.end()));
    expectRefused(std::vector<uint8_t>(4096, 0));
    // A folder named like a clip.
    fs::create_directory(file("folder.wav"));
    std::unique_ptr<AudioFile> audio;
    EXPECT_NE(open(file("folder.wav"), audio), AudioFile::kNoErr);
    EXPECT_EQ(audio, nullptr);
}

TEST_F(AudioFileTest, HeaderCutShortIsRefused) {
    WavWriter wav(44100, 1, 16);
    wav.tone(wav.framesFor(0.5));
    const auto whole = wav.bytes();
    for (const size_t length : {4, 12, 20, 30}) {
        SCOPED_TRACE(length);
        expectRefused(std::vector<uint8_t>(whole.begin(), whole.begin() + length));
    }
}

TEST_F(AudioFileTest, DataCutShortCountsOnlyTheFramesPresent) {
    // The header announces 1.2 s, but the file ends after 0.5 s of samples.
    WavWriter wav(44100, 1, 16);
    wav.tone(wav.framesFor(1.2));
    auto bytes = wav.bytes();
    bytes.resize(WavWriter::kHeaderSize + 2 * 22050);
    EXPECT_NEAR(durationOf(bytes), 0.5, 1e-6);
}

TEST_F(AudioFileTest, AbsurdDataSizeIsBoundedByTheFile) {
    WavWriter wav(44100, 1, 16);
    wav.tone(wav.framesFor(0.5));
    for (const uint32_t size : {0xffffffffu, 0xfffffff0u, 0x80000000u}) {
        SCOPED_TRACE(size);
        auto bytes = wav.bytes();
        WavWriter::patch32(bytes, WavWriter::kDataSizeOffset, size);
        WavWriter::patch32(bytes, WavWriter::kRiffSizeOffset, size);
        const double seconds = durationOf(bytes);
        EXPECT_GE(seconds, 0.0);
        EXPECT_LE(seconds, 0.5 + 1e-6);
    }
}

TEST_F(AudioFileTest, AbsurdFormatChunkSizeIsRefused) {
    WavWriter wav(44100, 1, 16);
    wav.tone(wav.framesFor(0.1));
    for (const uint32_t size : {0xffffffffu, 0xfffffff0u, 0x7fffffffu, 0u}) {
        SCOPED_TRACE(size);
        auto bytes = wav.bytes();
        WavWriter::patch32(bytes, WavWriter::kFmtSizeOffset, size);
        expectRefused(bytes);
    }
}

TEST_F(AudioFileTest, ImpossibleFormatFieldsAreRefused) {
    WavWriter wav(44100, 1, 16);
    wav.tone(wav.framesFor(0.1));
    const auto good = wav.bytes();
    constexpr size_t kChannelsOffset = 22;
    constexpr size_t kSampleRateOffset = 24;

    auto noRate = good;
    WavWriter::patch32(noRate, kSampleRateOffset, 0);
    expectRefused(noRate);

    auto noChannels = good;
    noChannels[kChannelsOffset] = 0;
    noChannels[kChannelsOffset + 1] = 0;
    expectRefused(noChannels);
}

TEST(AudioFileValueTest, DurationOfAnImpossibleFileIsAnError) {
    double seconds = 7.0;
    EXPECT_EQ(AudioFile(100, 0).estimatedDuration(seconds), AudioFile::kInvalidFileErr);
    EXPECT_EQ(AudioFile(-1, 44100).estimatedDuration(seconds), AudioFile::kInvalidFileErr);
    EXPECT_EQ(seconds, 7.0);
}

}  // namespace
}  // namespace platform
