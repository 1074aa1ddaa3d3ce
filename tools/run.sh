#!/usr/bin/env bash
# Installs what is missing, builds the board (only it: not the tests or benchmarks) with the
# release preset and starts it.
#
# On a machine without a display the board runs on a virtual X display (Xvfb): once its window
# is up, a screenshot is saved and its path printed, and the board keeps running until it ends
# or the script is interrupted (Ctrl-C), which stops both the board and the virtual display.
#
# Usage: tools/run.sh
# Environment: SOUNDBOARD_SCREENSHOT   where the screenshot goes
#                                      (default /tmp/soundboard-screenshot.png)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
board=$root/build/release/app/soundboard
screenshot=${SOUNDBOARD_SCREENSHOT:-/tmp/soundboard-screenshot.png}
# Seconds to wait for the board's window.
startup_timeout=30

"$root/tools/setup.sh" release soundboard

if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
    exec "$board"
fi

board_pid=
xvfb_pid=
work=$(mktemp -d)

# shellcheck disable=SC2317 # stop and stop_all run from the EXIT trap
# Asks a process of ours to end, and forces it after a few seconds.
stop() { # stop PID
    kill -0 "$1" 2>/dev/null || return 0
    kill -TERM "$1" 2>/dev/null || true
    for ((tries = 0; tries < 50; tries++)); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

# shellcheck disable=SC2317
stop_all() {
    # The board first, so that it can store its preferences while its display still exists.
    [[ -z $board_pid ]] || stop "$board_pid"
    [[ -z $xvfb_pid ]] || stop "$xvfb_pid"
    rm -rf "$work"
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() {
    echo "run: $*" >&2
    exit 1
}

# shellcheck source=tools/virtual_display.sh
source "$root/tools/virtual_display.sh"
start_virtual_display "$work" || fail "no virtual display"
echo "Virtual display $DISPLAY"

# On the virtual display: the board would otherwise prefer a Wayland compositor whose socket
# happens to be in XDG_RUNTIME_DIR.
SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-x11} "$board" &
board_pid=$!

window=
for ((waited = 0; waited < startup_timeout * 10; waited++)); do
    window=$(xdotool search --onlyvisible --name Soundboard 2>/dev/null | head -n 1 || true)
    [[ -n $window ]] && break
    kill -0 "$board_pid" 2>/dev/null || fail "the board ended before its window appeared"
    sleep 0.1
done
[[ -n $window ]] || fail "no board window appeared within ${startup_timeout} s"

# The board draws its first frame right after the window is mapped.
sleep 1
import -window "$window" "$screenshot"
echo "Screenshot of the board: $screenshot"

status=0
wait "$board_pid" || status=$?
board_pid=
exit "$status"
