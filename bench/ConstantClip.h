#pragma once

// A 48 kHz mono 16-bit WAV clip at one constant level, for the timing benchmarks: its first
// sample is already at full level, so a start is sharp to the frame, and in a mix two
// overlapping plays show as twice the level and a gap as silence.

#include <sndfile.h>

#include <filesystem>
#include <vector>

inline bool writeConstantClip(const std::filesystem::path& path, double seconds,
                              float level = 0.5f) {
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    const auto frames = static_cast<sf_count_t>(seconds * 48000 + 0.5);
    const std::vector<float> samples(static_cast<size_t>(frames), level);
    const bool written = sf_writef_float(file, samples.data(), frames) == frames;
    sf_close(file);
    return written;
}
