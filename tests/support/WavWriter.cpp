#include "tests/support/WavWriter.h"

#include <cmath>
#include <fstream>
#include <numbers>

namespace platform {
namespace {
void append16(std::vector<uint8_t>& bytes, uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value & 0xff));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void append32(std::vector<uint8_t>& bytes, uint32_t value) {
    append16(bytes, static_cast<uint16_t>(value & 0xffff));
    append16(bytes, static_cast<uint16_t>(value >> 16));
}

// Byte by byte: GCC 12's -O2 reports a false overflow for a range insert into an empty vector.
void appendTag(std::vector<uint8_t>& bytes, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(tag[i]));
}
}  // namespace

WavWriter::WavWriter(int sampleRate, int channels, int bitsPerSample)
    : sampleRate_(sampleRate), channels_(channels), bitsPerSample_(bitsPerSample) {}

int64_t WavWriter::framesFor(double seconds) const { return std::llround(seconds * sampleRate_); }

void WavWriter::appendSample(double value) {
    if (bitsPerSample_ == 8) {
        samples_.push_back(static_cast<uint8_t>(std::lround(128.0 + value * 127.0)));
    } else {
        append16(samples_,
                 static_cast<uint16_t>(static_cast<int16_t>(std::lround(value * 32767.0))));
    }
}

WavWriter& WavWriter::tone(int64_t frames, double frequency, double amplitude) {
    for (int64_t frame = 0; frame < frames; ++frame) {
        const double value =
            amplitude * std::sin(2.0 * std::numbers::pi * frequency * frame / sampleRate_);
        for (int channel = 0; channel < channels_; ++channel) appendSample(value);
    }
    return *this;
}

WavWriter& WavWriter::silence(int64_t frames) {
    for (int64_t sample = 0; sample < frames * channels_; ++sample) appendSample(0.0);
    return *this;
}

std::vector<uint8_t> WavWriter::bytes() const {
    const auto blockAlign = static_cast<uint16_t>(channels_ * bitsPerSample_ / 8);
    const auto dataSize = static_cast<uint32_t>(samples_.size());
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + samples_.size());
    appendTag(out, "RIFF");
    append32(out, static_cast<uint32_t>(kHeaderSize - 8) + dataSize);
    appendTag(out, "WAVE");
    appendTag(out, "fmt ");
    append32(out, 16);
    append16(out, 1);  // integer PCM
    append16(out, static_cast<uint16_t>(channels_));
    append32(out, static_cast<uint32_t>(sampleRate_));
    append32(out, static_cast<uint32_t>(sampleRate_) * blockAlign);
    append16(out, blockAlign);
    append16(out, static_cast<uint16_t>(bitsPerSample_));
    appendTag(out, "data");
    append32(out, dataSize);
    out.insert(out.end(), samples_.begin(), samples_.end());
    return out;
}

bool WavWriter::write(const std::filesystem::path& file) const { return writeFile(file, bytes()); }

void WavWriter::patch32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
}

bool WavWriter::writeFile(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios_base::binary | std::ios_base::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace platform
