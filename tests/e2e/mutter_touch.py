#!/usr/bin/python3
"""A touch screen on a headless mutter, driven by commands on standard input.

Mutter's remote desktop D-Bus interface (org.gnome.Mutter.RemoteDesktop, with a screen cast of
the monitor to place touches on) injects real touch events: the application receives them
through wl_touch, as from a phone's screen. The session lasts as long as this process, which
reads commands until standard input closes. Positions are in the monitor's pixels; a slot is
one finger (0 unless given).

Commands, one a line:
    down X Y [SLOT]          a finger comes down
    move X Y [SLOT]          it moves there
    up [SLOT]                it lifts
    drag X1 Y1 X2 Y2 SECONDS [SLOT]
                             it moves from the first place to the second in that time, 60
                             steps a second, without coming down or lifting
    key KEYSYM...            presses the keys (X keysyms, such as 0xffc8 for F11) in order,
                             then releases them in the opposite order: a chord
Each command is acknowledged with "ok" on standard output once mutter has taken it.
"""

import sys
import time

import dbus

SERVICE = "org.gnome.Mutter"
STEPS_PER_SECOND = 60
SHIFT = 0xFFE1  # the X keysym of the left Shift key


def interface(bus, service, path, name):
    return dbus.Interface(bus.get_object(f"{SERVICE}.{service}", path), f"{SERVICE}.{name}")


def start_session(bus):
    """A started remote desktop session and the path of its screen cast of the first monitor."""
    for _ in range(150):
        if bus.name_has_owner(f"{SERVICE}.RemoteDesktop"):
            break
        time.sleep(0.1)
    remote = interface(bus, "RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop", "RemoteDesktop")
    session_path = remote.CreateSession()
    session = interface(bus, "RemoteDesktop", session_path, "RemoteDesktop.Session")
    session_id = bus.get_object(f"{SERVICE}.RemoteDesktop", session_path).Get(
        f"{SERVICE}.RemoteDesktop.Session", "SessionId", dbus_interface=dbus.PROPERTIES_IFACE
    )
    display = interface(bus, "DisplayConfig", "/org/gnome/Mutter/DisplayConfig", "DisplayConfig")
    connector = display.GetCurrentState()[1][0][0][0]
    screen_cast = interface(bus, "ScreenCast", "/org/gnome/Mutter/ScreenCast", "ScreenCast")
    cast_path = screen_cast.CreateSession({"remote-desktop-session-id": session_id})
    cast = interface(bus, "ScreenCast", cast_path, "ScreenCast.Session")
    stream = cast.RecordMonitor(connector, {})
    session.Start()
    return session, stream


def main():
    session, stream = start_session(dbus.SessionBus())
    # Mutter drops the first event of each of a new session's virtual devices: one of each
    # goes first, before any window is there to receive it.
    session.NotifyPointerMotionAbsolute(stream, 0.0, 0.0)
    session.NotifyKeyboardKeysym(dbus.UInt32(SHIFT), True)
    session.NotifyKeyboardKeysym(dbus.UInt32(SHIFT), False)
    session.NotifyTouchDown(stream, dbus.UInt32(0), 0.0, 0.0)
    session.NotifyTouchUp(dbus.UInt32(0))
    print("ok", flush=True)
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        command, numbers = words[0], [float.fromhex(word) if word.startswith("0x") else
                                      float(word) for word in words[1:]]

        def slot(index):
            return dbus.UInt32(numbers[index] if len(numbers) > index else 0)

        if command == "down":
            session.NotifyTouchDown(stream, slot(2), numbers[0], numbers[1])
        elif command == "move":
            session.NotifyTouchMotion(stream, slot(2), numbers[0], numbers[1])
        elif command == "up":
            session.NotifyTouchUp(slot(0))
        elif command == "key":
            for keysym in numbers:
                session.NotifyKeyboardKeysym(dbus.UInt32(keysym), True)
            for keysym in reversed(numbers):
                session.NotifyKeyboardKeysym(dbus.UInt32(keysym), False)
        elif command == "drag":
            x1, y1, x2, y2, seconds = numbers[:5]
            steps = max(1, round(seconds * STEPS_PER_SECOND))
            for step in range(1, steps + 1):
                time.sleep(seconds / steps)
                share = step / steps
                session.NotifyTouchMotion(stream, slot(5), x1 + (x2 - x1) * share,
                                          y1 + (y2 - y1) * share)
        else:
            sys.exit(f"unknown command: {line.strip()}")
        print("ok", flush=True)


if __name__ == "__main__":
    main()
