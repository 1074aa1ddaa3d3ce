#!/usr/bin/python3
"""Drives the real board through AT-SPI2, as a screen reader does, and checks what it finds.

Run by a11y_e2e.sh inside a private session bus on a virtual display. It starts a private
accessibility bus with assistive technology switched on, starts the board, and then through
pyatspi: walks the tree, reads the list's names, taps a row by its action (heard in the captured
audio), flips Loop and sets Delay (seen on screen), follows the focus as Down moves it, and
checks edit mode's checkable rows and the About screen's radio buttons. Every process it starts
is stopped by its process id. Exit status 0 when every check holds, 1 otherwise.

The mute alert is not checked here: nothing a person does makes the board show it (the board has
no mute test), so AccessibleTreeBuilderTest covers its role, its focused button and its action.
"""

import argparse
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

SCALE = 2  # a 1080-pixel-high screen gives the window scale 2
LOOP_SWITCH = "56 446 94 24"
DELAY_SLIDER = "198 446 121 24"
APP_NAME = "Soundboard"


class Run:
    def __init__(self, args):
        self.args = args
        self.failures = 0
        self.capture = os.path.join(args.work, "audio.raw")
        self.marks = os.path.join(args.work, "marks")
        self.shots = 0
        self.launcher = None
        self.board = None
        self.window = None

    # ---- Reporting ----

    def check(self, what, holds, detail=""):
        print(("ok   " if holds else "FAIL ") + what + (f": {detail}" if detail and not holds else ""))
        if not holds:
            self.failures += 1
        return holds

    def tool_check(self, what, *arguments):
        found = subprocess.run([sys.executable, self.args.checker, "--scale", str(SCALE), *arguments],
                               capture_output=True, text=True)
        return self.check(what, found.returncode == 0, (found.stdout + found.stderr).strip())

    # ---- Processes ----

    def start_accessibility_bus(self):
        log = open(os.path.join(self.args.work, "at-spi-bus.log"), "w")
        self.launcher = subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately", "--a11y=1"],
            stdout=log, stderr=log)
        # Asked of the bus itself, so that D-Bus does not start a launcher of its own.
        for _ in range(50):
            owned = subprocess.run(["gdbus", "call", "--session", "--dest", "org.freedesktop.DBus",
                                    "--object-path", "/org/freedesktop/DBus", "--method",
                                    "org.freedesktop.DBus.NameHasOwner", "org.a11y.Bus"],
                                   capture_output=True, text=True)
            if "true" in owned.stdout:
                break
            time.sleep(0.1)
        set_flag = gdbus("org.freedesktop.DBus.Properties.Set", "org.a11y.Status", "IsEnabled",
                         "<true>")
        return self.check("the accessibility bus runs with assistive technology on",
                          set_flag.returncode == 0, set_flag.stderr)

    def start_board(self):
        """Starts the board with its sound captured: the one place that says how."""
        environment = dict(os.environ, SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER="disk",
                           SDL_DISKAUDIOFILE=self.capture,
                           XDG_CONFIG_HOME=os.path.join(self.args.work, "config"),
                           LC_ALL="C", LANG="C", LANGUAGE="")
        environment.pop("WAYLAND_DISPLAY", None)
        environment["ASAN_OPTIONS"] = ":".join(
            filter(None, [os.environ.get("ASAN_OPTIONS"), "detect_leaks=0"]))
        self.board_log = open(os.path.join(self.args.work, "board.log"), "w")
        self.board = subprocess.Popen([self.args.binary], env=environment, stderr=self.board_log)
        found = subprocess.run(["timeout", "15", "xdotool", "search", "--sync", "--onlyvisible",
                                "--name", f"^{APP_NAME}$"], capture_output=True, text=True)
        self.window = found.stdout.split()[0] if found.stdout.split() else None
        return self.check("the board's window shows", self.window is not None)

    def stop(self):
        for process in (self.board, self.launcher):
            if process and process.poll() is None:
                process.terminate()
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()

    # ---- Moments, keys and pictures ----

    def mark(self, label):
        size = os.path.getsize(self.capture) if os.path.exists(self.capture) else 0
        with open(self.marks, "a") as marks:
            marks.write(f"{label} {time.time():.6f} {size}\n")

    def keys(self, *names):
        subprocess.run(["xdotool", "windowfocus", self.window], stderr=subprocess.DEVNULL)
        subprocess.run(["xdotool", "key", *names])

    def shot(self, name):
        self.shots += 1
        path = os.path.join(self.args.work, f"{self.shots:02d}-{name}.png")
        subprocess.run(["import", "-window", self.window, path], check=True)
        return path


