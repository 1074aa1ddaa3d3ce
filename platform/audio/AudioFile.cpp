#include "platform/audio/AudioFile.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/foundation/Url.h"

namespace platform {
namespace {
OSStatus statusForOpenError(int error) {
    switch (error) {
        case SF_ERR_UNRECOGNISED_FORMAT:
        case SF_ERR_UNSUPPORTED_ENCODING:
            return AudioFile::kUnsupportedFileTypeErr;
        default:  // malformed header, or the file could not be read
            return AudioFile::kInvalidFileErr;
    }
}
}  // namespace

OSStatus AudioFile::open(const Url& url, std::unique_ptr<AudioFile>& outFile) {
    outFile.reset();
    if (!url.isFileURL()) return kFileNotFoundErr;
    const std::string path = url.path();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? kFileNotFoundErr : kInvalidFileErr;
    }

    // libsndfile reads only the header here; the frame count comes from the chunk sizes,
    // clamped to what the file really holds.
    SF_INFO format{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &format);
    if (!file) return statusForOpenError(sf_error(nullptr));
    sf_close(file);

    // A stream of unknown length reports SF_COUNT_MAX frames; no clip is that long.
    if (format.samplerate <= 0 || format.channels <= 0 || format.frames < 0 ||
        format.frames == SF_COUNT_MAX) {
        return kInvalidFileErr;
    }
    outFile = std::make_unique<AudioFile>(format.frames, format.samplerate);
    return kNoErr;
}

OSStatus AudioFile::estimatedDuration(double& outSeconds) const {
    if (sampleRate_ <= 0 || frames_ < 0) return kInvalidFileErr;
    outSeconds = static_cast<double>(frames_) / sampleRate_;
    return kNoErr;
}

}  // namespace platform
