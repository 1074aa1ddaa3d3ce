#!/usr/bin/env python3
"""A virtual pointer on a wlroots compositor (phoc), driven by commands on standard input.

It speaks the Wayland wire protocol itself: the request numbers and argument types come from
the protocol definitions that Debian installs, the core protocol from libwayland-dev and
zwlr_virtual_pointer_manager_v1 from librust-wayland-protocols-dev (which ships the wlroots
protocol files). The pointer stays plugged in until standard input closes, so the compositor
keeps a seat with a pointer for as long as the driving script needs one.

Commands, one a line; positions are in the output's logical pixels (--extent):
    move X Y      moves the pointer there
    down / up     presses / releases the left button
    click X Y     moves there, presses and releases
Each command is acknowledged with "ok" on standard output once the compositor has seen it.
"""

import argparse
import glob
import os
import socket
import struct
import sys
import time
import xml.etree.ElementTree as ElementTree

CORE_PROTOCOL = "/usr/share/wayland/wayland.xml"
POINTER_PROTOCOL = (
    "/usr/share/cargo/registry/wayland-protocols-*/wlr-protocols/unstable/"
    "wlr-virtual-pointer-unstable-v1.xml"
)
BUTTON_LEFT = 0x110  # linux/input-event-codes.h


def load_requests(paths):
    """{interface: {request name: (opcode, [argument types])}} of the protocol files."""
    requests = {}
    for path in paths:
        for interface in ElementTree.parse(path).getroot().iter("interface"):
            requests[interface.get("name")] = {
                request.get("name"): (opcode, [arg.get("type") for arg in request.iter("arg")])
                for opcode, request in enumerate(interface.iter("request"))
            }
    return requests


def encode_string(text):
    data = text.encode() + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


class Connection:
    def __init__(self, path, requests):
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.socket.connect(path)
        self.requests = requests
        self.interfaces = {1: "wl_display"}
        self.next_id = 2
        self.buffer = b""

    def new_object(self, interface):
        object_id = self.next_id
        self.next_id += 1
        self.interfaces[object_id] = interface
        return object_id

    def send(self, object_id, request, *values):
        opcode, types = self.requests[self.interfaces[object_id]][request]
        body = b""
        for kind, value in zip(types, values):
            if kind == "fixed":
                body += struct.pack("<i", round(value * 256))
            elif kind == "string":
                body += encode_string(value)
            elif kind == "int":
                body += struct.pack("<i", value)
            else:  # uint, object, new_id of a known interface
                body += struct.pack("<I", value)
        header = struct.pack("<II", object_id, (8 + len(body)) << 16 | opcode)
        self.socket.sendall(header + body)

    def bind(self, registry, name, interface, version):
        object_id = self.new_object(interface)
        # A new_id without a fixed interface travels as (interface, version, id).
        body = struct.pack("<I", name) + encode_string(interface) + struct.pack(
            "<II", version, object_id
        )
        self.socket.sendall(struct.pack("<II", registry, (8 + len(body)) << 16 | 0) + body)
        return object_id

    def events(self):
        """Yields (object id, opcode, body) of each event as it arrives."""
        while True:
            while len(self.buffer) < 8 or len(self.buffer) < struct.unpack_from(
                "<I", self.buffer, 4
            )[0] >> 16:
                data = self.socket.recv(65536)
                if not data:
                    raise ConnectionError("the compositor closed the connection")
                self.buffer += data
            object_id, word = struct.unpack_from("<II", self.buffer)
            size = word >> 16
            body, self.buffer = self.buffer[8:size], self.buffer[size:]
            if object_id == 1 and word & 0xFFFF == 0:
                message = body[12:].split(b"\0")[0].decode()
                raise ConnectionError(f"protocol error: {message}")
            yield object_id, word & 0xFFFF, body

    def roundtrip(self):
        """Returns the registry's globals seen until the compositor has handled all requests."""
        callback = self.new_object("wl_callback")
        self.send(1, "sync", callback)
        globals_seen = {}
        for object_id, opcode, body in self.events():
            if object_id == callback:
                return globals_seen
            if self.interfaces.get(object_id) == "wl_registry" and opcode == 0:
                name, length = struct.unpack_from("<II", body)
                interface = body[8 : 8 + length - 1].decode()
                globals_seen[interface] = name


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--extent", type=int, nargs=2, required=True, metavar=("W", "H"))
    args = parser.parse_args()
    protocols = glob.glob(POINTER_PROTOCOL)
    if not protocols:
        sys.exit("no wlr-virtual-pointer-unstable-v1.xml: install librust-wayland-protocols-dev")
    connection = Connection(
        os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ.get("WAYLAND_DISPLAY", "wayland-0")),
        load_requests([CORE_PROTOCOL, protocols[0]]),
    )
    registry = connection.new_object("wl_registry")
    connection.send(1, "get_registry", registry)
    manager_name = connection.roundtrip().get("zwlr_virtual_pointer_manager_v1")
    if manager_name is None:
        sys.exit("the compositor offers no zwlr_virtual_pointer_manager_v1")
    manager = connection.bind(registry, manager_name, "zwlr_virtual_pointer_manager_v1", 1)
    pointer = connection.new_object("zwlr_virtual_pointer_v1")
    connection.send(manager, "create_virtual_pointer", 0, pointer)  # 0: the default seat
    connection.roundtrip()
    print("ok", flush=True)

    width, height = args.extent
    start = time.monotonic()

    def now():
        return int((time.monotonic() - start) * 1000) & 0xFFFFFFFF

    def button(state):
        connection.send(pointer, "button", now(), BUTTON_LEFT, state)

    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] in ("move", "click"):
            x, y = (int(float(word)) for word in words[1:3])
            connection.send(pointer, "motion_absolute", now(), x, y, width, height)
        if words[0] in ("down", "click"):
            connection.send(pointer, "frame")
            button(1)
        if words[0] in ("up", "click"):
            if words[0] == "click":
                connection.send(pointer, "frame")
            button(0)
        connection.send(pointer, "frame")
        connection.roundtrip()
        print("ok", flush=True)


if __name__ == "__main__":
    main()
