#!/usr/bin/env bash
# End-to-end run of the real soundboard binary, used as a person would use it: on its own Xvfb
# display, with clicks and keys sent by xdotool, screenshots taken with ImageMagick's import,
# sound played through a private PipeWire server (SDL's native PipeWire driver, as the board
# picks it) and recorded from its null sink's monitor, and preferences kept in a temporary folder.
#
# Two runs of the app share one preferences folder:
#   1. a tap plays its clip at once; with loop on and a delay set on the slider, a tap plays
#      the clip after the delay and repeats it every clip length + delay; hide-all in edit
#      mode empties the list and is stored on leaving edit mode; Ctrl+Q ends the app with 0.
#   2. the list is still empty; show-all brings the clips back; "Sweep" picked on the About
#      screen makes the S key (a shake) play the last clip; the arrow keys move the list's focus,
#      A opens the About screen and Escape goes back; Ctrl+Q while a looping clip waits
#      for its next play and a finger drags the list still ends the app in order, with 0.
#
# Usage: e2e.sh SOUNDBOARD_BINARY RESOURCES_DIR [DOCS_DIR]
#   With DOCS_DIR, the running board is also compared with DOCS_DIR/board.png.
#   E2E_KEEP=1 keeps the work folder (screenshots, logs, capture) after a passing run; after a
#   failing run it is always kept.
# Exit status: 0 when every check holds, 1 when one fails (each failure is printed), 77 when a
# tool it needs is missing (ctest reports the test as skipped).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
checker=$here/e2e_check.py
binary=${1:-}
resources=${2:-}
docs=${3:-}
if [[ -z $binary || -z $resources ]]; then
    echo "usage: $0 SOUNDBOARD_BINARY RESOURCES_DIR [DOCS_DIR]" >&2
    exit 2
fi
for tool in Xvfb xdotool import convert python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done
if [[ ! -x $binary ]]; then
    echo "FAIL: no program at $binary" >&2
    exit 1
fi

# The window is 320 x 480 points; a 1080-pixel-high screen gives scale 2.
readonly scale=2
# Points of the screen, and regions as "X Y WIDTH HEIGHT" in points.
readonly edit_button="29 42" about_button="287 42" back_button="50 42"
readonly first_row="160 86" list_middle="160 200" loop_switch="103 458" hide_all="260 458" show_all="124 458"
readonly sweep_segment="272 294"
readonly list_area="0 64 320 372" first_row_area="0 64 320 44" toolbar_area="0 436 320 44"
readonly app_area="0 20 320 460" popout_area="172 364 82 72"
# A touch 1 point into the 121-point slider whose range is 0 to 90 s: a delay of 90/121 s.
readonly delay_touch="199 458" delay=0.743802
# Clips in first-run order are the resource files in byte order of their names.
mapfile -t clips < <(cd "$resources" && LC_ALL=C ls -- *.wav)
readonly first_clip=$resources/${clips[0]}
readonly last_clip=$resources/${clips[-1]}

work=$(mktemp -d "${TMPDIR:-/tmp}/soundboard-e2e-XXXXXX")
kept="screenshots, logs and captured audio"
run=0

# ---- Reporting ----

# shellcheck source=tests/e2e/report.sh
source "$here/report.sh"
# eventually DESCRIPTION COMMAND ARGUMENTS...: a check of something the app does a short time
# later; tried quietly for up to 3 s, then once more as a check.
eventually() {
    local tries
    for ((tries = 0; tries < 30; tries++)); do
        python3 "$checker" --scale "$scale" "${@:2}" >/dev/null 2>&1 && break
        sleep 0.1
    done
    check "$@"
}

# shellcheck source=tests/e2e/x11_board.sh
source "$here/x11_board.sh"

# ---- The display ----

start_display() {
    start_virtual_display "$work" || die "no virtual display"
    mkdir -p "$work/sound"
    prepare_sound_server "$work/sound" && start_pipewire "$work/sound" ||
        die "no private PipeWire server"
}

# ---- The app ----

