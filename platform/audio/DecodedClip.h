#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// A clip decoded once into the mixer's own format: interleaved float stereo at the device's
// rate, ready to be added into a buffer without any conversion on the audio thread.
struct DecodedClip {
    static constexpr int kChannels = 2;

    std::vector<float> samples;  // frames() x kChannels
    int64_t frames() const { return static_cast<int64_t>(samples.size()) / kChannels; }

    // Reads the whole file with libsndfile (any rate, sample format and 1 to 8 channels) and
    // converts it to stereo at `rate` (libsoxr). Frames are counted as read, never taken
    // from the header, so a header that claims more than the file holds only shortens the
    // clip. nullptr when the file is not a regular readable sound file or is too long.
    static std::shared_ptr<const DecodedClip> decode(const std::string& path, int rate);
};

}  // namespace platform
