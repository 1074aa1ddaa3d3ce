#!/usr/bin/env bash
# End-to-end run of the real board under real touch events: mutter, headless, with one
# 720 x 1440 virtual monitor, delivers them through wl_touch as a phone's screen would, injected
# through its remote desktop interface (mutter_touch.py). The board is made fullscreen (F11), so
# the 320-point-wide screen fills the monitor at 2.25 pixels a point. Checked by what is heard
# and what is stored:
#   - a tap on a row plays it;
#   - a second finger that comes down and drags while the first rests does not move the list
#     or change the first finger's tap;
#   - a slow drag scrolls the list by as far as the finger went;
#   - a fling keeps the list moving after the finger lifts, to its end;
#   - a touch on the delay slider sets the delay: the next tap plays after it;
#   - in edit mode, a drag on a row's grip moves the row, which is stored on Done;
#   - Ctrl+Q ends the board with status 0.
# The board's sound is recorded as phone_board.sh says.
#
# Usage: touch_e2e.sh SOUNDBOARD_BINARY RESOURCES_DIR
#   E2E_KEEP=1 keeps the work folder after a passing run; after a failing run it is kept.
# Exit status: 0 when every check holds, 1 when one fails, 77 when a program it needs is
# missing (ctest reports the test as skipped).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
binary=${1:-}
resources=${2:-}
if [[ -z $binary || -z $resources ]]; then
    echo "usage: $0 SOUNDBOARD_BINARY RESOURCES_DIR" >&2
    exit 2
fi
for tool in mutter pipewire dbus-daemon python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done
if ! /usr/bin/python3 -c "import dbus" 2>/dev/null; then
    echo "SKIP: python3-dbus is not installed"
    exit 77
fi

readonly width=720 height=1440
# X keysyms of the keys pressed.
readonly key_f11=0xffc8 key_ctrl=0xffe3 key_q=0x71
# Points of the screen (320 x 640 points on this monitor). The list starts at 64 and ends at
# the toolbar, 44 points high; rows are 44 points high.
readonly row_height=44 list_top=64 list_height=$((640 - 64 - 44))
readonly first_row_y=86 edit_x=29 edit_y=42 grip_x=301
# A touch 2 points into the 121-point slider, whose range is 0 to 90 s: a delay of about 1.5 s.
readonly delay_x=200 delay_y=618
work=$(mktemp -d "${TMPDIR:-/tmp}/soundboard-touch-XXXXXX")

# shellcheck source=tests/e2e/phone_board.sh
source "$here/phone_board.sh"
# shellcheck source=tools/phone_stack.sh
source "$here/../../tools/phone_stack.sh"

cleanup() {
    local status=$?
    stop_board
    stop_sound
    stop_phone_stack
    wait 2>/dev/null
    if ((status != 0 || failures > 0)) || [[ ${E2E_KEEP:-} == 1 ]]; then
        echo "The logs and captured sound are in $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

quit_keys() { touch_screen key "$key_ctrl" "$key_q"; }

# px POINT: the monitor's pixels for a coordinate in points of the screen.
px() { echo "$(($1 * width / 320))"; }
# finger COMMAND X Y [MORE...]: a touch command with the place given in points.
finger() { touch_screen "$1" "$(px "$2")" "$(px "$3")" "${@:4}"; }
# drag X Y1 Y2 SECONDS [SLOT]: a finger that is down moves from Y1 to Y2 in that time.
drag() { touch_screen drag "$(px "$1")" "$(px "$2")" "$(px "$1")" "$(px "$3")" "${@:4}"; }
# tap X Y: a finger comes down and lifts at once.
tap() {
    finger down "$1" "$2"
    touch_screen up
}
# clip_at_first_row OFFSET: the clip whose row shows at the first row's place with the list
# scrolled by OFFSET points.
clip_at_first_row() { echo "${clips[($1 + first_row_y - list_top) / row_height]}"; }

((${#clips[@]} * row_height > list_height + 3 * row_height)) ||
    die "too few clips in $resources to scroll the list by three rows"
readonly end_offset=$((${#clips[@]} * row_height - list_height))

step "mutter with a ${width}x$height monitor, the board fullscreen"
start_mutter "$work" "$width" "$height" || die "mutter did not start"
start_board touch
sleep 1 # the window maps
touch_screen key "$key_f11"
sleep 1

step "a tap on the first row"
mark tap
tap 160 "$first_row_y"
heard tap "${clips[0]}" "a tap on the first row did not play ${clips[0]}"

step "a second finger comes down and drags while the first rests on the first row"
mark two-fingers
finger down 160 "$first_row_y" 0
finger down 160 400 1
drag 160 400 200 0.3 1
touch_screen up 1
touch_screen up 0
heard two-fingers "${clips[0]}" "the first finger's tap did not play ${clips[0]} alone"

step "a slow drag scrolls the list by as far as the finger went"
finger down 160 400
drag 160 400 $((400 - 2 * row_height)) 1
sleep 0.3 # the finger rests: no fling
touch_screen up
mark dragged
tap 160 "$first_row_y"
heard dragged "$(clip_at_first_row $((2 * row_height)))" \
    "after a drag of two rows the first row's place does not show the third clip"

step "a fling keeps the list moving to its end"
finger down 160 400
drag 160 400 340 0.05
touch_screen up
sleep 1.5
mark flung
tap 160 "$first_row_y"
heard flung "$(clip_at_first_row "$end_offset")" "a fling did not carry the list to its end"

step "a touch on the slider sets the delay"
finger down "$delay_x" "$delay_y"
touch_screen up
mark delayed-tap
tap 160 "$first_row_y"
sleep 1
mark delay-waited
python3 "$checker" no-start "$capture" "$marks" --after delayed-tap --before delay-waited ||
    fail "a tap after the slider was touched played before the delay"
# The tap after the fling scrolled its row, the sixth, towards the middle of the list: the list
# is back at its top.
heard delay-waited "${clips[0]}" "the tap did not play after the delay"

step "edit mode: a drag on the first row's grip moves the row below the third"
finger down 160 200
drag 160 200 600 0.6
sleep 0.3
touch_screen up
sleep 1 # back at the top
tap "$edit_x" "$edit_y"
sleep 1
finger down "$grip_x" "$first_row_y"
drag "$grip_x" "$first_row_y" $((first_row_y + 2 * row_height + 10)) 0.8
sleep 0.3
touch_screen up
sleep 0.5
tap "$edit_x" "$edit_y"
sleep 1
stored=$(python3 -c 'import json, sys
print("/".join(json.load(open(sys.argv[1]))["rootObject"]["name"][:3]))' \
    "$work/config-touch/soundboard/preferences.json" 2>&1)
expected="${clips[1]%.wav}/${clips[2]%.wav}/${clips[0]%.wav}"
[[ $stored == "$expected" ]] || fail "the stored order begins $stored, expected $expected"
echo "the stored order begins $stored"

step "Ctrl+Q"
quit_board

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all touch checks passed"