# start_app: starts a run of the app and waits until its window shows the board.
start_app() {
    run=$((run + 1))
    capture=$work/audio-$run.raw
    marks=$work/marks-$run
    log=$work/app-$run.log
    # What the sink plays, from before the board starts; it grows at the server's 48 kHz.
    record_monitor "$capture" || die "run $run: cannot record the sink's monitor"
    launch_board "$log" || die "run $run: no Soundboard window within 15 s; log: $(cat "$log")"

    local WIDTH=0 HEIGHT=0 X=0 Y=0
    eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(WIDTH|HEIGHT|X|Y)=')"
    ((WIDTH == 320 * scale && HEIGHT == 480 * scale)) ||
        die "run $run: the window is $WIDTH x $HEIGHT pixels, expected $((320 * scale)) x $((480 * scale))"
    echo "window $window at $X,$Y, $WIDTH x $HEIGHT pixels"

    local tries
    for ((tries = 0; tries < 50; tries++)); do
        [[ -s $capture ]] && break
        sleep 0.1
    done
    [[ -s $capture ]] || die "run $run: the monitor recorder wrote nothing to $capture"
    mark opened
}

# stop_app: quits with Ctrl+Q and checks that the app ends with status 0.
stop_app() {
    focus
    xdotool key ctrl+q
    local tries
    for ((tries = 0; tries < 100; tries++)); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$app_pid" 2>/dev/null; then
        fail "run $run: the app did not end within 10 s of Ctrl+Q"
        kill "$app_pid"
    fi
    wait "$app_pid"
    local status=$?
    app_pid=
    kill "$recorder_pid" 2>/dev/null
    wait "$recorder_pid" 2>/dev/null
    ((status == 0)) || fail "run $run: the app ended with status $status, expected 0"
    # Every line the app logs is a progress line; a clip, image or font that fails to load, or a
    # missing audio device, would show here.
    if grep -E "Error|Cannot|No audio|No font|not a readable|did not play" "$log"; then
        fail "run $run: the app logged errors (above)"
    fi
}

# Keys go to the focused window; without a window manager nobody else focuses it.
focus() { xdotool windowfocus "$window" 2>/dev/null; }

# click "X Y", press "X Y": a left click, or a left button held down, at a point of the screen.
click() { pointer "$1" click 1; }
press() { pointer "$1" mousedown 1; }
pointer() {
    local x y
    read -r x y <<<"$1"
    xdotool mousemove --window "$window" $((x * scale)) $((y * scale)) "${@:2}"
}

# shot NAME: a screenshot of the window; prints its file. Files are numbered in the order taken.
shot() {
    local taken file
    taken=$(find "$work" -maxdepth 1 -name "run$run-*.png" | wc -l)
    file=$work/run$run-$(printf %02d $((taken + 1)))-$1.png
    import -window "$window" "$file" || die "cannot take a screenshot of window $window"
    echo "$file"
}

# mark LABEL: ties this moment to the audio captured so far.
mark() { echo "$1 $(date +%s.%N) $(stat -c %s "$capture" 2>/dev/null || echo 0)" >>"$marks"; }

# wait_for_log PATTERN COUNT: waits up to 5 s until the log has COUNT lines ending in PATTERN.
wait_for_log() {
    local tries
    for ((tries = 0; tries < 50; tries++)); do
        (($(grep -Ec "\] $1\$" "$log") >= $2)) && return 0
        sleep 0.1
    done
    fail "run $run: the log has $(grep -Ec "\] $1\$" "$log") lines \"$1\", expected $2"
    return 1
}

# wait_for_board: waits up to 5 s until the first row shows (light, with dark text).
wait_for_board() {
    local tries file
    for ((tries = 0; tries < 25; tries++)); do
        file=$(shot board)
        python3 "$checker" --scale "$scale" brightness "$file" "$first_row_area" --minimum 200 \
            >/dev/null &&
            return 0
        sleep 0.2
    done
    fail "run $run: the board's first row did not appear"
    return 1
}

# ---- Run 1 ----

start_display
step "run 1: first start"
start_app
wait_for_board
board=$(shot board)
check "the list shows light rows" brightness "$board" "$first_row_area" --minimum 200
check "the toolbar is dark" brightness "$board" "$toolbar_area" --maximum 140
if [[ -n $docs && -f $docs/board.png ]]; then
    check "the board looks as docs/board.png shows it" matches "$board" "$docs/board.png" "$app_area"
fi

step "a tap plays the first clip at once, at 48 kHz"
mark tap
click "$first_row"
sleep 1.5
mark played
check "tapping the first row plays ${clips[0]} at once" \
    start "$capture" "$marks" --after tap --within 0.1 --clip "$first_clip"

