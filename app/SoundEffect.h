#pragma once

#include "platform/audio/SystemSoundService.h"

#include <memory>
#include <optional>
#include <string>

// One clip among the application's resources: its display name, whether the user has hidden
// it, its length, and the sound service's handle for it. Creating one touches no file; the clip
// is opened, measured and registered on its first play.
//
// Clips are shared: the board's catalogue holds every one, and a list cell holds the one it
// shows.
class SoundEffect {
public:
    // nullptr when there is no path.
    static std::shared_ptr<SoundEffect> soundEffectWithContentsOfFile(
        const std::optional<std::string>& path);

    explicit SoundEffect(const std::string& path);
    ~SoundEffect();
    SoundEffect(const SoundEffect&) = delete;
    SoundEffect& operator=(const SoundEffect&) = delete;

    // Starts the clip and returns at once, loading it first if it has no handle yet; once this
    // returns, duration() holds the clip's length.
    void play();
    // Withdraws the completion registration; a clip already sounding plays on.
    void stop();

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    const std::string& path() const { return path_; }
    void setPath(std::string path) { path_ = std::move(path); }
    bool hidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    double duration() const { return duration_; }
    void setDuration(double duration) { duration_ = duration; }

private:
    void load();

    platform::SystemSoundID soundID_ = 0;
    std::string name_;
    std::string path_;
    bool hidden_ = false;
    double duration_ = 0.0;
};

// Called by the sound service when a clip has finished: withdraws that clip's completion
// registration. The client data is not read.
void MyAudioServicesSystemSoundCompletionProc(platform::SystemSoundID sound, void* clientData);
