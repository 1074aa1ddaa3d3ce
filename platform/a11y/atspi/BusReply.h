#pragma once

#include <systemd/sd-bus.h>

#include <memory>

namespace platform::a11y {

// A method reply being built, owned: unreferenced however the handler that builds it returns.
struct BusMessageRelease {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using BusMessage = std::unique_ptr<sd_bus_message, BusMessageRelease>;

// Sends `reply` when building it went well (`status`, sd-bus's: negative on an error) and gives
// what a method handler returns: the error, or 1 for a call that was answered.
inline int sendReply(const BusMessage& reply, int status) {
    if (status >= 0) status = sd_bus_send(nullptr, reply.get(), nullptr);
    return status < 0 ? status : 1;
}

}  // namespace platform::a11y
