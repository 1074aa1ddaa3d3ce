#pragma once

#include "platform/audio/SystemSoundService.h"

namespace platform {

// The sound service of a process without an audio device: every registration is refused, so
// clips keep no handle, and the first refusal says why in one log line.
class DevicelessSoundService final : public SystemSoundService {
public:
    OSStatus createSystemSoundID(const Url& url, SystemSoundID& outSound) override;
    void playSystemSound(SystemSoundID) override {}
    OSStatus addSystemSoundCompletion(SystemSoundID, RunLoop*, RunLoopModes, CompletionProc,
                                      void*) override {
        return kBadHandleErr;
    }
    void removeSystemSoundCompletion(SystemSoundID) override {}
    void disposeSystemSoundID(SystemSoundID) override {}

private:
    bool reported_ = false;
};

}  // namespace platform