step "loop on, delay from the slider"
click "$loop_switch"
sleep 0.5
looped=$(shot loop-on)
check "the loop switch shows on" changed "$board" "$looped" "56 446 94 24" --share 0.1
# While the finger is on the slider its value pops out above it, and fades when it lifts.
press "$delay_touch"
sleep 0.5
popout=$(shot slider-held)
check "the delay pops out above the slider while it is held" \
    changed "$looped" "$popout" "$popout_area" --share 0.05
xdotool mouseup 1
sleep 0.6
released=$(shot slider-released)
check "the pop-out fades when the slider is let go" \
    matches "$released" "$looped" "$popout_area"

step "a looping tap: first play after the delay, repeats every clip length + delay"
mark loop-tap
click "$first_row"
# Plays at delay + k * (length + delay); stopped between the fourth play and the fifth.
sleep "$(python3 "$checker" length "$first_clip" --plus "$delay" --periods 3.4)"
mark loop-off
click "$loop_switch"
check "the clip repeats every clip length + delay" loop "$capture" "$marks" \
    --after loop-tap --before loop-off --clip "$first_clip" --delay "$delay" --count 4

step "edit mode: hide all, done"
click "$edit_button"
sleep 0.7
editing=$(shot edit-mode)
check "the edit toolbar slides in" changed "$looped" "$editing" "$toolbar_area" --share 0.2
click "$hide_all"
wait_for_log "Hide All" 1
click "$edit_button"
wait_for_log end 2
sleep 0.7
emptied=$(shot all-hidden)
check "the list is empty after hide-all" uniform "$emptied" "$list_area" --dark
eventually "leaving edit mode stores every clip as hidden" \
    preferences "$work/config/soundboard/preferences.json" "$resources" --hidden 1
mark edited
check "turning loop off stopped the repeats" no-start "$capture" "$marks" \
    --after loop-off --before edited
stop_app

# ---- Run 2 ----

step "run 2: hidden clips stay hidden"
start_app
sleep 1
restarted=$(shot restarted)
check "the list is still empty after a restart" uniform "$restarted" "$list_area" --dark
check "the stored flags are unchanged" \
    preferences "$work/config/soundboard/preferences.json" "$resources" --hidden 1

step "show all"
click "$edit_button"
sleep 0.7
click "$show_all"
wait_for_log "Show All" 1
click "$edit_button"
wait_for_log end 2
wait_for_board
eventually "show-all is stored on leaving edit mode" \
    preferences "$work/config/soundboard/preferences.json" "$resources" --hidden 0

step "About: shake mode Sweep"
click "$about_button"
sleep 0.8
about=$(shot about)
# The About screen's background, below its controls.
check "the About screen is shown" colour "$about" "0 410 320 26" --rgb 33 36 43
click "$sweep_segment"
sleep 0.3
swept=$(shot sweep)
check "Sweep is selected" changed "$about" "$swept" "245 274 55 40" --share 0.3
click "$back_button"
sleep 0.8
wait_for_log "Saving Config" 1
wait_for_board
eventually "the shake mode is stored" \
    preferences "$work/config/soundboard/preferences.json" "$resources" --hidden 0 --shake-type 3

step "a shake plays the last clip"
focus
mark shake
xdotool key s
sleep 1.5
mark shaken
wait_for_log Shaking 1
check "a shake in Sweep mode plays ${clips[-1]}" \
    start "$capture" "$marks" --after shake --within 0.3 --clip "$last_clip"

step "keys: the list's focus, the About screen and back"
focus
xdotool key Home
sleep 0.5
top=$(shot focus-first-row)
xdotool key Down Down
sleep 0.3
moved=$(shot focus-third-row)
check "Down, Down outlines the third row" changed "$top" "$moved" "0 152 320 44" --share 0.02
xdotool key a
sleep 0.8
about_by_key=$(shot about-by-key)
check "A opens the About screen" colour "$about_by_key" "0 410 320 26" --rgb 33 36 43
xdotool key Escape
sleep 0.8
wait_for_board

step "quit while a repeat and a highlight's end are pending and a finger drags the list"
click "$loop_switch"
sleep 0.5
click "$first_row"
sleep 0.3
press "$first_row"
pointer "$list_middle"
sleep 0.3
# Ctrl+Q with the button still down: the app must end in order, with status 0 and (in the
# sanitizer build) no error, although the loop's next play still waits.
stop_app
xdotool mouseup 1

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all end-to-end checks passed"
