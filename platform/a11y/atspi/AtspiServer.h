#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/a11y/AccessibleSnapshot.h"

#include <systemd/sd-bus.h>

namespace platform::a11y {

// The application's objects on the accessibility bus: it answers every question of a reader
// (Accessible, Component, Action, Value, Application) from the latest snapshot, tells the
// registry that the application is there, and turns the differences between snapshots into
// AT-SPI2 events. Requests that change something (an action, a new value, a focus grab) are
// handed to `requests`, which carries them to the main thread.
//
// Lives on the bridge's thread, like its bus connection.
class AtspiServer {
public:
    struct Requests {
        std::function<void(uint64_t id, int action)> doAction;
        std::function<void(uint64_t id, double value)> setValue;
        std::function<void(uint64_t id)> grabFocus;
    };

    // Serves on `bus` (already connected to the accessibility bus; not owned, it must outlive
    // the server) as the application `appName`.
    AtspiServer(sd_bus* bus, std::string appName, Requests requests);
    ~AtspiServer();
    AtspiServer(const AtspiServer&) = delete;
    AtspiServer& operator=(const AtspiServer&) = delete;

    // Takes the next snapshot: the first one registers the application with the registry,
    // later ones send the events that lead from the previous one to it.
    void publish(std::shared_ptr<const AccessibleSnapshot> snapshot);

private:
    static int onCall(sd_bus_message* message, void* self, sd_bus_error* error);
    static int onCacheCall(sd_bus_message* message, void* self, sd_bus_error* error);
    int handle(sd_bus_message* message);
    int handleAccessible(sd_bus_message* message, uint64_t id, const std::string& member);
    int handleComponent(sd_bus_message* message, uint64_t id, const std::string& member);
    int handleAction(sd_bus_message* message, uint64_t id, const std::string& member);
    int handleProperties(sd_bus_message* message, uint64_t id, const std::string& member);
    int appendProperty(sd_bus_message* reply, uint64_t id, const std::string& interface,
                       const std::string& name);
    int appendReference(sd_bus_message* message, uint64_t id) const;
    std::string pathOf(uint64_t id) const;
    std::vector<std::string> interfacesOf(uint64_t id) const;
    void emit(const struct AccessibleEvent& event);
    void registerWithRegistry();

    sd_bus* bus_;  // non-owning
    std::string appName_;
    std::string uniqueName_;
    Requests requests_;
    sd_bus_slot* objects_ = nullptr;
    sd_bus_slot* cache_ = nullptr;
    std::shared_ptr<const AccessibleSnapshot> snapshot_;
    int32_t applicationId_ = 0;
    // The desktop the registry embedded the application in: the root's parent.
    std::string desktopBus_;
    std::string desktopPath_;
};

}  // namespace platform::a11y
