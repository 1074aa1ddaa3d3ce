// The server's properties (D-Bus Properties interface) and the events it sends.
#include <systemd/sd-bus.h>

#include <cstring>

#include "platform/a11y/AccessibleEvent.h"
#include "platform/a11y/atspi/AtspiNames.h"
#include "platform/a11y/atspi/BusReply.h"
#include "platform/a11y/atspi/AtspiServer.h"

namespace platform::a11y {
namespace {
constexpr uint64_t kRootId = 0;
constexpr const char* kToolkit = "Soundboard";
constexpr const char* kAtspiVersion = "2.1";

const char* const kPropertiesOf[][6] = {
    {"org.a11y.atspi.Accessible", "Name", "Description", "Parent", "ChildCount", "Locale"},
    {"org.a11y.atspi.Application", "ToolkitName", "Version", "AtspiVersion", "Id", nullptr},
    {"org.a11y.atspi.Action", "NActions", nullptr},
    {"org.a11y.atspi.Value", "MinimumValue", "MaximumValue", "MinimumIncrement", "CurrentValue",
     "Text"},
};
}  // namespace

int AtspiServer::appendProperty(sd_bus_message* reply, uint64_t id, const std::string& interface,
                                const std::string& name) {
    const auto node = snapshot_->find(id);
    const auto variant = [reply](const char* type, auto... values) {
        return sd_bus_message_append(reply, "v", type, values...);
    };
    if (interface == "org.a11y.atspi.Accessible") {
        if (name == "Name") return variant("s", node ? node->name.c_str() : appName_.c_str());
        if (name == "Description" || name == "AccessibleId") return variant("s", "");
        if (name == "Locale") return variant("s", "C");
        if (name == "ChildCount") {
            const size_t count = id == kRootId ? 1 : snapshot_->childrenOf(id).size();
            return variant("i", static_cast<int32_t>(count));
        }
        if (name == "Parent") {
            int status = sd_bus_message_open_container(reply, 'v', "(so)");
            if (status < 0) return status;
            if (id == kRootId)
                status = sd_bus_message_append(
                    reply, "(so)", desktopBus_.c_str(),
                    desktopPath_.empty() ? "/org/a11y/atspi/null" : desktopPath_.c_str());
            else
                status = appendReference(reply, node ? node->parent : kRootId);
            return status < 0 ? status : sd_bus_message_close_container(reply);
        }
    } else if (interface == "org.a11y.atspi.Application" && id == kRootId) {
        if (name == "ToolkitName") return variant("s", kToolkit);
        if (name == "Version") return variant("s", "1.0");
        if (name == "AtspiVersion") return variant("s", kAtspiVersion);
        if (name == "Id") return variant("i", applicationId_);
    } else if (interface == "org.a11y.atspi.Action" && node) {
        if (name == "NActions") return variant("i", static_cast<int32_t>(node->actions.size()));
    } else if (interface == "org.a11y.atspi.Value" && node && node->value) {
        const auto& value = *node->value;
        if (name == "MinimumValue") return variant("d", value.minimum);
        if (name == "MaximumValue") return variant("d", value.maximum);
        if (name == "MinimumIncrement") return variant("d", value.step);
        if (name == "CurrentValue") return variant("d", value.current);
        if (name == "Text") return variant("s", "");
    }
    return -ENOENT;
}

int AtspiServer::handleProperties(sd_bus_message* message, uint64_t id, const std::string& name) {
    const char* interface = nullptr;
    const char* property = nullptr;
    if (name == "Set") {
        if (sd_bus_message_read(message, "ss", &interface, &property) < 0) return 0;
        const std::string what = property;
        if (what == "Id" && sd_bus_message_read(message, "v", "i", &applicationId_) >= 0)
            return sd_bus_reply_method_return(message, "");
        double value = 0;
        if (what == "CurrentValue" && sd_bus_message_read(message, "v", "d", &value) >= 0) {
            requests_.setValue(id, value);
            return sd_bus_reply_method_return(message, "");
        }
        return sd_bus_reply_method_errorf(message, "org.freedesktop.DBus.Error.PropertyReadOnly",
                                          "%s cannot be set", property);
    }
    if (sd_bus_message_read(message, "s", &interface) < 0) return 0;
    if (name == "Get" && sd_bus_message_read(message, "s", &property) < 0) return 0;
    sd_bus_message* reply = nullptr;
    int status = sd_bus_message_new_method_return(message, &reply);
    const BusMessage owned(reply);
    if (status < 0) return status;
    if (name == "Get") {
        status = appendProperty(reply, id, interface, property);
        if (status == -ENOENT) {
            return sd_bus_reply_method_errorf(message, "org.freedesktop.DBus.Error.UnknownProperty",
                                              "No property %s.%s", interface, property);
        }
    } else if (name == "GetAll") {
        status = sd_bus_message_open_container(reply, 'a', "{sv}");
        for (const auto& row : kPropertiesOf) {
            if (std::strcmp(row[0], interface) != 0) continue;
            for (size_t i = 1; i < 6 && row[i] && status >= 0; ++i) {
                if (sd_bus_message_open_container(reply, 'e', "sv") < 0) break;
                sd_bus_message_append(reply, "s", row[i]);
                status = appendProperty(reply, id, interface, row[i]);
                if (status == -ENOENT) status = sd_bus_message_append(reply, "v", "s", "");
                if (status >= 0) status = sd_bus_message_close_container(reply);
            }
        }
        if (status >= 0) status = sd_bus_message_close_container(reply);
    } else {
        return 0;
    }
    return sendReply(owned, status);
}

void AtspiServer::emit(const AccessibleEvent& event) {
    using Kind = AccessibleEvent::Kind;
    const bool window =
        event.kind == Kind::WindowActivated || event.kind == Kind::WindowDeactivated;
    const char* member = "StateChanged";
    switch (event.kind) {
        case Kind::ChildAdded:
        case Kind::ChildRemoved:
            member = "ChildrenChanged";
            break;
        case Kind::NameChanged:
        case Kind::ValueChanged:
            member = "PropertyChange";
            break;
        case Kind::WindowActivated:
            member = "Activate";
            break;
        case Kind::WindowDeactivated:
            member = "Deactivate";
            break;
        case Kind::StateChanged:
            break;
    }
    sd_bus_message* signal = nullptr;
    if (sd_bus_message_new_signal(
            bus_, &signal, pathOf(event.object).c_str(),
            window ? "org.a11y.atspi.Event.Window" : "org.a11y.atspi.Event.Object", member) < 0)
        return;
    const auto node = snapshot_->find(event.object);
    int status = 0;
    switch (event.kind) {
        case Kind::ChildAdded:
        case Kind::ChildRemoved:
            status = sd_bus_message_append(
                signal, "sii", event.kind == Kind::ChildAdded ? "add" : "remove", event.index, 0);
            if (status >= 0) status = sd_bus_message_open_container(signal, 'v', "(so)");
            if (status >= 0) status = appendReference(signal, event.child);
            if (status >= 0) status = sd_bus_message_close_container(signal);
            break;
        case Kind::NameChanged:
            status = sd_bus_message_append(signal, "siiv", "accessible-name", 0, 0, "s",
                                           node ? node->name.c_str() : "");
            break;
        case Kind::ValueChanged:
            status = sd_bus_message_append(signal, "siiv", "accessible-value", 0, 0, "d",
                                           node && node->value ? node->value->current : 0.0);
            break;
        case Kind::StateChanged:
            status = sd_bus_message_append(signal, "siiv", event.state.c_str(), event.on ? 1 : 0, 0,
                                           "i", 0);
            break;
        case Kind::WindowActivated:
        case Kind::WindowDeactivated:
            status = sd_bus_message_append(signal, "siiv", "", 0, 0, "s",
                                           node ? node->name.c_str() : "");
            break;
    }
    if (status >= 0) status = sd_bus_message_append(signal, "a{sv}", 0);
    if (status >= 0) sd_bus_send(bus_, signal, nullptr);
    sd_bus_message_unref(signal);
}

}  // namespace platform::a11y
