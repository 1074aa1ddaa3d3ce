#include "platform/a11y/atspi/AtspiServer.h"

#include <systemd/sd-bus.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "platform/a11y/SnapshotDiff.h"
#include "platform/a11y/atspi/AtspiNames.h"
#include "platform/a11y/atspi/BusReply.h"
#include "platform/foundation/Log.h"

namespace platform::a11y {
namespace {
constexpr const char* kObjectPrefix = "/org/a11y/atspi/accessible";
constexpr const char* kRootPath = "/org/a11y/atspi/accessible/root";
constexpr const char* kCachePath = "/org/a11y/atspi/cache";
constexpr const char* kNullPath = "/org/a11y/atspi/null";
constexpr uint64_t kRootId = 0;
// AT-SPI2's coordinate type for screen coordinates; the others are taken as the window's.
constexpr uint32_t kCoordScreen = 0;
constexpr uint32_t kLayerWidget = 3;
constexpr uint32_t kLayerWindow = 7;

std::string member(sd_bus_message* message) {
    const char* name = sd_bus_message_get_member(message);
    return name ? name : "";
}
}  // namespace

AtspiServer::AtspiServer(sd_bus* bus, std::string appName, Requests requests)
    : bus_(bus), appName_(std::move(appName)), requests_(std::move(requests)) {
    const char* unique = nullptr;
    if (sd_bus_get_unique_name(bus_, &unique) >= 0 && unique) uniqueName_ = unique;
    const int added =
        sd_bus_add_fallback(bus_, &objects_, kObjectPrefix, &AtspiServer::onCall, this);
    if (added < 0) Log::print("Accessibility: cannot serve objects: %s", std::strerror(-added));
    sd_bus_add_object(bus_, &cache_, kCachePath, &AtspiServer::onCacheCall, this);
}

AtspiServer::~AtspiServer() {
    sd_bus_slot_unref(cache_);
    sd_bus_slot_unref(objects_);
}

// Readers ask for every object in bulk; an empty answer sends them to ask object by object,
// which the snapshot answers without making every row.
int AtspiServer::onCacheCall(sd_bus_message* message, void*, sd_bus_error*) {
    if (!sd_bus_message_is_method_call(message, "org.a11y.atspi.Cache", "GetItems")) return 0;
    return sd_bus_reply_method_return(message, "a((so)(so)(so)iiassusau)", 0);
}

std::string AtspiServer::pathOf(uint64_t id) const {
    return id == kRootId ? kRootPath : std::string(kObjectPrefix) + "/" + std::to_string(id);
}

int AtspiServer::appendReference(sd_bus_message* message, uint64_t id) const {
    return sd_bus_message_append(message, "(so)", uniqueName_.c_str(), pathOf(id).c_str());
}

void AtspiServer::publish(std::shared_ptr<const AccessibleSnapshot> snapshot) {
    const auto previous = std::exchange(snapshot_, std::move(snapshot));
    if (!previous) {
        registerWithRegistry();
        // The first snapshot is told against an empty one: the window's activation and focus.
        for (const auto& event : diffSnapshots(AccessibleSnapshot{}, *snapshot_)) emit(event);
        return;
    }
    for (const auto& event : diffSnapshots(*previous, *snapshot_)) emit(event);
}

void AtspiServer::registerWithRegistry() {
    // Asynchronous, so that the registry may ask the application questions while it embeds it.
    const auto embedded = [](sd_bus_message* reply, void* self, sd_bus_error*) {
        auto& server = *static_cast<AtspiServer*>(self);
        const char* bus = nullptr;
        const char* path = nullptr;
        if (sd_bus_message_is_method_error(reply, nullptr)) {
            const sd_bus_error* error = sd_bus_message_get_error(reply);
            Log::print("Accessibility: the registry did not take the application: %s",
                       error && error->message ? error->message : "no reason given");
        } else if (sd_bus_message_read(reply, "(so)", &bus, &path) >= 0) {
            server.desktopBus_ = bus;
            server.desktopPath_ = path;
        }
        return 0;
    };
    const int called = sd_bus_call_method_async(bus_, nullptr, "org.a11y.atspi.Registry", kRootPath,
                                                "org.a11y.atspi.Socket", "Embed", embedded, this,
                                                "(so)", uniqueName_.c_str(), kRootPath);
    if (called < 0)
        Log::print("Accessibility: cannot reach the registry: %s", std::strerror(-called));
}

int AtspiServer::onCall(sd_bus_message* message, void* self, sd_bus_error*) {
    return static_cast<AtspiServer*>(self)->handle(message);
}

int AtspiServer::handle(sd_bus_message* message) {
    if (!sd_bus_message_is_method_call(message, nullptr, nullptr) || !snapshot_) return 0;
    const std::string path = sd_bus_message_get_path(message);
    uint64_t id = kRootId;
    if (path != kRootPath) {
        const std::string prefix = std::string(kObjectPrefix) + "/";
        if (path.rfind(prefix, 0) != 0) return 0;
        char* end = nullptr;
        id = std::strtoull(path.c_str() + prefix.size(), &end, 10);
        if (*end != '\0' || id == kRootId || !snapshot_->find(id))
            return sd_bus_reply_method_errorf(message, "org.freedesktop.DBus.Error.UnknownObject",
                                              "No such object: %s", path.c_str());
    }
    const char* interface = sd_bus_message_get_interface(message);
    const std::string name = member(message);
    const std::string in = interface ? interface : "";
    int handled = 0;
    if (in == "org.freedesktop.DBus.Properties")
        handled = handleProperties(message, id, name);
    else if (in == "org.a11y.atspi.Accessible")
        handled = handleAccessible(message, id, name);
    else if (in == "org.a11y.atspi.Component")
        handled = handleComponent(message, id, name);
    else if (in == "org.a11y.atspi.Action")
        handled = handleAction(message, id, name);
    else if (in == "org.a11y.atspi.Application" && name == "GetLocale")
        handled = sd_bus_reply_method_return(message, "s", "C");
    if (handled != 0) return handled;
    return sd_bus_reply_method_errorf(message, "org.freedesktop.DBus.Error.UnknownMethod",
                                      "%s.%s is not offered", in.c_str(), name.c_str());
}

std::vector<std::string> AtspiServer::interfacesOf(uint64_t id) const {
    if (id == kRootId) return {"org.a11y.atspi.Accessible", "org.a11y.atspi.Application"};
    std::vector<std::string> interfaces = {"org.a11y.atspi.Accessible", "org.a11y.atspi.Component"};
    const auto node = snapshot_->find(id);
    if (node && !node->actions.empty()) interfaces.emplace_back("org.a11y.atspi.Action");
    if (node && node->value) interfaces.emplace_back("org.a11y.atspi.Value");
    return interfaces;
}

int AtspiServer::handleAccessible(sd_bus_message* message, uint64_t id, const std::string& name) {
    const std::vector<uint64_t> children = id == kRootId
                                               ? std::vector<uint64_t>{snapshot_->nodes.front().id}
                                               : snapshot_->childrenOf(id);
    const auto node = snapshot_->find(id);
    sd_bus_message* reply = nullptr;
    int status = sd_bus_message_new_method_return(message, &reply);
    const BusMessage owned(reply);
    if (status < 0) return status;
    if (name == "GetChildAtIndex") {
        int32_t index = -1;
        sd_bus_message_read(message, "i", &index);
        const bool inside = index >= 0 && static_cast<size_t>(index) < children.size();
        status = inside ? appendReference(reply, children[static_cast<size_t>(index)])
                        : sd_bus_message_append(reply, "(so)", "", kNullPath);
    } else if (name == "GetChildren") {
        status = sd_bus_message_open_container(reply, 'a', "(so)");
        for (const uint64_t child : children)
            if (status >= 0) status = appendReference(reply, child);
        if (status >= 0) status = sd_bus_message_close_container(reply);
    } else if (name == "GetIndexInParent") {
        status =
            sd_bus_message_append(reply, "i", id == kRootId ? -1 : snapshot_->indexInParent(id));
    } else if (name == "GetRelationSet") {
        status = sd_bus_message_append(reply, "a(ua(so))", 0);
    } else if (name == "GetRole") {
        status = sd_bus_message_append(reply, "u",
                                       node ? static_cast<uint32_t>(node->role) : kApplicationRole);
    } else if (name == "GetRoleName" || name == "GetLocalizedRoleName") {
        status = sd_bus_message_append(reply, "s", node ? roleName(node->role) : "application");
    } else if (name == "GetState") {
        const uint64_t states = node ? node->states : 0;
        status = sd_bus_message_append(reply, "au", 2, static_cast<uint32_t>(states),
                                       static_cast<uint32_t>(states >> 32));
    } else if (name == "GetAttributes") {
        status = sd_bus_message_append(reply, "a{ss}", 0);
    } else if (name == "GetApplication") {
        status = appendReference(reply, kRootId);
    } else if (name == "GetInterfaces") {
        status = sd_bus_message_open_container(reply, 'a', "s");
        for (const auto& interface : interfacesOf(id))
            if (status >= 0) status = sd_bus_message_append(reply, "s", interface.c_str());
        if (status >= 0) status = sd_bus_message_close_container(reply);
    } else {
        return 0;
    }
    return sendReply(owned, status);
}

int AtspiServer::handleComponent(sd_bus_message* message, uint64_t id, const std::string& name) {
    const auto node = snapshot_->find(id);
    if (!node) return 0;
    uint32_t coordinates = kCoordScreen;
    int32_t x = 0;
    int32_t y = 0;
    if (name == "Contains" || name == "GetAccessibleAtPoint")
        sd_bus_message_read(message, "iiu", &x, &y, &coordinates);
    else if (name == "GetExtents" || name == "GetPosition")
        sd_bus_message_read(message, "u", &coordinates);
    const ScreenMapping& screen = snapshot_->screen;
    const float originX = coordinates == kCoordScreen ? screen.x : 0;
    const float originY = coordinates == kCoordScreen ? screen.y : 0;
    const Rect& box = node->extents;
    const auto left = static_cast<int32_t>(std::lround(originX + box.x() * screen.scale));
    const auto top = static_cast<int32_t>(std::lround(originY + box.y() * screen.scale));
    const auto width = static_cast<int32_t>(std::lround(box.width() * screen.scale));
    const auto height = static_cast<int32_t>(std::lround(box.height() * screen.scale));
    if (name == "GetExtents")
        return sd_bus_reply_method_return(message, "(iiii)", left, top, width, height);
    if (name == "GetPosition") return sd_bus_reply_method_return(message, "ii", left, top);
    if (name == "GetSize") return sd_bus_reply_method_return(message, "ii", width, height);
    if (name == "Contains")
        return sd_bus_reply_method_return(
            message, "b", x >= left && x < left + width && y >= top && y < top + height);
    if (name == "GetAccessibleAtPoint")
        return sd_bus_reply_method_return(message, "(so)", "", kNullPath);
    if (name == "GetLayer")
        return sd_bus_reply_method_return(message, "u",
                                          node->role == Role::Frame ? kLayerWindow : kLayerWidget);
    if (name == "GetMDIZOrder") return sd_bus_reply_method_return(message, "n", int16_t{0});
    if (name == "GetAlpha") return sd_bus_reply_method_return(message, "d", 1.0);
    if (name == "GrabFocus") {
        const bool focusable = (node->states & kStateFocusable) != 0;
        if (focusable) requests_.grabFocus(id);
        return sd_bus_reply_method_return(message, "b", focusable);
    }
    return 0;
}

int AtspiServer::handleAction(sd_bus_message* message, uint64_t id, const std::string& name) {
    const auto node = snapshot_->find(id);
    if (!node) return 0;
    const auto& actions = node->actions;
    if (name == "GetActions") {
        sd_bus_message* reply = nullptr;
        int status = sd_bus_message_new_method_return(message, &reply);
        const BusMessage owned(reply);
        if (status >= 0) status = sd_bus_message_open_container(reply, 'a', "(sss)");
        for (const auto& action : actions)
            if (status >= 0) status = sd_bus_message_append(reply, "(sss)", action.c_str(), "", "");
        if (status >= 0) status = sd_bus_message_close_container(reply);
        return sendReply(owned, status);
    }
    int32_t index = -1;
    sd_bus_message_read(message, "i", &index);
    const bool exists = index >= 0 && static_cast<size_t>(index) < actions.size();
    if (name == "DoAction") {
        if (exists) requests_.doAction(id, index);
        return sd_bus_reply_method_return(message, "b", exists);
    }
    if (name == "GetName" || name == "GetLocalizedName")
        return sd_bus_reply_method_return(
            message, "s", exists ? actions[static_cast<size_t>(index)].c_str() : "");
    if (name == "GetDescription" || name == "GetKeyBinding")
        return sd_bus_reply_method_return(message, "s", "");
    return 0;
}

}  // namespace platform::a11y