def gdbus(method, *arguments):
    return subprocess.run(["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path",
                           "/org/a11y/bus", "--method", method, *arguments],
                          capture_output=True, text=True)


# ---- The tree ----


def walk(accessible):
    yield accessible
    for index in range(accessible.childCount):
        child = accessible.getChildAtIndex(index)
        if child is not None:
            yield from walk(child)


def find_all(root, role, name=None):
    return [node for node in walk(root)
            if node.getRole() == role and (name is None or node.name == name)]


def find(root, role, name=None):
    found = find_all(root, role, name)
    return found[0] if found else None


def has(accessible, state):
    return accessible is not None and accessible.getState().contains(state)


def click(accessible):
    action = accessible.queryAction()
    return action.doAction(0)


def eventually(test, seconds=3.0):
    deadline = time.time() + seconds
    while True:
        try:
            if test():
                return True
        except Exception:  # an object that went away between two questions
            pass
        if time.time() > deadline:
            return False
        time.sleep(0.1)


def find_application(seconds=15.0):
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name == APP_NAME:
                return app
        time.sleep(0.2)
    return None


def focus_events_during(action, seconds=1.5):
    """The objects that gained the focus while `action` ran and `seconds` passed."""
    gained = []

    def listener(event):
        if event.detail1 == 1:
            gained.append(event.source.name)

    pyatspi.Registry.registerEventListener(listener, "object:state-changed:focused")
    loop = GLib.MainLoop()
    GLib.timeout_add(int(seconds * 1000), loop.quit)
    action()
    loop.run()
    pyatspi.Registry.deregisterEventListener(listener, "object:state-changed:focused")
    return gained


# ---- The checks ----


def check_tree(run, app, clips):
    frame = find(app, pyatspi.ROLE_FRAME)
    run.check("the window is a frame named Soundboard", frame is not None and frame.name == APP_NAME)
    for role, name in ((pyatspi.ROLE_PUSH_BUTTON, "Edit"), (pyatspi.ROLE_PUSH_BUTTON, "About"),
                       (pyatspi.ROLE_PUSH_BUTTON, "Loop"), (pyatspi.ROLE_PUSH_BUTTON, "Delay"),
                       (pyatspi.ROLE_TOGGLE_BUTTON, "Loop"), (pyatspi.ROLE_SLIDER, "Delay"),
                       (pyatspi.ROLE_STATUS_BAR, None), (pyatspi.ROLE_LIST, None)):
        run.check(f"the board has a {pyatspi.Role(role)} {name or ''}".rstrip(),
                  find(app, role, name) is not None)
    rows = find_all(app, pyatspi.ROLE_LIST_ITEM)
    names = [row.name for row in rows]
    run.check("the list names every clip in the order shown, also those out of sight",
              names == clips, f"{names} != {clips}")
    return find(app, pyatspi.ROLE_LIST)


def check_focus(run, app, clips):
    gained = focus_events_during(lambda: run.keys("Down"))
    run.check("Down gives one focus event, naming the second row", gained == [clips[1]],
              f"focus events: {gained}")


def check_row_action(run, app, clips, resources):
    rows = find_all(app, pyatspi.ROLE_LIST_ITEM)
    run.mark("tap")
    click(rows[0])
    time.sleep(1.5)
    run.mark("played")
    run.tool_check(f"the first row's action plays {clips[0]} at once", "start", run.capture,
                   run.marks, "--after", "tap", "--within", "0.15", "--clip",
                   os.path.join(resources, clips[0] + ".wav"))


def check_loop_and_delay(run, app):
    switch = find(app, pyatspi.ROLE_TOGGLE_BUTTON, "Loop")
    before = run.shot("board")
    click(switch)
    run.check("the Loop switch is checked after its action",
              eventually(lambda: has(switch, pyatspi.STATE_CHECKED)))
    time.sleep(0.5)
    looped = run.shot("loop-on")
    run.tool_check("the Loop switch shows on", "changed", before, looped, LOOP_SWITCH,
                   "--share", "0.1")
    click(find(app, pyatspi.ROLE_PUSH_BUTTON, "Loop"))
    run.check("the Loop label's action turns looping off",
              eventually(lambda: not has(switch, pyatspi.STATE_CHECKED)))

    slider = find(app, pyatspi.ROLE_SLIDER, "Delay").queryValue()
    run.check("the Delay slider reads 0 to its maximum in steps of 1",
              slider.minimumValue == 0 and slider.maximumValue > 0 and slider.minimumIncrement == 1)
    slider.currentValue = 45
    run.check("the Delay slider takes a value", eventually(lambda: slider.currentValue == 45),
              f"value {slider.currentValue}")
    time.sleep(0.3)
    moved = run.shot("delay-45")
    run.tool_check("the slider's thumb moved on screen", "changed", looped, moved, DELAY_SLIDER,
                   "--share", "0.05")
    click(find(app, pyatspi.ROLE_PUSH_BUTTON, "Delay"))
    run.check("the Delay label's action sets the delay back to 0",
              eventually(lambda: slider.currentValue == 0))


