#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/a11y/AccessibleSnapshot.h"
#include "platform/a11y/atspi/AtspiServer.h"

#include <systemd/sd-bus.h>
#include <systemd/sd-event.h>

namespace platform::a11y {

// The bridge's thread: one sd-event loop over the session bus (where it watches whether
// assistive technology is on), the accessibility bus while it is on, and an eventfd by which
// other threads hand it snapshots or ask it to stop. It blocks without a time-out between
// those, so it costs nothing at rest.
class AtspiWorker {
public:
    struct Callbacks {
        // Called on the worker's thread when assistive technology goes on or off.
        std::function<void(bool on)> enabledChanged;
        AtspiServer::Requests requests;  // called on the worker's thread
    };

    // Takes the session bus connection (owned from now on) and starts the thread.
    AtspiWorker(sd_bus* session, std::string appName, Callbacks callbacks);
    // Stops the thread and closes its connections.
    ~AtspiWorker();
    AtspiWorker(const AtspiWorker&) = delete;
    AtspiWorker& operator=(const AtspiWorker&) = delete;

    // Any thread: the latest snapshot, served from now on (a later one replaces one not yet
    // taken).
    void publish(std::shared_ptr<const AccessibleSnapshot> snapshot);

private:
    void run();
    void wake();
    static int onWake(sd_event_source*, int fd, uint32_t, void* self);
    static int onStatusChanged(sd_bus_message*, void* self, sd_bus_error*);
    void refreshStatus();
    bool readFlag(const char* property);
    void connectAccessibilityBus();
    void disconnectAccessibilityBus();

    sd_bus* session_;
    sd_bus* accessibilityBus_ = nullptr;
    sd_event* events_ = nullptr;
    std::string appName_;
    Callbacks callbacks_;
    std::unique_ptr<AtspiServer> server_;
    bool enabled_ = false;
    int wakeFd_ = -1;

    std::mutex mutex_;  // guards the two below
    std::shared_ptr<const AccessibleSnapshot> pending_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace platform::a11y
