#!/usr/bin/env bash
# The board through the sound servers people run, measured in the recording of a private
# server's null-sink monitor (tools/sound_server.sh): first native PipeWire (with WirePlumber and
# pipewire-pulse), then PulseAudio. The board runs on its own Xvfb display with SDL_AUDIODRIVER
# unset, so it picks its driver itself; taps go through one long-lived xdotool reading commands
# on a pipe, so a tap's time is taken a fraction of a millisecond before the X server gets it.
#
# Per server it prints:
#   - request to onset, 50 requests, of bench/sdl_reference_player (the driver's own SDL
#     program, at the board's buffer size), then of the board (50 taps, the finger down 60 ms
#     before it lifts), and of taps after 30 s of rest;
#   - a delay-0 loop's seams and a delayed loop's repeats: the frames between starts over 20
#     seams; seams off by more than 12 frames and silent gaps over 60 s of looping;
#   - 10 s after the last sound: the board's wake-ups per thread, the server's, the sink's state
#     and the board's streams on the server;
#   - a server down for 3 s under a running loop: from its return to the first sound heard.
# The figures go to standard output; the recordings and logs stay in the work folder it names.
#
# Usage: bench/servers_bench.sh [BUILD_DIR]   (default build/release; needs its soundboard and
#        bench/sdl_reference_player). TAPS (50), LOOP_SECONDS (60), REST_SECONDS (30) and
#        REST_TAPS (3) change the counts and lengths, for a quick try.
# Takes about ten minutes; run it on a quiet machine.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${1:-$here/../build/release}
binary=$build/app/soundboard
reference=$build/bench/sdl_reference_player
measure=$here/servers_measure.py
# The first row plays the first clip in byte order of the names; it starts loud, as the seam
# measurement needs.
mapfile -t clips < <(cd "$build/app/Resources" && LC_ALL=C ls -- *.wav)
first_clip=$build/app/Resources/${clips[0]}
rest_taps=${REST_TAPS:-3}
taps=${TAPS:-50}
loop_seconds=${LOOP_SECONDS:-60}
rest_seconds=${REST_SECONDS:-30}
for program in "$binary" "$reference"; do
    [[ -x $program ]] || {
        echo "no program at $program: build the soundboard and sdl_reference_player targets" >&2
        exit 1
    }
done
"$here/../tools/install_packages.sh" servers-bench xvfb xdotool python3 || exit 1

# shellcheck source=tools/virtual_display.sh
source "$here/../tools/virtual_display.sh"
# shellcheck source=tools/sound_server.sh
source "$here/../tools/sound_server.sh"

# The window is 320 x 480 points at scale 2 on the virtual screen.
readonly scale=2
readonly first_row="160 86" loop_switch="103 458" delay_touch="199 458"
readonly clip_seconds=1.0 delay_seconds=0.743802  # the first clip's length; the slider's delay

work=$(mktemp -d "${TMPDIR:-/tmp}/soundboard-servers-bench-XXXXXX")
xvfb_pid="" app_pid="" xdo_pid="" timed_recorder_pid=""

cleanup() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null
    [[ -n $xdo_pid ]] && kill "$xdo_pid" 2>/dev/null
    stop_timed_recording
    stop_sound_server 2>/dev/null
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    echo "recordings and logs: $work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---- Recording, with the arrival time of every piece ----

# start_timed_recording NAME: $work/NAME.raw and its index $work/NAME.index.
start_timed_recording() {
    recording=$work/$1
    : >"$recording.raw"
    parec --device=null_sink.monitor --raw --format=s16le --rate=48000 --channels=2 \
        --latency-msec=25 --client-name=monitor-recorder 2>>"$work/parec.log" \
        > >(python3 "$measure" record "$recording.raw" "$recording.index") &
    timed_recorder_pid=$!
    wait_for_sound_server "the monitor recorder" "$timed_recorder_pid" sound_server_is_recording
}
# Ends parec; the recorder behind it then reads the end of its input and ends too.
stop_timed_recording() {
    [[ -n $timed_recorder_pid ]] || return 0
    kill "$timed_recorder_pid" 2>/dev/null
    wait "$timed_recorder_pid" 2>/dev/null
    timed_recorder_pid=
    sleep 0.2
}

# ---- The board and the pointer ----

