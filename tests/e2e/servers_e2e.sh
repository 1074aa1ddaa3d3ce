#!/usr/bin/env bash
# End-to-end run of the real soundboard binary through the sound servers people run, each a
# private one (tools/sound_server.sh) whose null sink's monitor is recorded. The board runs on
# its own Xvfb display and is tapped with xdotool, as in e2e.sh; SDL_AUDIODRIVER is unset, so
# the board picks its driver itself.
#
#   1. A server that starts after the board: the board says once that it has no audio device,
#      and the first tap once PipeWire is up is heard.
#   2. PipeWire restarted while a loop plays: the loop is heard again within a few seconds.
#   3. Rest: some seconds after the last sound the board holds no stream on the server and has
#      no audio thread; a tap after rest is heard.
#   4. PulseAudio (no PipeWire answers, so the board takes SDL's PulseAudio driver): a tap is
#      heard.
#
# Usage: servers_e2e.sh SOUNDBOARD_BINARY RESOURCES_DIR
#   E2E_KEEP=1 keeps the work folder (logs, recordings) after a passing run; after a failing
#   run it is always kept.
# Exit status: 0 when every check holds, 1 when one fails (each failure is printed), 77 when a
# tool it needs is missing (ctest reports the test as skipped).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
checker=$here/e2e_check.py
binary=${1:-}
resources=${2:-}
if [[ -z $binary || -z $resources ]]; then
    echo "usage: $0 SOUNDBOARD_BINARY RESOURCES_DIR" >&2
    exit 2
fi
for tool in Xvfb xdotool python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done
if [[ ! -x $binary ]]; then
    echo "FAIL: no program at $binary" >&2
    exit 1
fi

# The window is 320 x 480 points at scale 2 on the 1080-pixel-high virtual screen.
readonly scale=2
readonly first_row="160 86" loop_switch="103 458"
mapfile -t clips < <(cd "$resources" && LC_ALL=C ls -- *.wav)
readonly first_clip=$resources/${clips[0]}

work=$(mktemp -d "${TMPDIR:-/tmp}/soundboard-servers-e2e-XXXXXX")
kept="logs and recordings"

# shellcheck source=tests/e2e/report.sh
source "$here/report.sh"

# shellcheck source=tests/e2e/x11_board.sh
source "$here/x11_board.sh"

# ---- The board ----

# start_board NAME: starts the board, logging to $work/NAME.log, and waits for its window.
start_board() {
    log=$work/$1.log
    launch_board "$log" || die "$1: no Soundboard window within 15 s; log: $(cat "$log")"
}

# quit_board: Ctrl+Q; the board must end with 0 within 10 s.
quit_board() {
    xdotool windowfocus "$window" 2>/dev/null
    xdotool key ctrl+q
    local tries
    for ((tries = 0; tries < 100; tries++)); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$app_pid" 2>/dev/null && kill "$app_pid"
    wait "$app_pid"
    local status=$?
    app_pid=
    ((status == 0)) || fail "the board ended with status $status, expected 0"
}

click() {
    local x y
    read -r x y <<<"$1"
    xdotool mousemove --window "$window" $((x * scale)) $((y * scale)) click 1
}

# The board's threads that SDL 2.26 runs for sound: the device's ("SDLAudioP2"), the PipeWire
# driver's device watcher ("SDLAudioHotplug"), the PulseAudio and ALSA drivers' ("PulseHotplug",
# "SDLHotplugALSA").
audio_threads() {
    cat /proc/"$app_pid"/task/*/comm 2>/dev/null | grep -Ec '^(SDLAudio|PulseHotplug|SDLHotplug)'
}
thread_names() { cat /proc/"$app_pid"/task/*/comm 2>/dev/null | sort | uniq -c | tr -s ' \n' ' '; }

# Streams on the server that the board holds, as PulseAudio's interface lists them (pipewire-pulse
# lists native PipeWire streams too).
board_streams() {
    pactl list sink-inputs 2>/dev/null | grep -c 'application.name = "Soundboard"'
}

# ---- Recordings ----

# begin_capture NAME: records the sink's monitor into $work/NAME.raw from now on, with its marks
# in $work/NAME.marks (see e2e_check.py).
begin_capture() {
    capture=$work/$1.raw
    marks=$work/$1.marks
    record_monitor "$capture" || die "$1: cannot record the sink's monitor"
    mark begin
}
end_capture() {
    stop_sound_server_pids "$recorder_pid"
    recorder_pid=
}
mark() { echo "$1 $(date +%s.%N) $(stat -c %s "$capture" 2>/dev/null || echo 0)" >>"$marks"; }

# tap_is_heard WHAT: taps the first row and checks that its clip starts within 0.2 s.
tap_is_heard() {
    mark tap
    click "$first_row"
    sleep 1.5
    mark played
    check "$1" start "$capture" "$marks" --after tap --within 0.2 --clip "$first_clip"
}

start_virtual_display "$work" || die "no virtual display"

# ---- 1. PipeWire starts after the board ----

step "a server that starts after the board"
mkdir -p "$work/pipewire"
prepare_sound_server "$work/pipewire" || die "no private D-Bus bus for PipeWire"
start_board board-pipewire
sleep 1
start_pipewire "$work/pipewire" || die "no private PipeWire server"
begin_capture late
sleep 1
no_device=$(grep -c "No audio device" "$log")
((no_device == 1)) || fail "the board logged \"No audio device\" $no_device times, expected once"
tap_is_heard "the first tap once PipeWire is up is heard"

# ---- 2. PipeWire restarts while a loop plays ----

step "a loop goes on after PipeWire restarts"
click "$loop_switch"
sleep 0.5
mark loop-tap
click "$first_row"
sleep 2
mark restarting
check "the loop plays" heard "$capture" "$marks" --after loop-tap --before restarting
# What the rest checks below look for is there while sound plays.
(($(board_streams) == 1)) || fail "while the loop plays the server lists no stream of the board"
(($(audio_threads) > 0)) ||
    fail "while the loop plays the board has no audio thread: $(thread_names)"
end_capture
restart_sound_server || die "PipeWire did not start again"
begin_capture restarted
sleep 5
mark listened
check "the loop is heard again after the restart" \
    heard "$capture" "$marks" --after begin --before listened

# ---- 3. Rest ----

step "rest: the stream and the audio thread go, a tap after rest is heard"
click "$loop_switch"
# The play under way ends within the clip's second; the stream closes some seconds later.
sleep 7
streams=$(board_streams)
((streams == 0)) || fail "after 6 s of silence the board still holds $streams stream(s)"
threads=$(audio_threads)
((threads == 0)) ||
    fail "after 6 s of silence the board still has $threads audio thread(s): $(thread_names)"
tap_is_heard "a tap after rest is heard"
end_capture
quit_board
stop_sound_server

# ---- 4. PulseAudio ----

step "a tap through PulseAudio"
mkdir -p "$work/pulseaudio"
start_pulseaudio "$work/pulseaudio" || die "no private PulseAudio server"
begin_capture pulseaudio
# An idle PulseAudio null sink holds up a new stream unless something records it for a while.
sleep 2
start_board board-pulseaudio
sleep 1
tap_is_heard "a tap through PulseAudio is heard"
end_capture
quit_board

if grep -E "Error|Cannot|not a readable|did not play" "$work"/board-*.log; then
    fail "the board logged errors (above)"
fi
if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all checks through the sound servers passed"