def check_edit_mode(run, app):
    click(find(app, pyatspi.ROLE_PUSH_BUTTON, "Edit"))
    run.check("Edit turns into Done",
              eventually(lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, "Done") is not None))
    rows = find_all(app, pyatspi.ROLE_LIST_ITEM)
    run.check("in edit mode every row is checkable and checked (shown)",
              rows and all(has(row, pyatspi.STATE_CHECKABLE) and has(row, pyatspi.STATE_CHECKED)
                           for row in rows))
    actions = rows[0].queryAction()
    names = [actions.getName(index) for index in range(actions.nActions)]
    run.check("an edit-mode row can be hidden and moved", names == ["toggle", "move up", "move down"],
              f"{names}")
    actions.doAction(0)
    run.check("its toggle action hides the row (unchecked)",
              eventually(lambda: not has(find_all(app, pyatspi.ROLE_LIST_ITEM)[0],
                                         pyatspi.STATE_CHECKED)))
    actions.doAction(0)
    run.check("and shows it again",
              eventually(lambda: has(find_all(app, pyatspi.ROLE_LIST_ITEM)[0],
                                     pyatspi.STATE_CHECKED)))
    click(find(app, pyatspi.ROLE_PUSH_BUTTON, "Done"))
    run.check("Done leaves edit mode",
              eventually(lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, "Edit") is not None))


def check_about(run, app):
    click(find(app, pyatspi.ROLE_PUSH_BUTTON, "About"))
    radios = []
    run.check("the About screen shows four radio buttons",
              eventually(lambda: len(radios.__setitem__(slice(None), find_all(
                  app, pyatspi.ROLE_RADIO_BUTTON)) or radios) == 4))
    names = [radio.name for radio in radios]
    run.check("named by the shake modes", names == ["Nothing", "Last", "Random", "Sweep"], f"{names}")
    run.check("the chosen one (Nothing) checked, the others not",
              [has(radio, pyatspi.STATE_CHECKED) for radio in radios] == [True, False, False, False])
    click(radios[2])
    run.check("the action of Random checks it",
              eventually(lambda: [has(radio, pyatspi.STATE_CHECKED) for radio in
                                  find_all(app, pyatspi.ROLE_RADIO_BUTTON)]
                         == [False, False, True, False]))
    run.check("the web site button is there",
              find(app, pyatspi.ROLE_PUSH_BUTTON, "Visit the web site") is not None)
    # The back button is titled as the board's screen is while the About screen shows.
    back = find(app, pyatspi.ROLE_PUSH_BUTTON, "back")
    run.check("the navigation bar has a back button", back is not None)

    # A press while the About screen still slides in is ignored, as for a finger: pressed
    # again until the board is back.
    def pressed_back():
        button = find(app, pyatspi.ROLE_PUSH_BUTTON, "back")
        if button is not None:
            click(button)
            time.sleep(0.1)
        return find(app, pyatspi.ROLE_RADIO_BUTTON) is None and \
            find(app, pyatspi.ROLE_LIST) is not None
    run.check("the back button returns to the board", eventually(pressed_back))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--binary", required=True)
    parser.add_argument("--resources", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--checker", required=True)
    args = parser.parse_args()
    clips = sorted((name[:-4] for name in os.listdir(args.resources) if name.endswith(".wav")),
                   key=lambda name: (name + ".wav").encode())
    run = Run(args)
    try:
        if run.start_accessibility_bus() and run.start_board():
            app = find_application()
            if run.check("pyatspi finds the board by its name", app is not None):
                run.keys("Home")  # only to give the window the keyboard; Home shows the focus
                check_tree(run, app, clips)
                check_focus(run, app, clips)
                check_row_action(run, app, clips, args.resources)
                check_loop_and_delay(run, app)
                check_edit_mode(run, app)
                check_about(run, app)
            run.keys("ctrl+q")
            try:
                code = run.board.wait(10)
            except subprocess.TimeoutExpired:
                code = None
            run.check("Ctrl+Q ends the board with status 0", code == 0, f"status {code}")
    finally:
        run.stop()
    print(f"{run.failures} check(s) failed" if run.failures else "all accessibility checks passed")
    return 1 if run.failures else 0


if __name__ == "__main__":
    sys.exit(main())
