#include "platform/audio/DevicelessSoundService.h"

#include "platform/foundation/Log.h"

namespace platform {

OSStatus DevicelessSoundService::createSystemSoundID(const Url&, SystemSoundID&) {
    if (!reported_) {
        Log::print("No audio device: sounds will not play");
        reported_ = true;
    }
    return kNoDeviceErr;
}

}  // namespace platform
