#pragma once

#include "platform/audio/SystemSoundService.h"

#include <memory>

namespace platform {

class Url;

// An audio file opened for reading its properties; nothing is decoded.
class AudioFile {
public:
    static constexpr OSStatus kNoErr = 0;
    static constexpr OSStatus kFileNotFoundErr = -43;
    static constexpr OSStatus kInvalidFileErr = 0x64746121;          // 'dta!'
    static constexpr OSStatus kUnsupportedFileTypeErr = 0x7479703f;  // 'typ?'

    // Opens `url` (a file URL) for reading; on success `outFile` holds the file.
    static OSStatus open(const Url& url, std::unique_ptr<AudioFile>& outFile);

    // Frames divided by sample rate, in seconds.
    OSStatus estimatedDuration(double& outSeconds) const;

    AudioFile(long long frames, int sampleRate) : frames_(frames), sampleRate_(sampleRate) {}

private:
    long long frames_;
    int sampleRate_;
};

}  // namespace platform
