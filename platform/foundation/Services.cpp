#include "platform/foundation/Services.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"

namespace platform {
namespace {
// Guards `installed` against log lines from other threads. Never destroyed, so that lines
// written while the process exits still find it.
std::mutex& installMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}
Services* installed = nullptr;

void install(Services* services) {
    std::lock_guard lock(installMutex());
    installed = services;
}
}  // namespace

Services& services() {
    if (!installed) {
        std::fputs("No shared services are installed (install a platform::ScopedServices)\n",
                   stderr);
        std::abort();
    }
    return *installed;
}

bool hasServices() { return installed != nullptr; }

ScopedServices::ScopedServices(Services services)
    : services_(std::move(services)), previous_(installed) {
    install(&services_);
}

ScopedServices::~ScopedServices() {
    if (services_.runLoop) services_.runLoop->invalidateAllTimers();
    services_.sound.reset();
    services_.images.reset();
    services_.accelerometer.reset();
    services_.application.reset();
    services_.defaults.reset();
    services_.bundle.reset();
    services_.runLoop.reset();
    install(previous_);
}

namespace detail {
bool sendToLogSink(const std::string& message) {
    std::lock_guard lock(installMutex());
    if (!installed || !installed->log) return false;
    installed->log(message);
    return true;
}
}  // namespace detail

}  // namespace platform
