#include "platform/a11y/atspi/AtspiWorker.h"

#include <pthread.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <systemd/sd-event.h>
#include <unistd.h>

#include <cstring>

#include "platform/foundation/Log.h"

namespace platform::a11y {
namespace {
constexpr const char* kLauncher = "org.a11y.Bus";
constexpr const char* kLauncherPath = "/org/a11y/bus";
}  // namespace

AtspiWorker::AtspiWorker(sd_bus* session, std::string appName, Callbacks callbacks)
    : session_(session), appName_(std::move(appName)), callbacks_(std::move(callbacks)) {
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread_ = std::thread([this] { run(); });
}

AtspiWorker::~AtspiWorker() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake();
    if (thread_.joinable()) thread_.join();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void AtspiWorker::publish(std::shared_ptr<const AccessibleSnapshot> snapshot) {
    {
        const std::lock_guard lock(mutex_);
        pending_ = std::move(snapshot);
    }
    wake();
}

void AtspiWorker::wake() {
    const uint64_t one = 1;
    if (wakeFd_ >= 0 && ::write(wakeFd_, &one, sizeof one) < 0) {
        // The counter is full only if the thread has stopped reading; nothing to do then.
    }
}

void AtspiWorker::run() {
    // Named so that top -H, a debugger and /proc/PID/task tell it from SDL's threads.
    pthread_setname_np(pthread_self(), "a11y-bridge");
    int status = sd_event_new(&events_);
    if (status >= 0) status = sd_bus_attach_event(session_, events_, 0);
    if (status >= 0)
        status = sd_event_add_io(events_, nullptr, wakeFd_, EPOLLIN, &AtspiWorker::onWake, this);
    if (status >= 0)
        status = sd_bus_match_signal(session_, nullptr, kLauncher, kLauncherPath,
                                     "org.freedesktop.DBus.Properties", "PropertiesChanged",
                                     &AtspiWorker::onStatusChanged, this);
    if (status < 0) {
        Log::print("Accessibility: cannot watch the session bus: %s", std::strerror(-status));
    } else {
        refreshStatus();
        sd_event_loop(events_);
    }
    disconnectAccessibilityBus();
    sd_bus_flush_close_unref(session_);
    session_ = nullptr;
    sd_event_unref(events_);
    events_ = nullptr;
}

int AtspiWorker::onWake(sd_event_source*, int fd, uint32_t, void* self) {
    auto& worker = *static_cast<AtspiWorker*>(self);
    uint64_t count = 0;
    if (::read(fd, &count, sizeof count) < 0) {
        // Woken without a count: nothing was asked.
    }
    std::shared_ptr<const AccessibleSnapshot> snapshot;
    {
        const std::lock_guard lock(worker.mutex_);
        if (worker.stopping_) return sd_event_exit(worker.events_, 0);
        snapshot = std::move(worker.pending_);
    }
    if (!snapshot || !worker.accessibilityBus_) return 0;
    if (!worker.server_)
        worker.server_ = std::make_unique<AtspiServer>(worker.accessibilityBus_, worker.appName_,
                                                       worker.callbacks_.requests);
    worker.server_->publish(std::move(snapshot));
    return 0;
}

int AtspiWorker::onStatusChanged(sd_bus_message*, void* self, sd_bus_error*) {
    static_cast<AtspiWorker*>(self)->refreshStatus();
    return 0;
}

bool AtspiWorker::readFlag(const char* property) {
    // Without starting the launcher: while nobody runs it, assistive technology is off.
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    int on = 0;
    int status = sd_bus_message_new_method_call(session_, &call, kLauncher, kLauncherPath,
                                                "org.freedesktop.DBus.Properties", "Get");
    if (status >= 0) status = sd_bus_message_set_auto_start(call, 0);
    if (status >= 0) status = sd_bus_message_append(call, "ss", "org.a11y.Status", property);
    if (status >= 0) status = sd_bus_call(session_, call, 0, nullptr, &reply);
    if (status >= 0) status = sd_bus_message_read(reply, "v", "b", &on);
    sd_bus_message_unref(call);
    sd_bus_message_unref(reply);
    return status >= 0 && on;
}

void AtspiWorker::refreshStatus() {
    const bool enabled = readFlag("IsEnabled") || readFlag("ScreenReaderEnabled");
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled)
        connectAccessibilityBus();
    else
        disconnectAccessibilityBus();
    callbacks_.enabledChanged(enabled_ && accessibilityBus_);
}

void AtspiWorker::connectAccessibilityBus() {
    sd_bus_message* reply = nullptr;
    const char* address = nullptr;
    int status = sd_bus_call_method(session_, kLauncher, kLauncherPath, kLauncher, "GetAddress",
                                    nullptr, &reply, "");
    if (status >= 0) status = sd_bus_message_read(reply, "s", &address);
    if (status >= 0) status = sd_bus_new(&accessibilityBus_);
    if (status >= 0) status = sd_bus_set_address(accessibilityBus_, address);
    if (status >= 0) status = sd_bus_set_bus_client(accessibilityBus_, 1);
    if (status >= 0) status = sd_bus_start(accessibilityBus_);
    if (status >= 0) status = sd_bus_attach_event(accessibilityBus_, events_, 0);
    sd_bus_message_unref(reply);
    if (status < 0) {
        Log::print("Accessibility: cannot connect to the accessibility bus: %s",
                   std::strerror(-status));
        disconnectAccessibilityBus();
    }
}

void AtspiWorker::disconnectAccessibilityBus() {
    server_.reset();
    if (accessibilityBus_) sd_bus_detach_event(accessibilityBus_);
    accessibilityBus_ = sd_bus_flush_close_unref(accessibilityBus_);
}

}  // namespace platform::a11y
