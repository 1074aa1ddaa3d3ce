#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace platform {

// Builds small PCM WAV files in memory for tests: a tone or silence of a chosen length and
// format. The bytes can be patched before writing, to make files with hostile headers.
class WavWriter {
public:
    // Byte offsets of the header's size fields in a file built here.
    static constexpr size_t kRiffSizeOffset = 4;
    static constexpr size_t kFmtSizeOffset = 16;
    static constexpr size_t kDataSizeOffset = 40;
    static constexpr size_t kHeaderSize = 44;

    // bitsPerSample is 8 (unsigned samples) or 16 (signed).
    WavWriter(int sampleRate, int channels, int bitsPerSample);

    // Appends `frames` frames of a sine tone at `frequency` Hz on every channel, at `amplitude`
    // (0..1) of full scale.
    WavWriter& tone(int64_t frames, double frequency = 440.0, double amplitude = 0.5);
    WavWriter& silence(int64_t frames);
    // Frames for `seconds`, rounded to the nearest frame.
    int64_t framesFor(double seconds) const;

    // The whole file: RIFF header, "fmt " chunk, "data" chunk.
    std::vector<uint8_t> bytes() const;
    bool write(const std::filesystem::path& file) const;

    static void patch32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);
    static bool writeFile(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);

private:
    void appendSample(double value);  // value in -1..1

    int sampleRate_;
    int channels_;
    int bitsPerSample_;
    std::vector<uint8_t> samples_;
};

}  // namespace platform
