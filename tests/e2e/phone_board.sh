# shellcheck shell=bash
# Sourced by the end-to-end runs on a phone's compositors (phoc_e2e.sh, touch_e2e.sh): starting
# and quitting the board, hearing what it plays, and counting failures. The caller sets
# `binary`, `resources` and `work` and defines `quit_keys`, which presses Ctrl+Q its own way.

# shellcheck disable=SC2154 # binary, resources and work come from the caller
checker=$(dirname "${BASH_SOURCE[0]}")/e2e_check.py
board_pid=
# shellcheck disable=SC2034 # the callers name the clips they expect to hear
mapfile -t clips < <(cd "$resources" && LC_ALL=C ls -- *.wav)

# shellcheck source=tests/e2e/report.sh
source "$(dirname "${BASH_SOURCE[0]}")/report.sh"

# shellcheck source=tools/sound_server.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/sound_server.sh"
sound_started=

# board_audio_capture FILE: records what the board plays into FILE, as raw 16-bit stereo at
# 48 kHz: the board plays to a private PipeWire server (started once, in $work/sound) and its
# null sink's monitor is recorded. The compositor's runtime folder stays the one the board sees;
# the sound server is found through PIPEWIRE_RUNTIME_DIR and PULSE_SERVER.
board_audio_capture() {
    local compositor_runtime=$XDG_RUNTIME_DIR
    if [[ -z $sound_started ]]; then
        mkdir -p "$work/sound"
        prepare_sound_server "$work/sound" && start_pipewire "$work/sound" ||
            die "no private PipeWire server"
        sound_started=1
    fi
    export XDG_RUNTIME_DIR=$compositor_runtime
    record_monitor "$1" || die "cannot record the sink's monitor"
}

# start_board NAME: starts the board with a fresh preferences folder and its sound recorded in
# $work/NAME.raw, and waits until the recording runs.
start_board() {
    capture=$work/$1.raw
    marks=$work/$1.marks
    log=$work/$1.log
    board_audio_capture "$capture"
    # In a sanitizer build the Wayland and D-Bus libraries that SDL loads leave a few
    # allocations at exit that are not the board's (the unit suites catch the board's leaks).
    env -u SDL_AUDIODRIVER XDG_CONFIG_HOME="$work/config-$1" LC_ALL=C LANG=C LANGUAGE= \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$binary" 2>"$log" &
    board_pid=$!
    local tries
    for ((tries = 0; tries < 100; tries++)); do
        [[ -s $capture ]] && break
        kill -0 "$board_pid" 2>/dev/null || die "$1: the board ended at start: $(cat "$log")"
        sleep 0.1
    done
    [[ -s $capture ]] || die "$1: the monitor recording did not start within 10 s"
    mark opened
}

# mark LABEL: ties this moment to the sound captured so far (see e2e_check.py).
mark() { echo "$1 $(date +%s.%N) $(stat -c %s "$capture" 2>/dev/null || echo 0)" >>"$marks"; }

# heard LABEL CLIP WHAT: the clip (a file name in resources) starts within a second after the
# mark LABEL; only its onset counts, not its timing. Waits until the clip has ended.
heard() {
    sleep "$(python3 "$checker" length "$resources/$2" --plus 0.5)"
    mark "$1-heard"
    python3 "$checker" start "$capture" "$marks" --after "$1" --within 1 \
        --clip "$resources/$2" || fail "$3"
}

# quit_board: Ctrl+Q must end the board with status 0, with no error in its log.
quit_board() {
    quit_keys
    local status=0
    timeout 10 tail --pid="$board_pid" -f /dev/null || fail "the board did not end on Ctrl+Q"
    kill "$board_pid" 2>/dev/null
    wait "$board_pid" || status=$?
    board_pid=
    kill "$recorder_pid" 2>/dev/null
    recorder_pid=
    ((status == 0)) || fail "the board ended with status $status"
    if grep -E "Error|Cannot|No audio|No font|not a readable|did not play" "$log"; then
        fail "the board logged errors (above)"
    fi
}

stop_board() {
    [[ -z $board_pid ]] || kill "$board_pid" 2>/dev/null
    board_pid=
    [[ -z ${recorder_pid:-} ]] || kill "$recorder_pid" 2>/dev/null
    recorder_pid=
}

# stop_sound: stops the recorder, the sound server and its bus.
stop_sound() {
    [[ -z $sound_started ]] || stop_sound_server 2>/dev/null
    sound_started=
}