start_board() {
    env -u WAYLAND_DISPLAY -u SDL_AUDIODRIVER SDL_VIDEODRIVER=x11 XDG_CONFIG_HOME="$work/config" \
        LC_ALL=C "$binary" 2>"$work/board-$1.log" &
    app_pid=$!
    window=$(timeout 15 xdotool search --sync --onlyvisible --name '^Soundboard$' | head -n1)
    [[ -n $window ]] || {
        echo "no Soundboard window" >&2
        exit 1
    }
    coproc XDO { xdotool -; }
    # shellcheck disable=SC2153 # XDO_PID is set by coproc
    xdo_pid=$XDO_PID
}
quit_board() {
    xdotool windowfocus "$window" key ctrl+q
    wait "$app_pid"
    app_pid=
    eval "exec ${XDO[1]}>&-"
    wait "$xdo_pid" 2>/dev/null
    xdo_pid=
}
point() {
    local x y
    read -r x y <<<"$1"
    echo "mousemove --window $window $((x * scale)) $((y * scale))" >&"${XDO[1]}"
}
click() {
    point "$1"
    echo "click 1" >&"${XDO[1]}"
}
# tap LABEL: a tap on the first row as a finger makes it: down, 60 ms, up; the moment of lifting
# goes to the events file.
tap() {
    point "$first_row"
    echo "mousedown 1" >&"${XDO[1]}"
    sleep 0.06
    echo "$1 real $EPOCHREALTIME" >>"$events"
    echo "mouseup 1" >&"${XDO[1]}"
}

# ---- One server ----

bench_server() {
    local kind=$1 driver=$2 frames=$3 index
    echo "== $kind (the board's driver and buffer: $driver, $frames frames)"
    mkdir -p "$work/$kind"
    "start_$kind" "$work/$kind" || exit 1
    events=$work/$kind-events
    start_timed_recording "$kind-taps"
    # An idle PulseAudio null sink holds up a new stream unless recorded for 2 s.
    sleep 2

    # The reference program, at once, each request 0.25 s after the one before.
    for ((index = 0; index < taps; index++)); do
        echo
        sleep 0.25
    done | SDL_AUDIODRIVER=$driver "$reference" "$frames" 2>"$work/reference-$kind.log" |
        awk '/^request/ { printf "reference mono %.9f\n", $2 / 1e9 }' >>"$events"

    start_board "$kind"
    sleep 1.5
    for ((index = 0; index < taps; index++)); do
        tap board
        sleep 1.19
    done

    # A delay-0 loop for a minute, then the server away for 3 s under it.
    click "$loop_switch"
    sleep 0.5
    local loop_from=$EPOCHREALTIME
    tap loop
    sleep $((loop_seconds + 1))
    local loop_to=$EPOCHREALTIME
    stop_timed_recording
    stop_sound_server_processes
    sleep 3
    "start_$kind" "$work/$kind" || exit 1
    local returned=$EPOCHREALTIME
    start_timed_recording "$kind-after-restart"
    sleep 8

    # Rest: 10 s after the last sound, with nothing recording the monitor (a recorder keeps the
    # sink from suspending); then taps, each after 30 s of rest, recorded again.
    click "$loop_switch"
    sleep "$clip_seconds"
    stop_timed_recording
    sleep 10
    local server_pids
    if [[ $kind == pipewire ]]; then
        server_pids="pipewire=$pipewire_pid wireplumber=$wireplumber_pid"
        server_pids+=" pipewire-pulse=$pipewire_pulse_pid"
    else
        server_pids="pulseaudio=$pulseaudio_pid"
    fi
    # shellcheck disable=SC2086
    python3 "$measure" wakeups 5 "board=$app_pid" $server_pids
    echo "sink: $(pactl list short sinks | awk '$2 == "null_sink" { print $NF }')"
    echo "board streams: $(pactl list sink-inputs | grep -c 'application.name = "Soundboard"')"
    start_timed_recording "$kind-rest"
    sleep $((rest_seconds - 15))
    for ((index = 0; index < rest_taps; index++)); do
        tap rest
        sleep $((rest_seconds + 1))
    done

    # Last, as the delay stays set (it delays every tap): a loop with the slider a point above
    # 0, 20 repeats.
    point "$delay_touch"
    echo "mousedown 1" >&"${XDO[1]}"
    sleep 0.3
    echo "mouseup 1" >&"${XDO[1]}"
    sleep 0.5
    click "$loop_switch"
    sleep 0.5
    local delayed_from=$EPOCHREALTIME
    tap delayed-loop
    sleep "$(awk "BEGIN { print 21 * ($clip_seconds + $delay_seconds) }")"
    local delayed_to=$EPOCHREALTIME
    click "$loop_switch"
    quit_board
    stop_timed_recording
    stop_sound_server

    python3 "$measure" onsets "$work/$kind-taps.raw" "$work/$kind-taps.index" "$events" |
        grep -v -e '^loop' -e '^delayed' -e '^rest'
    python3 "$measure" onsets "$work/$kind-rest.raw" "$work/$kind-rest.index" \
        <(grep '^rest' "$events")
    echo -n "delay-0 loop "
    python3 "$measure" seams "$work/$kind-taps.raw" "$work/$kind-taps.index" "$loop_from" \
        "$loop_to" "$first_clip"
    echo -n "delayed loop "
    python3 "$measure" seams "$work/$kind-rest.raw" "$work/$kind-rest.index" "$delayed_from" \
        "$delayed_to" "$first_clip"
    python3 "$measure" first-sound "$work/$kind-after-restart.raw" \
        "$work/$kind-after-restart.index" "$returned"
}

start_virtual_display "$work" || exit 1
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
bench_server pipewire pipewire 512
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
bench_server pulseaudio pulseaudio 960
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
