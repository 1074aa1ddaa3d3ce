#include "platform/audio/SystemSoundService.h"

#include "platform/foundation/Log.h"

namespace platform {
namespace {
// Stands in until the host installs a service with a device: every registration is refused,
// so clips keep no handle, and the first refusal says why in the log.
class DevicelessSoundService final : public SystemSoundService {
public:
    OSStatus createSystemSoundID(const Url&, SystemSoundID&) override {
        if (!reported_) {
            Log::print("No audio device: sounds will not play");
            reported_ = true;
        }
        return kNoDeviceErr;
    }
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

std::shared_ptr<SystemSoundService>& sharedService() {
    static std::shared_ptr<SystemSoundService> instance;
    return instance;
}
}  // namespace

SystemSoundService& SystemSoundService::shared() {
    auto& service = sharedService();
    if (!service) service = std::make_shared<DevicelessSoundService>();
    return *service;
}

void SystemSoundService::setShared(std::shared_ptr<SystemSoundService> service) {
    sharedService() = std::move(service);
}

}  // namespace platform
