#include "app/SoundEffect.h"

#include "platform/audio/AudioFile.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "platform/foundation/Services.h"

namespace {
// The last path component without its last extension: "a/Door Bell.wav" gives "Door Bell",
// "a.b.wav" gives "a.b". Plain string work: the catalogue makes thousands of these at start-up.
std::string displayName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > start;
    return path.substr(start, (hasExtension ? dot : path.size()) - start);
}
}  // namespace

std::shared_ptr<SoundEffect> SoundEffect::soundEffectWithContentsOfFile(
    const std::optional<std::string>& path) {
    if (!path) return nullptr;
    return std::make_shared<SoundEffect>(*path);
}

SoundEffect::SoundEffect(const std::string& path) : name_(displayName(path)), path_(path) {}

SoundEffect::~SoundEffect() {
    if (soundID_ != 0) platform::services().sound->disposeSystemSoundID(soundID_);
}

void SoundEffect::load() {
    // An exact comparison: any duration read before, NaN included, means the file was measured.
    if (duration_ != 0.0) return;

    const auto url = platform::Url::fileURLWithPath(path_);
    // The duration is taken even when the file cannot be read; it then stays 0.0, so that the
    // next play tries the whole load again.
    double seconds = 0.0;
    if (url) {
        std::unique_ptr<platform::AudioFile> file;
        if (platform::AudioFile::open(*url, file) == platform::AudioFile::kNoErr)
            file->estimatedDuration(seconds);
    }
    setDuration(seconds);

    if (!url) {
        platform::Log::print("NSURL is nil for path: %s", path_.c_str());
        return;
    }
    platform::SystemSoundID sound = 0;
    const platform::OSStatus status = platform::services().sound->createSystemSoundID(*url, sound);
    if (status == 0) {
        soundID_ = sound;
        return;
    }
    platform::Log::print("Error %d loading sound: %s (%.2f secs)", static_cast<int>(status),
                         displayName(path_).c_str(), duration_);
}

void SoundEffect::play() {
    if (soundID_ == 0) load();
    auto& service = *platform::services().sound;
    service.playSystemSound(soundID_);
    service.addSystemSoundCompletion(soundID_, nullptr, platform::kDefaultRunLoopMode,
                                     MyAudioServicesSystemSoundCompletionProc, &name_);
}

void SoundEffect::stop() { platform::services().sound->removeSystemSoundCompletion(soundID_); }

void MyAudioServicesSystemSoundCompletionProc(platform::SystemSoundID sound, void* /*clientData*/) {
    platform::services().sound->removeSystemSoundCompletion(sound);
}
