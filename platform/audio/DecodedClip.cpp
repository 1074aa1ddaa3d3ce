#include "platform/audio/DecodedClip.h"

#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace platform {
namespace {
constexpr int kMaxChannels = 8;
// No clip is recorded below a kilohertz; a header that claims less would make the resampler
// stretch every frame into seconds of output (gigabytes for a few frames at 1 Hz).
constexpr int kMinRate = 1000;
constexpr sf_count_t kReadFrames = 4096;
// Short sounds only: anything longer than this many seconds at the source rate is refused,
// so that a hostile header or a huge file cannot exhaust memory.
constexpr int64_t kMaxSeconds = 600;

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

// The file's samples, interleaved float at its own rate and channel count.
bool readAll(SNDFILE* file, const SF_INFO& info, std::vector<float>& out) {
    const auto channels = static_cast<size_t>(info.channels);
    const int64_t maxFrames = kMaxSeconds * info.samplerate;
    int64_t frames = 0;
    for (;;) {
        const size_t at = out.size();
        out.resize(at + static_cast<size_t>(kReadFrames) * channels);
        const sf_count_t got = sf_readf_float(file, out.data() + at, kReadFrames);
        out.resize(at + static_cast<size_t>(std::max<sf_count_t>(got, 0)) * channels);
        frames += std::max<sf_count_t>(got, 0);
        if (frames > maxFrames) return false;
        if (got < kReadFrames) return true;
    }
}

// Any channel count as stereo at the file's own rate: mono is heard on both sides; from three
// channels on, the first two are left and right and every further channel is heard on both
// sides at -3 dB, so that nothing of the clip goes missing.
std::vector<float> toStereo(const std::vector<float>& in, int channels) {
    const auto count = static_cast<size_t>(channels);
    const size_t frames = in.size() / count;
    std::vector<float> out(frames * DecodedClip::kChannels);
    constexpr float kBothSides = 0.70710678f;
    for (size_t frame = 0; frame < frames; ++frame) {
        const float* source = in.data() + frame * count;
        float left = source[0];
        float right = channels > 1 ? source[1] : source[0];
        for (size_t extra = 2; extra < count; ++extra) {
            left += kBothSides * source[extra];
            right += kBothSides * source[extra];
        }
        out[2 * frame] = left;
        out[2 * frame + 1] = right;
    }
    return out;
}

// Interleaved float stereo from `inRate` to `rate` with libsoxr's high-quality setting: flat to
// 91 % of the lower Nyquist frequency, images and aliases at least 100 dB down. The output has
// exactly the clip's length at the new rate.
bool resample(const std::vector<float>& in, int inRate, int rate, std::vector<float>& out) {
    const auto inFrames = in.size() / DecodedClip::kChannels;
    const auto frames =
        static_cast<size_t>((static_cast<int64_t>(inFrames) * rate + inRate / 2) / inRate);
    out.assign(frames * DecodedClip::kChannels, 0.0f);
    if (frames == 0) return true;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    size_t written = 0;
    const soxr_error_t error =
        soxr_oneshot(inRate, rate, DecodedClip::kChannels, in.data(), inFrames, nullptr, out.data(),
                     frames, &written, &io, &quality, nullptr);
    return error == nullptr;
}
}  // namespace

std::shared_ptr<const DecodedClip> DecodedClip::decode(const std::string& path, int rate) {
    // Only regular files: opening a FIFO would block the main thread.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return nullptr;
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) return nullptr;
    if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < kMinRate ||
        info.samplerate > 1'000'000)
        return nullptr;
    // Integer formats are read as floats in -1..1; float files are taken as they are.
    sf_command(file.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);

    std::vector<float> source;
    if (!readAll(file.get(), info, source)) return nullptr;
    // Float files may hold anything, NaN included: nothing that could upset the resampler or
    // the mix passes. Integer formats are in range already.
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    if (subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE)
        for (float& sample : source)
            sample = std::isfinite(sample) ? std::clamp(sample, -1.0f, 1.0f) : 0.0f;

    auto clip = std::make_shared<DecodedClip>();
    if (source.empty()) return clip;
    std::vector<float> stereo =
        info.channels == kChannels ? std::move(source) : toStereo(source, info.channels);
    if (info.samplerate == rate) {
        // The shipped clips' case: at the device's rate, taken as they are.
        clip->samples = std::move(stereo);
        if (info.channels > kChannels)
            for (float& sample : clip->samples) sample = std::clamp(sample, -1.0f, 1.0f);
        return clip;
    }
    if (!resample(stereo, info.samplerate, rate, clip->samples)) return nullptr;
    // A resampled signal may overshoot full scale a little near a step.
    for (float& sample : clip->samples) sample = std::clamp(sample, -1.0f, 1.0f);
    return clip;
}

}  // namespace platform
