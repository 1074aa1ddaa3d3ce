#include "platform/sdl/DecodedClip.h"

#include <SDL2/SDL.h>
#include <sndfile.h>

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
struct StreamFreer {
    void operator()(SDL_AudioStream* stream) const { SDL_FreeAudioStream(stream); }
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

// Converts interleaved float audio to stereo at `rate` with SDL's audio stream.
bool convert(const std::vector<float>& in, int channels, int inRate, int rate,
             std::vector<float>& out) {
    std::unique_ptr<SDL_AudioStream, StreamFreer> stream(
        SDL_NewAudioStream(AUDIO_F32SYS, static_cast<Uint8>(channels), inRate, AUDIO_F32SYS,
                           DecodedClip::kChannels, rate));
    if (!stream) return false;
    // Fed in pieces: the stream takes an int byte count.
    const size_t piece = static_cast<size_t>(kReadFrames) * static_cast<size_t>(channels);
    for (size_t at = 0; at < in.size(); at += piece) {
        const size_t count = std::min(piece, in.size() - at);
        if (SDL_AudioStreamPut(stream.get(), in.data() + at,
                               static_cast<int>(count * sizeof(float))) != 0)
            return false;
    }
    // The resampler holds back the last stretch of its input, and flushing does not release
    // it (SDL 2.26): silence is fed after the clip until the clip's full length has come out,
    // and exactly that length is taken.
    const auto inFrames = static_cast<int64_t>(in.size()) / channels;
    const int64_t frames = (inFrames * rate + inRate / 2) / inRate;
    const int frameBytes = static_cast<int>(sizeof(float)) * DecodedClip::kChannels;
    const std::vector<float> silence(piece, 0.0f);
    for (int fed = 0; SDL_AudioStreamAvailable(stream.get()) < frames * frameBytes; ++fed) {
        if (fed > 64 || SDL_AudioStreamPut(stream.get(), silence.data(),
                                           static_cast<int>(silence.size() * sizeof(float))) != 0)
            return false;
    }
    out.resize(static_cast<size_t>(frames) * DecodedClip::kChannels);
    if (frames == 0) return true;
    return SDL_AudioStreamGet(stream.get(), out.data(), static_cast<int>(frames * frameBytes)) ==
           frames * frameBytes;
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
    if (info.samplerate == rate && info.channels <= kChannels) {
        // The shipped clips' case: at the device's rate, mono or stereo, copied as they are.
        if (info.channels == kChannels) {
            clip->samples = std::move(source);
        } else {
            clip->samples.resize(source.size() * kChannels);
            for (size_t i = 0; i < source.size(); ++i)
                clip->samples[2 * i] = clip->samples[2 * i + 1] = source[i];
        }
        return clip;
    }
    if (!convert(source, info.channels, info.samplerate, rate, clip->samples)) return nullptr;
    // A resampled signal may overshoot full scale a little near a step.
    for (float& sample : clip->samples) sample = std::clamp(sample, -1.0f, 1.0f);
    return clip;
}

}  // namespace platform
